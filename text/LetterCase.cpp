#include "text/LetterCase.h"

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

std::uint32_t AsciiFolded(unsigned char byte) { return byte >= 'A' && byte <= 'Z' ? byte + ('a' - 'A') : byte; }

// Encoding::NextFolded, with ASCII folded here.
std::uint32_t NextFoldedQuickly(std::string_view text, std::size_t& index)
{
    const auto byte = static_cast<unsigned char>(text[index]);
    if (byte >= 0x80) return Encoding::NextFolded(text, index);
    ++index;
    return AsciiFolded(byte);
}

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
        if (!IsAscii(name)) {
            text = Encoding::FoldUtf8(name);
            return;
        }
        text.resize(name.size());
        for (std::size_t index = 0; index < name.size(); ++index) {
            text[index] = static_cast<char>(AsciiFolded(static_cast<unsigned char>(name[index])));
        }
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

// ASCII characters fold by a comparison here; the table of Unicode folding is looked up
// only for the others.
int CompareUtf8Names(std::string_view left, std::string_view right)
{
    // Equal ASCII bytes are equal characters.
    std::size_t common = 0;
    const std::size_t shorter = left.size() < right.size() ? left.size() : right.size();
    while (common < shorter && left[common] == right[common] && static_cast<unsigned char>(left[common]) < 0x80) ++common;
    std::size_t leftIndex = common;
    std::size_t rightIndex = common;
    while (leftIndex < left.size() && rightIndex < right.size()) {
        const std::uint32_t leftPoint = NextFoldedQuickly(left, leftIndex);
        const std::uint32_t rightPoint = NextFoldedQuickly(right, rightIndex);
        if (leftPoint != rightPoint) return leftPoint < rightPoint ? -1 : 1;
    }
    if (leftIndex < left.size()) return 1;
    return rightIndex < right.size() ? -1 : 0;
}

// Names of equal length compare byte by byte while both bytes are ASCII; names of two
// lengths are unequal at once when both are ASCII. The rest compares by characters.
bool EqualUtf8Names(std::string_view left, std::string_view right)
{
    if (left.size() == right.size()) {
        std::size_t index = 0;
        for (; index < left.size(); ++index) {
            const auto leftByte = static_cast<unsigned char>(left[index]);
            const auto rightByte = static_cast<unsigned char>(right[index]);
            if ((leftByte | rightByte) >= 0x80) break;
            if (leftByte != rightByte && AsciiFolded(leftByte) != AsciiFolded(rightByte)) return false;
        }
        return index == left.size() || CompareUtf8Names(left.substr(index), right.substr(index)) == 0;
    }
    if (IsAscii(left) && IsAscii(right)) return false;
    return CompareUtf8Names(left, right) == 0;
}

std::size_t NameHash::operator()(std::string_view text) const
{
    if (encoding == TextEncoding::Windows1251) return NoCaseHash()(text);
    std::size_t hash = 14695981039346656037ull;
    for (std::size_t index = 0; index < text.size();) hash = (hash ^ NextFoldedQuickly(text, index)) * 1099511628211ull;
    return hash;
}

}  // namespace LetterCase
