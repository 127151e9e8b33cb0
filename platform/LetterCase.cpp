#include "platform/LetterCase.h"

namespace LetterCase {

std::string LowerText(std::string_view text)
{
    std::string result;
    result.reserve(text.size());
    for (char byte : text) {
        result.push_back(static_cast<char>(Lower(static_cast<unsigned char>(byte))));
    }
    return result;
}

std::string UpperText(std::string_view text)
{
    std::string result(text);
    for (char& byte : result) byte = static_cast<char>(Upper(static_cast<unsigned char>(byte)));
    return result;
}

namespace {

bool IsAscii(std::string_view text)
{
    for (char byte : text) {
        if (static_cast<unsigned char>(byte) >= 0x80) return false;
    }
    return true;
}

}  // namespace

std::string MatchText(TextEncoding encoding, std::string_view name)
{
    return encoding == TextEncoding::Utf8 ? Encoding::FoldUtf8(name) : LowerText(name);
}

void MatchTextInto(TextEncoding encoding, std::string_view name, std::string& text)
{
    if (encoding == TextEncoding::Utf8) {
        text = Encoding::FoldUtf8(name);
        return;
    }
    text.resize(name.size());
    for (std::size_t index = 0; index < name.size(); ++index) {
        text[index] = static_cast<char>(Lower(static_cast<unsigned char>(name[index])));
    }
}

std::string OrderKey(TextEncoding encoding, std::string_view name)
{
    if (encoding == TextEncoding::Windows1251) return UpperText(name);
    if (IsAscii(name)) return Encoding::FoldUtf8(name);
    std::string key;
    key.reserve(name.size());
    for (std::size_t index = 0; index < name.size();) Encoding::AppendUtf8(key, Encoding::NextFolded(name, index));
    return key;
}

int CompareUtf8Names(std::string_view left, std::string_view right)
{
    std::size_t leftIndex = 0;
    std::size_t rightIndex = 0;
    while (leftIndex < left.size() && rightIndex < right.size()) {
        const std::uint32_t leftPoint = Encoding::NextFolded(left, leftIndex);
        const std::uint32_t rightPoint = Encoding::NextFolded(right, rightIndex);
        if (leftPoint != rightPoint) return leftPoint < rightPoint ? -1 : 1;
    }
    if (leftIndex < left.size()) return 1;
    return rightIndex < right.size() ? -1 : 0;
}

std::size_t NameHash::operator()(std::string_view text) const
{
    if (encoding == TextEncoding::Windows1251) return NoCaseHash()(text);
    std::size_t hash = 14695981039346656037ull;
    for (std::size_t index = 0; index < text.size();) hash = (hash ^ Encoding::NextFolded(text, index)) * 1099511628211ull;
    return hash;
}

}  // namespace LetterCase
