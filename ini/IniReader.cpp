#include "ini/IniFileImage.h"

#include "platform/Console.h"
#include "platform/Platform.h"
#include "platform/Messages.h"

#include <algorithm>
#include <stdexcept>
#include <string_view>

namespace {

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";
constexpr std::string_view kStampPhrase = "The date and time to convert a settings file: ";
constexpr std::string_view kVersionPhrase = "Settings file version: ";

bool IsBlank(char byte) { return byte == ' ' || byte == '\t'; }

std::string_view TrimBlanks(std::string_view text)
{
    while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
    while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
    return text;
}

// Names lose every CR and LF byte, then blanks and tabs at both ends.
std::string CleanName(std::string_view raw)
{
    if (raw.find_first_of("\r\n") == std::string_view::npos) return std::string(TrimBlanks(raw));
    std::string name;
    name.reserve(raw.size());
    for (char byte : raw) {
        if (byte != '\r' && byte != '\n') name.push_back(byte);
    }
    return std::string(TrimBlanks(name));
}

bool IsLoneSemicolon(const std::string& line) { return TrimBlanks(line) == ";"; }

// Drops the conversion stamp (and a version note) that an earlier run wrote in front
// of the first section, so that converting a converted file leaves one stamp.
std::vector<std::string> WithoutStamp(const std::vector<std::string>& lines)
{
    std::vector<bool> removed(lines.size(), false);
    for (std::size_t index = 0; index < lines.size(); ++index) {
        // Each line is looked at with blanks and tabs trimmed: a phrase whose closing
        // blank is only trailing white space is no stamp.
        const std::string_view line = TrimBlanks(lines[index]);
        const bool isStamp = line.find(kStampPhrase) != std::string_view::npos;
        const bool isVersion = !isStamp && line.find(kVersionPhrase) != std::string_view::npos;
        if (!isStamp && !isVersion) continue;
        removed[index] = true;
        if (isStamp && index > 0 && IsLoneSemicolon(lines[index - 1])) removed[index - 1] = true;
        if (index + 1 < lines.size() && IsLoneSemicolon(lines[index + 1])) {
            removed[index + 1] = true;
            ++index;
        }
    }
    std::vector<std::string> kept;
    for (std::size_t index = 0; index < lines.size(); ++index) {
        if (!removed[index]) kept.push_back(lines[index]);
    }
    return kept;
}

}  // namespace

struct CIniFileImage::ReaderState {
    CIniSectionsImaging* currentSection = nullptr;
    // Keys under a repeated header are dropped with that header's warning alone.
    bool underRepeatedHeader = false;
    std::vector<std::string> pendingComments;
};

void CIniFileImage::Load(const std::string& path)
{
    const std::intptr_t file = Platform::OpenForReading(path);
    if (file < 0) throw std::runtime_error("Unable to open file \"" + path + "\"");
    m_path = path;
    ReaderState state;
    std::string pending;  // read but not yet handled: an unfinished line at most
    std::vector<char> chunk(256 * 1024);
    bool atStart = true;
    for (;;) {
        const long got = Platform::ReadChunk(file, chunk.data(), chunk.size());
        if (got < 0) {
            // A file that cannot be read to its end is never taken for a shorter one.
            const int errorCode = Platform::LastErrorCode();
            Platform::CloseReading(file);
            throw std::runtime_error("Unable to read file [" + path + "].Error is [" + std::to_string(errorCode) +
                                     "][" + Platform::ErrorText(errorCode) + "]");
        }
        if (got == 0) break;
        const std::string_view data(chunk.data(), static_cast<std::size_t>(got));
        // Ctrl-Z ends the input as the end of the file does.
        const std::size_t stop = data.find('\x1A');
        pending.append(data.substr(0, stop));
        m_loadedSizeBytes += std::min(stop, data.size());
        if (stop != std::string_view::npos) break;
        // The mark is looked for once the first three bytes are in.
        if (atStart && pending.size() >= kByteOrderMark.size()) {
            TakeByteOrderMark(pending);
            atStart = false;
        }
        // Lines are handled only when new bytes bring a line feed: an unfinished line
        // is never searched again, so a line of any length is read in linear time.
        const bool newLineFeed = data.substr(0, stop).find('\n') != std::string_view::npos;
        if (!atStart && newLineFeed) pending.erase(0, HandleLines(pending, false, state));
    }
    Platform::CloseReading(file);
    if (atStart) TakeByteOrderMark(pending);
    HandleLines(pending, true, state);
    // Comment lines after the last element are kept; they are written at the end.
    m_trailingComments = WithoutStamp(state.pendingComments);
}

// Drops a UTF-8 byte-order mark opening the input and notes it for the writer.
void CIniFileImage::TakeByteOrderMark(std::string& input)
{
    if (std::string_view(input).substr(0, kByteOrderMark.size()) != kByteOrderMark) return;
    m_byteOrderMark = true;
    input.erase(0, kByteOrderMark.size());
}

// Handles every complete line of `text` (and, at the end of the input, the last one
// without a line feed); returns the count of bytes handled.
std::size_t CIniFileImage::HandleLines(std::string_view text, bool atEnd, ReaderState& state)
{
    std::size_t handled = 0;
    while (handled < text.size()) {
        const std::size_t lineEnd = text.find('\n', handled);
        if (lineEnd == std::string_view::npos && !atEnd) break;
        std::string_view line = text.substr(handled, lineEnd == std::string_view::npos ? std::string_view::npos
                                                                                       : lineEnd - handled);
        handled = lineEnd == std::string_view::npos ? text.size() : lineEnd + 1;
        if (lineEnd != std::string_view::npos && !line.empty() && line.back() == '\r') line.remove_suffix(1);
        if (line.empty()) continue;
        if (line[0] == ';') {
            state.pendingComments.emplace_back(line);
        } else if (line[0] == '[') {
            HandleSectionHeader(line, state);
        } else {
            HandleKeyLine(line, state);
        }
    }
    return handled;
}

// Header := '[' Name ']' Anything
void CIniFileImage::HandleSectionHeader(std::string_view line, ReaderState& state)
{
    const std::size_t close = line.find(']', 1);
    if (close == std::string_view::npos) {
        Console::Warn(Messages::kMalformedSectionHeader, std::string(line.substr(1)).c_str());
        return;
    }
    const std::string name = CleanName(line.substr(1, close - 1));
    if (FindSection(name) != nullptr) {
        Console::Warn(Messages::kRepeatedSection, name.c_str());
        state.currentSection = nullptr;
        state.underRepeatedHeader = true;
        return;
    }
    auto section = std::make_unique<CIniSectionsImaging>(NextOrder(), name, WithoutStamp(state.pendingComments));
    state.pendingComments.clear();
    CIniSectionsImaging& entered = EnterSection(std::move(section));
    // The empty name stands for "no current section".
    state.currentSection = name.empty() ? nullptr : &entered;
    state.underRepeatedHeader = false;
}

// KeyLine := Key ['=' Value]; the value is kept exactly as written.
void CIniFileImage::HandleKeyLine(std::string_view line, ReaderState& state)
{
    const std::size_t equals = line.find('=');
    std::string key = CleanName(line.substr(0, equals));
    if (key.empty()) return;
    if (state.currentSection == nullptr) {
        if (!state.underRepeatedHeader) Console::Warn(Messages::kParameterOutsideSection, key.c_str());
        return;
    }
    COptional<std::string> value;
    if (equals != std::string_view::npos) value = std::string(line.substr(equals + 1));
    state.currentSection->InsertParameter(std::make_unique<CParameterImage>(NextOrder(), std::move(key), std::move(value),
                                                                            std::move(state.pendingComments)));
    state.pendingComments.clear();
}
