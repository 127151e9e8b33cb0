#include "ini/IniFileImage.h"

#include "platform/Console.h"
#include "platform/FileBytes.h"
#include "platform/Messages.h"
#include "platform/Platform.h"

#include <algorithm>
#include <cstring>
#include <memory>
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

bool IsLoneSemicolon(std::string_view line) { return TrimBlanks(line) == ";"; }

// Drops the conversion stamp (and a version note) that an earlier run wrote in front
// of the first section, so that converting a converted file leaves one stamp.
std::vector<std::string_view> WithoutStamp(const std::vector<std::string_view>& lines)
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
    std::vector<std::string_view> kept;
    for (std::size_t index = 0; index < lines.size(); ++index) {
        if (!removed[index]) kept.push_back(lines[index]);
    }
    return kept;
}

// A line whose first byte that is no blank is '#' is a comment line, as one that
// starts with ';' is: the convention of Linux settings files.
bool IsHashComment(std::string_view line)
{
    const std::size_t first = line.find_first_not_of(" \t");
    return first != std::string_view::npos && line[first] == '#';
}

}  // namespace

struct CIniFileImage::ReaderState {
    CIniSectionsImaging* currentSection = nullptr;
    // The current section's parameters read so far; the section takes them whole when
    // another one begins, so its list is allocated once at its exact size.
    std::vector<CParameterImage> read;
    // Keys under a repeated header are dropped with that header's warning alone.
    bool underRepeatedHeader = false;
    std::vector<std::string_view> pendingComments;
};

void CIniFileImage::Load(const std::string& path, FileEncodingRule rule)
{
    const std::intptr_t file = Platform::OpenForReading(path);
    if (file < 0) throw std::runtime_error("Unable to open file \"" + path + "\"");
    m_path = path;
    Platform::FileBytes bytes;
    if (const int errorCode = Platform::ReadToEnd(file, bytes)) {
        throw std::runtime_error("Unable to read file [" + path + "].Error is [" + std::to_string(errorCode) + "][" +
                                 Platform::ErrorText(errorCode) + "]");
    }
    m_bytes = std::move(bytes.data);
    m_byteCount = bytes.sizeBytes;
    m_store->fileBytes = LoadedBytes();
    std::string_view text = LoadedBytes();
    // Ctrl-Z ends the input as the end of the file does.
    text = text.substr(0, text.find('\x1A'));
    m_loadedSizeBytes = text.size();
    m_store->encoding = rule.forced ? rule.forAscii : Encoding::Detect(text, rule.forAscii);
    m_index = CSectionIndex(FileEncoding());
    const Console::TextEncodingScope names(FileEncoding());
    if (text.substr(0, kByteOrderMark.size()) == kByteOrderMark) {
        m_byteOrderMark = true;
        text.remove_prefix(kByteOrderMark.size());
    }
    // About one section per kilobyte in typical files: the index rarely grows twice.
    m_index.reserve(text.size() / 1024 + 16);
    ReaderState state;
    HandleLines(text, state);
    if (state.currentSection != nullptr) state.currentSection->AdoptParameters(state.read);
    // Comment lines after the last element are kept; they are written at the end.
    m_trailingComments = KeepComments(WithoutStamp(state.pendingComments));
}

// Handles every line of `text`, the last one also without a line feed.
void CIniFileImage::HandleLines(std::string_view text, ReaderState& state)
{
    std::size_t handled = 0;
    while (handled < text.size()) {
        const std::size_t lineEnd = text.find('\n', handled);
        std::string_view line = text.substr(handled, lineEnd == std::string_view::npos ? std::string_view::npos
                                                                                       : lineEnd - handled);
        handled = lineEnd == std::string_view::npos ? text.size() : lineEnd + 1;
        if (lineEnd != std::string_view::npos && !line.empty() && line.back() == '\r') line.remove_suffix(1);
        if (line.empty()) continue;
        if (line[0] == ';' || IsHashComment(line)) {
            state.pendingComments.push_back(line);
        } else if (line[0] == '[') {
            HandleSectionHeader(line, state);
        } else {
            HandleKeyLine(line, state);
        }
    }
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
    if (state.currentSection != nullptr) state.currentSection->AdoptParameters(state.read);
    if (FindSection(name) != nullptr) {
        Console::Warn(Messages::kRepeatedSection, name.c_str());
        state.currentSection = nullptr;
        state.underRepeatedHeader = true;
        return;
    }
    CIniSectionsImaging& entered = EnterSection(NextOrder(), name, KeepComments(WithoutStamp(state.pendingComments)));
    state.pendingComments.clear();
    // The empty name stands for "no current section".
    state.currentSection = name.empty() ? nullptr : &entered;
    state.underRepeatedHeader = false;
}

// KeyLine := Key ['=' Value]; the value is kept exactly as written.
void CIniFileImage::HandleKeyLine(std::string_view line, ReaderState& state)
{
    const std::size_t equals = line.find('=');
    const std::string_view raw = line.substr(0, equals);
    // A key is a view into the file's bytes unless cleaning took bytes out of its middle.
    std::string_view key = TrimBlanks(raw);
    // A line holds no LF; a CR may stand inside it.
    if (std::memchr(key.data(), '\r', key.size()) != nullptr) key = m_store->arena.Keep(CleanName(raw));
    if (key.empty()) return;
    if (state.currentSection == nullptr) {
        if (!state.underRepeatedHeader) Console::Warn(Messages::kParameterOutsideSection, std::string(key).c_str());
        return;
    }
    const bool hasValue = equals != std::string_view::npos;
    const std::string_view value = hasValue ? line.substr(equals + 1) : std::string_view();
    CParameterImage& parameter = state.read.emplace_back();
    parameter.orderNumber = NextOrder();
    m_store->SetName(parameter, key);
    m_store->SetValue(parameter, value, hasValue);
    m_store->SetComments(parameter, KeepComments(state.pendingComments));
    state.pendingComments.clear();
}
