#include "ini/IniLine.h"

#include <cstring>

namespace IniLine {

namespace {

bool IsBlank(char byte) { return byte == ' ' || byte == '\t'; }

}  // namespace

bool CLines::Next(Line& line)
{
    if (m_at >= m_text.size()) return false;
    const char* begin = m_text.data() + m_at;
    const std::size_t left = m_text.size() - m_at;
    const auto* lineFeed = static_cast<const char*>(std::memchr(begin, '\n', left));
    if (lineFeed == nullptr) {
        line.text = std::string_view(begin, left);
        line.next = m_text.size();
        line.endsAsWritten = false;
    } else {
        std::size_t size = static_cast<std::size_t>(lineFeed - begin);
        const bool carriageReturn = size > 0 && begin[size - 1] == '\r';
        if (carriageReturn) --size;
        line.text = std::string_view(begin, size);
        line.next = m_at + static_cast<std::size_t>(lineFeed - begin) + 1;
        line.endsAsWritten = carriageReturn == m_crLf;
    }
    m_at = line.next;
    return true;
}

Kind KindOf(std::string_view line)
{
    if (line.empty()) return Kind::Empty;
    const char first = line[0];
    if (first == ';' || first == '#') return Kind::Comment;
    if (first == '[') return Kind::Header;
    if (IsBlank(first)) {
        // A line whose first byte that is no blank is '#' is a comment line, as one
        // that starts with ';' is: the convention of Linux settings files.
        const std::size_t firstShown = line.find_first_not_of(" \t");
        if (firstShown != std::string_view::npos && line[firstShown] == '#') return Kind::Comment;
    }
    return Kind::Key;
}

std::string_view TrimBlanks(std::string_view text)
{
    while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
    while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
    return text;
}

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

KeyLine SplitKeyLine(std::string_view line)
{
    KeyLine split;
    const auto* equals = static_cast<const char*>(std::memchr(line.data(), '=', line.size()));
    split.hasValue = equals != nullptr;
    const std::size_t keySize = split.hasValue ? static_cast<std::size_t>(equals - line.data()) : line.size();
    split.rawKey = line.substr(0, keySize);
    split.key = TrimBlanks(split.rawKey);
    // A line holds no LF; a CR may stand inside it.
    split.needsCleaning = !split.key.empty() && std::memchr(split.key.data(), '\r', split.key.size()) != nullptr;
    if (split.hasValue) split.value = line.substr(keySize + 1);
    return split;
}

}  // namespace IniLine
