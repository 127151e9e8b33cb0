// Decoding UTF-16 into UTF-8 and back, and telling a file's text from its bytes.

#include "text/Utf16.h"

#include "TestSupport.h"

#include <gtest/gtest.h>

#include <random>

#include <string>

namespace {

std::string Bytes(const std::u16string& text, bool bigEndian) { return TestSupport::Utf16Bytes(text, bigEndian); }

struct DecodeRow {
    const char* name;
    std::u16string units;
    std::string extra;  // bytes after the units
    const char* utf8;   // null: refused
    std::size_t badOffset;
};

TEST(Utf16, DecodesBothOrdersAndNamesTheFirstBadPlace)
{
    const DecodeRow rows[] = {
        {"ascii and Cyrillic", u"[Сеть]\r\nk=1", "", "[Сеть]\r\nk=1", 0},
        {"a pair beyond the BMP", u"x=\U0001F600", "", "x=\xF0\x9F\x98\x80", 0},
        {"a zero unit is a character", std::u16string(u"a\0b", 3), "", nullptr, 0},
        {"a lone low surrogate", u"ab\xDC00z", "", nullptr, 4},
        {"a high surrogate before a non-surrogate", u"a\xD83Dz", "", nullptr, 2},
        {"a high surrogate cut by the end", u"ab\xD83D", "", nullptr, 4},
        {"an odd length", u"ab", "x", nullptr, 4},
        {"a cut surrogate comes before the odd byte", u"a\xD83D", "x", nullptr, 2},
        {"nothing", u"", "", "", 0},
    };
    for (const DecodeRow& row : rows) {
        for (const bool bigEndian : {false, true}) {
            SCOPED_TRACE(std::string(row.name) + (bigEndian ? " BE" : " LE"));
            std::string utf8;
            std::size_t badOffset = 99;
            const ByteForm form = bigEndian ? ByteForm::Utf16BigEndian : ByteForm::Utf16LittleEndian;
            const bool decoded = Utf16::DecodeToUtf8(Bytes(row.units, bigEndian) + row.extra, form, 2, utf8, badOffset);
            if (std::string(row.name) == "a zero unit is a character") {
                EXPECT_TRUE(decoded);
                EXPECT_EQ(utf8, std::string("a\0b", 3));
                continue;
            }
            ASSERT_EQ(decoded, row.utf8 != nullptr);
            if (decoded) {
                EXPECT_EQ(utf8, row.utf8);
            } else {
                EXPECT_EQ(badOffset, row.badOffset + 2);  // counted from the mark that stood in front
            }
        }
    }
}

TEST(Utf16, EncodesBackWhereverAChunkCutsACharacter)
{
    const std::string utf8 = "[Сеть]\r\nэмодзи=\xF0\x9F\x98\x80;";
    for (const bool bigEndian : {false, true}) {
        const std::string expected = Bytes(u"[Сеть]\r\nэмодзи=\U0001F600;", bigEndian);
        for (std::size_t cut = 0; cut <= utf8.size(); ++cut) {
            Utf16::CEncoder encoder(bigEndian ? ByteForm::Utf16BigEndian : ByteForm::Utf16LittleEndian);
            std::string out;
            ASSERT_TRUE(encoder.Encode(utf8.substr(0, cut), out));
            ASSERT_TRUE(encoder.Encode(utf8.substr(cut), out));
            EXPECT_TRUE(encoder.Finished());
            EXPECT_EQ(out, expected) << "cut at " << cut;
        }
    }
    Utf16::CEncoder encoder(ByteForm::Utf16LittleEndian);
    std::string out;
    EXPECT_FALSE(encoder.Encode("a\x80z", out));
    Utf16::CEncoder cut(ByteForm::Utf16LittleEndian);
    EXPECT_TRUE(cut.Encode("a\xD0", out));
    EXPECT_FALSE(cut.Finished());
}

TEST(Utf16, TellsAFilesTextFromItsBytes)
{
    struct Row {
        const char* name;
        std::string bytes;
        bool singleBytes;
        ByteForm assumed;
        ByteForm form;
        bool marked;
        std::size_t badOffset;
    };
    constexpr std::size_t kText = Utf16::TextForm::kText;
    const Row rows[] = {
        {"LE mark", "\xFF\xFE" + Bytes(u"a", false), false, ByteForm::SingleBytes, ByteForm::Utf16LittleEndian, true, kText},
        {"BE mark", "\xFE\xFF" + Bytes(u"a", true), false, ByteForm::SingleBytes, ByteForm::Utf16BigEndian, true, kText},
        {"a mark alone", "\xFF\xFE", false, ByteForm::SingleBytes, ByteForm::Utf16LittleEndian, true, kText},
        {"the mark decides over the option", "\xFE\xFF" + Bytes(u"a", true), false, ByteForm::Utf16LittleEndian,
         ByteForm::Utf16BigEndian, true, kText},
        {"no mark, the option's order", Bytes(u"a", true), false, ByteForm::Utf16BigEndian, ByteForm::Utf16BigEndian,
         false, kText},
        {"odd length after the mark", "\xFF\xFE" "a", false, ByteForm::SingleBytes, ByteForm::Utf16LittleEndian, true, 2},
        {"a zero byte in single bytes", std::string("\x7F" "ELF\x02\x01\x01\x00", 8), false, ByteForm::SingleBytes,
         ByteForm::SingleBytes, false, 7},
        {"UTF-16 read as single bytes", "\xFF\xFE" + Bytes(u"a", false), true, ByteForm::SingleBytes,
         ByteForm::SingleBytes, false, 3},
        {"empty", "", false, ByteForm::SingleBytes, ByteForm::SingleBytes, false, kText},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        std::string utf8;
        const Utf16::TextForm text = Utf16::DecodeText(row.bytes, row.singleBytes, row.assumed, utf8);
        EXPECT_EQ(text.form, row.form);
        EXPECT_EQ(text.marked, row.marked);
        EXPECT_EQ(text.badOffset, row.badOffset);
    }
    // A Ctrl-Z ends a single-byte text; a zero byte anywhere, even after one, is no text.
    std::string utf8;
    const std::string longText = std::string(40, 'a') + "\x1A" + std::string(40, 'b');
    EXPECT_EQ(Utf16::DecodeText(longText, false, ByteForm::SingleBytes, utf8).endOfText, 40u);
    EXPECT_EQ(Utf16::DecodeText(longText, false, ByteForm::SingleBytes, utf8).badOffset, kText);
    EXPECT_EQ(Utf16::DecodeText(longText + std::string(1, '\0'), false, ByteForm::SingleBytes, utf8).badOffset, 81u);
    EXPECT_EQ(Utf16::DecodeText(std::string(33, 'c'), false, ByteForm::SingleBytes, utf8).endOfText, 33u);
    // The first of each, wherever in and across blocks of bytes they fall, one or both.
    std::mt19937 random(7);
    for (int round = 0; round < 300; ++round) {
        std::string bytes(random() % 400, 'a');
        for (int count = static_cast<int>(random() % 4); count > 0 && !bytes.empty(); --count) {
            bytes[random() % bytes.size()] = random() % 2 == 0 ? '\x1A' : '\0';
        }
        const Utf16::TextForm text = Utf16::DecodeText(bytes, true, ByteForm::SingleBytes, utf8);
        EXPECT_EQ(text.endOfText, std::min(bytes.find('\x1A'), bytes.size())) << round;
        EXPECT_EQ(text.badOffset, bytes.find('\0') == std::string::npos ? kText : bytes.find('\0')) << round;
    }
    // In UTF-16 the Ctrl-Z is found in the decoded text.
    utf8.clear();
    EXPECT_EQ(Utf16::DecodeText("\xFF\xFE" + Bytes(u"[Ж]\x1A" "x", false), false, ByteForm::SingleBytes, utf8).endOfText, 4u);
}

}  // namespace
