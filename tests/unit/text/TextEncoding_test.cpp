#include "text/LetterCase.h"
#include "text/TextEncoding.h"

#include <gtest/gtest.h>

namespace {

struct DetectionRow {
    const char* what;
    std::string bytes;
    TextEncoding forAscii;
    TextEncoding wanted;
};

TEST(TextEncoding, DetectsAFilesEncodingFromItsBytes)
{
    const DetectionRow rows[] = {
        {"byte-order mark, then Windows-1251", "\xEF\xBB\xBF[\xCF]", TextEncoding::Windows1251, TextEncoding::Utf8},
        {"ASCII takes the scheme's (UTF-8)", "[A]\nk=1\n", TextEncoding::Utf8, TextEncoding::Utf8},
        {"ASCII takes the scheme's (1251)", "[A]\nk=1\n", TextEncoding::Windows1251, TextEncoding::Windows1251},
        {"well-formed UTF-8", "[\xD0\xA8]\n[\xD0\xB8]\n", TextEncoding::Windows1251, TextEncoding::Utf8},
        {"four-byte sequence", "k=\xF0\x9F\x98\x80", TextEncoding::Windows1251, TextEncoding::Utf8},
        // "Рё" in Windows-1251 is a valid pair, the next word is not.
        {"1251 text holding one valid pair", "[\xD0\xB8]\nk=\xCF\xF0\xE8", TextEncoding::Utf8, TextEncoding::Windows1251},
        {"truncated sequence at the end", "[A]\nk=\xD0", TextEncoding::Utf8, TextEncoding::Windows1251},
        {"overlong form", "k=\xC0\xAF", TextEncoding::Utf8, TextEncoding::Windows1251},
        {"overlong three-byte form", "k=\xE0\x80\xAF", TextEncoding::Utf8, TextEncoding::Windows1251},
        {"surrogate", "k=\xED\xA0\x80", TextEncoding::Utf8, TextEncoding::Windows1251},
        {"above U+10FFFF", "k=\xF4\x90\x80\x80", TextEncoding::Utf8, TextEncoding::Windows1251},
    };
    for (const DetectionRow& row : rows) {
        EXPECT_EQ(Encoding::Detect(row.bytes, row.forAscii), row.wanted) << row.what;
    }
    // ASCII runs are scanned a block at a time: a letter or a stray byte at any offset of
    // the padding around a block's edges is seen.
    for (std::size_t offset = 0; offset <= 80; ++offset) {
        const std::string padding(offset, 'a');
        const std::string tail(100, 'b');
        EXPECT_EQ(Encoding::Detect(padding + "\xD0\xB8" + tail, TextEncoding::Windows1251), TextEncoding::Utf8) << offset;
        EXPECT_EQ(Encoding::Detect(padding + "\xC1" + tail, TextEncoding::Utf8), TextEncoding::Windows1251) << offset;
    }
}

struct FoldingRow {
    const char* left;
    const char* right;
    int order;  // of CompareNames(left, right)
};

TEST(TextEncoding, Utf8NamesCompareByCaseFolding)
{
    const FoldingRow rows[] = {
        {"\xD0\xA8", "\xD1\x88", 0},               // Ш ш
        {"\xD0\xA8", "\xD0\xB8", 1},               // Ш и: two letters, ш after и
        {"\xD0\x81\xD0\xBB\xD0\xBA\xD0\xB0", "\xD1\x91\xD0\x9B\xD0\x9A\xD0\x90", 0},  // Ёлка ЁЛКА
        {"\xD0\x87", "\xD1\x97", 0},               // Ї ї
        {"\xD0\x8E", "\xD1\x9E", 0},               // Ў ў
        {"\xCE\xA3", "\xCF\x83", 0},               // Σ σ
        {"\xCF\x82", "\xCF\x83", 0},               // ς σ
        {"\xC3\x9C", "\xC3\xBC", 0},               // Ü ü
        {"\xC3\x83", "\xC3\x81", 1},               // Ã Á stay apart
        {"\xE2\x84\xAA", "k", 0},                  // Kelvin sign
        {"\xC5\xBF", "S", 0},                      // long s
        {"Ab", "aBc", -1},                         // a proper prefix first
        {"a\xFF", "A\xFF", 0},                     // a byte that is no character stands for itself
        {"a\xFF", "a\xC3\xBF", 1},                 // ... and is never a character
        {"Z", "z", 0},                             // the last ASCII capital folds too
        {"ZONE", "zone", 0},
        {"[", "{", -1},                            // the bytes around the capitals do not fold
    };
    for (const FoldingRow& row : rows) {
        EXPECT_EQ(LetterCase::CompareNames(TextEncoding::Utf8, row.left, row.right), row.order)
            << row.left << " / " << row.right;
        const bool equal = row.order == 0;
        EXPECT_EQ(LetterCase::EqualNames(TextEncoding::Utf8, row.left, row.right), equal) << row.left << " / " << row.right;
        EXPECT_EQ(LetterCase::OrderKey(TextEncoding::Utf8, row.left) == LetterCase::OrderKey(TextEncoding::Utf8, row.right),
                  equal)
            << row.left << " / " << row.right;
        if (equal) {
            EXPECT_EQ(LetterCase::NameHash {TextEncoding::Utf8}(row.left), LetterCase::NameHash {TextEncoding::Utf8}(row.right));
        }
    }
}

TEST(TextEncoding, ConvertsAndShowsTexts)
{
    std::string converted;
    ASSERT_TRUE(Encoding::Convert("\xCF\xEE\xF7\xF2\xE0", TextEncoding::Windows1251, TextEncoding::Utf8, converted));
    EXPECT_EQ(converted, "\xD0\x9F\xD0\xBE\xD1\x87\xD1\x82\xD0\xB0");  // Почта
    const std::string utf8 = converted;
    ASSERT_TRUE(Encoding::Convert(utf8, TextEncoding::Utf8, TextEncoding::Windows1251, converted));
    EXPECT_EQ(converted, "\xCF\xEE\xF7\xF2\xE0");
    EXPECT_FALSE(Encoding::Convert("\xE6\xBC\xA2", TextEncoding::Utf8, TextEncoding::Windows1251, converted));
    for (int byte = 0; byte < 256; ++byte) {
        const auto code = Encoding::Cp1251ToUnicode(static_cast<unsigned char>(byte));
        EXPECT_EQ(Encoding::UnicodeToCp1251(code), byte) << byte;
    }
    EXPECT_EQ(Encoding::ForDisplay("[\xE6\xBC\xA2\xFF\xD0\x91]", TextEncoding::Utf8, TextEncoding::Windows1251),
              "[\\u6F22\\xFF\xC1]");
    EXPECT_EQ(Encoding::ForDisplay("\xC1", TextEncoding::Windows1251, TextEncoding::Utf8), "\xD0\x91");
    // A UTF-8 console is shown UTF-8 as it is, but a byte that is no character still as \xNN.
    EXPECT_EQ(Encoding::ForDisplay("[\xD0\x91\xFF\xD0]", TextEncoding::Utf8, TextEncoding::Utf8), "[\xD0\x91\\xFF\\xD0]");
}

}  // namespace
