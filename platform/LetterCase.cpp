#include "platform/LetterCase.h"

#include <array>

namespace LetterCase {
namespace {

struct CaseTables {
    std::array<unsigned char, 256> upper{};
    std::array<unsigned char, 256> lower{};
    std::array<bool, 256> cased{};

    void Pair(int upperByte, int lowerByte)
    {
        upper[lowerByte] = static_cast<unsigned char>(upperByte);
        lower[upperByte] = static_cast<unsigned char>(lowerByte);
        cased[upperByte] = true;
        cased[lowerByte] = true;
    }

    CaseTables()
    {
        for (int byte = 0; byte < 256; ++byte) {
            upper[byte] = static_cast<unsigned char>(byte);
            lower[byte] = static_cast<unsigned char>(byte);
        }
        for (int offset = 0; offset < 26; ++offset) Pair('A' + offset, 'a' + offset);
        for (int offset = 0; offset < 32; ++offset) Pair(0xC0 + offset, 0xE0 + offset);
        static const int kOtherPairs[][2] = {
            {0x80, 0x90}, {0x81, 0x83}, {0x8A, 0x9A}, {0x8C, 0x9C}, {0x8D, 0x9D},
            {0x8E, 0x9E}, {0x8F, 0x9F}, {0xA1, 0xA2}, {0xA3, 0xBC}, {0xA5, 0xB4},
            {0xA8, 0xB8}, {0xAA, 0xBA}, {0xAF, 0xBF}, {0xB2, 0xB3}, {0xBD, 0xBE},
        };
        for (const auto& pair : kOtherPairs) Pair(pair[0], pair[1]);
    }
};

const CaseTables& Tables()
{
    static const CaseTables tables;
    return tables;
}

}  // namespace

unsigned char Upper(unsigned char byte) { return Tables().upper[byte]; }
unsigned char Lower(unsigned char byte) { return Tables().lower[byte]; }
bool IsCasedLetter(unsigned char byte) { return Tables().cased[byte]; }

int CompareNoCase(const std::string& left, const std::string& right)
{
    const CaseTables& tables = Tables();
    const std::size_t common = left.size() < right.size() ? left.size() : right.size();
    for (std::size_t index = 0; index < common; ++index) {
        const int leftByte = tables.upper[static_cast<unsigned char>(left[index])];
        const int rightByte = tables.upper[static_cast<unsigned char>(right[index])];
        if (leftByte != rightByte) return leftByte < rightByte ? -1 : 1;
    }
    if (left.size() == right.size()) return 0;
    return left.size() < right.size() ? -1 : 1;
}

bool EqualNoCase(const std::string& left, const std::string& right)
{
    return left.size() == right.size() && CompareNoCase(left, right) == 0;
}

std::string LowerText(const std::string& text)
{
    std::string result;
    result.reserve(text.size());
    for (char byte : text) {
        if (byte == '\0') break;
        result.push_back(static_cast<char>(Lower(static_cast<unsigned char>(byte))));
    }
    return result;
}

}  // namespace LetterCase
