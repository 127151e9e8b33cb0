#pragma once

// Upper and lower case of the Windows-1251 code page, built into the program so that
// names fold the same way on every build whatever locale the system offers.

#include "text/TextEncoding.h"

#include <array>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

namespace LetterCase {

namespace Detail {

struct Tables {
    std::array<unsigned char, 256> upper{};
    std::array<unsigned char, 256> lower{};
};

constexpr void Pair(Tables& tables, int upperByte, int lowerByte)
{
    tables.upper[lowerByte] = static_cast<unsigned char>(upperByte);
    tables.lower[upperByte] = static_cast<unsigned char>(lowerByte);
}

// Latin A-Z; Cyrillic 0xC0-0xDF with 0xE0-0xFF; and the letters scattered in between.
constexpr Tables MakeTables()
{
    Tables tables;
    for (int byte = 0; byte < 256; ++byte) {
        tables.upper[byte] = static_cast<unsigned char>(byte);
        tables.lower[byte] = static_cast<unsigned char>(byte);
    }
    for (int offset = 0; offset < 26; ++offset) Pair(tables, 'A' + offset, 'a' + offset);
    for (int offset = 0; offset < 32; ++offset) Pair(tables, 0xC0 + offset, 0xE0 + offset);
    constexpr int kOtherPairs[][2] = {
        {0x80, 0x90}, {0x81, 0x83}, {0x8A, 0x9A}, {0x8C, 0x9C}, {0x8D, 0x9D},
        {0x8E, 0x9E}, {0x8F, 0x9F}, {0xA1, 0xA2}, {0xA3, 0xBC}, {0xA5, 0xB4},
        {0xA8, 0xB8}, {0xAA, 0xBA}, {0xAF, 0xBF}, {0xB2, 0xB3}, {0xBD, 0xBE},
    };
    for (const auto& pair : kOtherPairs) Pair(tables, pair[0], pair[1]);
    return tables;
}

inline constexpr Tables kTables = MakeTables();

}  // namespace Detail

inline unsigned char Upper(unsigned char byte) { return Detail::kTables.upper[byte]; }
inline unsigned char Lower(unsigned char byte) { return Detail::kTables.lower[byte]; }

// Eight bytes of a word at once: all of them ASCII; and, when they are, each upper-cased
// (a byte from 'a' to 'z' loses 0x20), as Upper does byte by byte.
inline bool AsciiBytes(std::uint64_t bytes) { return (bytes & 0x8080808080808080ull) == 0; }
inline std::uint64_t UpperAsciiBytes(std::uint64_t bytes)
{
    constexpr std::uint64_t kOnes = 0x0101010101010101ull;
    // No byte carries into the next: each is below 0x80, and 0x80 - 'a' is 0x1F.
    const std::uint64_t fromA = bytes + (0x80 - 'a') * kOnes;
    const std::uint64_t pastZ = bytes + (0x80 - 'z' - 1) * kOnes;
    const std::uint64_t lower = fromA & ~pastZ & 0x80 * kOnes;
    return bytes - (lower >> 2);
}

// True when the byte has a case partner (is a letter of the code page).
inline bool IsCasedLetter(unsigned char byte) { return Upper(byte) != Lower(byte); }

// Case-insensitive order: bytes upper-cased, compared unsigned, a proper prefix first.
inline int CompareNoCase(std::string_view left, std::string_view right)
{
    const std::size_t common = left.size() < right.size() ? left.size() : right.size();
    std::size_t index = 0;
    // Equal bytes are equal whatever their case: names that share a long beginning
    // pass it eight bytes at a time.
    while (index + 8 <= common && std::memcmp(left.data() + index, right.data() + index, 8) == 0) index += 8;
    for (; index < common; ++index) {
        const int leftByte = Upper(static_cast<unsigned char>(left[index]));
        const int rightByte = Upper(static_cast<unsigned char>(right[index]));
        if (leftByte != rightByte) return leftByte < rightByte ? -1 : 1;
    }
    if (left.size() == right.size()) return 0;
    return left.size() < right.size() ? -1 : 1;
}

struct NoCaseLess {
    bool operator()(std::string_view left, std::string_view right) const { return CompareNoCase(left, right) < 0; }
};

inline bool EqualNoCase(std::string_view left, std::string_view right)
{
    return left.size() == right.size() && CompareNoCase(left, right) == 0;
}

// A hash that ignores letter case, for indexes keyed by names.
struct NoCaseHash {
    std::size_t operator()(std::string_view text) const
    {
        std::size_t hash = 14695981039346656037ull;
        for (char byte : text) hash = (hash ^ Upper(static_cast<unsigned char>(byte))) * 1099511628211ull;
        return hash;
    }
};

struct NoCaseEqual {
    bool operator()(std::string_view left, std::string_view right) const { return EqualNoCase(left, right); }
};

// Every byte lowered, zero bytes included: names that differ after a zero byte stay
// different.
std::string LowerText(std::string_view text);
// Every byte upper-cased: texts equal but for letter case have one upper text, and
// their byte order is the case-insensitive order.
std::string UpperText(std::string_view text);

// Names of a file in either encoding. Windows-1251 names fold byte by byte with the
// table above; UTF-8 names by Unicode simple case folding of their characters, folded
// characters compared as numbers, a proper prefix first.

// The text templates and patterns are matched against: lower-cased, or folded.
std::string MatchText(TextEncoding encoding, std::string_view name);
// The same into `text`, whose storage is reused.
void MatchTextInto(TextEncoding encoding, std::string_view name, std::string& text);
// A text whose byte order is the names' order, equal for names equal but for case.
std::string OrderKey(TextEncoding encoding, std::string_view name);
int CompareUtf8Names(std::string_view left, std::string_view right);
bool EqualUtf8Names(std::string_view left, std::string_view right);

inline int CompareNames(TextEncoding encoding, std::string_view left, std::string_view right)
{
    return encoding == TextEncoding::Windows1251 ? CompareNoCase(left, right) : CompareUtf8Names(left, right);
}

inline bool EqualNames(TextEncoding encoding, std::string_view left, std::string_view right)
{
    return encoding == TextEncoding::Windows1251 ? EqualNoCase(left, right) : EqualUtf8Names(left, right);
}

struct NameHash {
    TextEncoding encoding = TextEncoding::Windows1251;
    std::size_t operator()(std::string_view text) const;
};

struct NameEqual {
    TextEncoding encoding = TextEncoding::Windows1251;
    bool operator()(std::string_view left, std::string_view right) const { return EqualNames(encoding, left, right); }
};

}  // namespace LetterCase
