#include "text/LetterCase.h"

#include <gtest/gtest.h>

namespace {

TEST(LetterCase, EveryPairOfTheCodePage)
{
    const int pairs[][2] = {{'A', 'a'}, {'Z', 'z'}, {0xC0, 0xE0}, {0xDF, 0xFF}, {0x80, 0x90}, {0x81, 0x83},
                            {0x8A, 0x9A}, {0xA5, 0xB4}, {0xA8, 0xB8}, {0xAF, 0xBF}, {0xB2, 0xB3}, {0xBD, 0xBE}};
    for (const auto& pair : pairs) {
        EXPECT_EQ(LetterCase::Lower(static_cast<unsigned char>(pair[0])), pair[1]);
        EXPECT_EQ(LetterCase::Upper(static_cast<unsigned char>(pair[1])), pair[0]);
    }
    for (int byte : {0x30, 0x5F, 0x20, 0x98, 0xA0, 0xB7, 0xB9}) {
        EXPECT_EQ(LetterCase::Upper(static_cast<unsigned char>(byte)), byte);
        EXPECT_EQ(LetterCase::Lower(static_cast<unsigned char>(byte)), byte);
    }
}

TEST(LetterCase, TableIsAnInvolutionOnEveryByte)
{
    for (int byte = 0; byte < 256; ++byte) {
        const auto value = static_cast<unsigned char>(byte);
        const unsigned char lower = LetterCase::Lower(value);
        const unsigned char upper = LetterCase::Upper(value);
        EXPECT_EQ(LetterCase::Upper(lower), LetterCase::Upper(value)) << byte;
        EXPECT_EQ(LetterCase::Lower(upper), LetterCase::Lower(value)) << byte;
        EXPECT_EQ(LetterCase::IsCasedLetter(value), lower != upper) << byte;
    }
}

TEST(LetterCase, OrderIsCaseInsensitiveUnsignedWithPrefixFirst)
{
    EXPECT_EQ(LetterCase::CompareNoCase("Main", "MAIN"), 0);
    EXPECT_EQ(LetterCase::CompareNoCase("\xC3\xEB\xE0\xE2\xED\xE0\xFF", "\xE3\xCB\xC0\xC2\xCD\xC0\xDF"), 0);
    EXPECT_LT(LetterCase::CompareNoCase("Port", "Port1"), 0);
    EXPECT_LT(LetterCase::CompareNoCase("z", "\xE0"), 0);
    EXPECT_GT(LetterCase::CompareNoCase("_", "a"), 0);  // '_' (0x5F) sorts after 'A' (0x41)
    EXPECT_TRUE(LetterCase::EqualNoCase("\xA8", "\xB8"));
}

}  // namespace
