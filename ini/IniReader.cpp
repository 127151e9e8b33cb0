#include "ini/IniFileImage.h"

#include "platform/Console.h"
#include "platform/Platform.h"
#include "run/Messages.h"

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
        const bool isStamp = lines[index].find(kStampPhrase) != std::string::npos;
        const bool isVersion = !isStamp && lines[index].find(kVersionPhrase) != std::string::npos;
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
    std::vector<std::string> pendingComments;
};

void CIniFileImage::Load(const std::string& path)
{
    std::string content;
    if (!Platform::ReadWholeFile(path, content)) {
        throw std::runtime_error("Unable to open file \"" + path + "\"");
    }
    m_path = path;
    std::string_view input(content);
    if (input.substr(0, kByteOrderMark.size()) == kByteOrderMark) {
        m_byteOrderMark = true;
        input.remove_prefix(kByteOrderMark.size());
    }
    // Ctrl-Z ends the input as the end of the file does.
    input = input.substr(0, input.find('\x1A'));

    ReaderState state;
    while (!input.empty()) {
        const std::size_t lineEnd = input.find('\n');
        std::string_view line = input.substr(0, lineEnd);
        input.remove_prefix(lineEnd == std::string_view::npos ? input.size() : lineEnd + 1);
        if (lineEnd != std::string_view::npos && !line.empty() && line.back() == '\r') line.remove_suffix(1);
        if (line.empty()) continue;
        if (line[0] == ';') {
            state.pendingComments.emplace_back(line);
        } else if (line[0] == '[') {
            HandleSectionHeader(std::string(line), state);
        } else {
            HandleKeyLine(std::string(line), state);
        }
    }
}

// Header := '[' Name ']' Anything
void CIniFileImage::HandleSectionHeader(const std::string& line, ReaderState& state)
{
    const std::size_t close = line.find(']', 1);
    if (close == std::string::npos) {
        Console::Warn(Messages::kMalformedSectionHeader, line.substr(1).c_str());
        return;
    }
    const std::string name = CleanName(std::string_view(line).substr(1, close - 1));
    if (FindSection(name) != nullptr) {
        Console::Warn(Messages::kRepeatedSection, name.c_str());
        state.currentSection = nullptr;
        return;
    }
    auto section = std::make_unique<CIniSectionsImaging>(NextOrder(), name, WithoutStamp(state.pendingComments));
    state.pendingComments.clear();
    CIniSectionsImaging& entered = EnterSection(std::move(section));
    // The empty name stands for "no current section".
    state.currentSection = name.empty() ? nullptr : &entered;
}

// KeyLine := Key ['=' Value]; the value is kept exactly as written.
void CIniFileImage::HandleKeyLine(const std::string& line, ReaderState& state)
{
    const std::size_t equals = line.find('=');
    const std::string key = CleanName(std::string_view(line).substr(0, equals));
    if (key.empty() || state.currentSection == nullptr) return;
    COptional<std::string> value;
    if (equals != std::string::npos) value = line.substr(equals + 1);
    state.currentSection->InsertParameter(
        std::make_unique<CParameterImage>(NextOrder(), key, std::move(value), std::move(state.pendingComments)));
    state.pendingComments.clear();
}
