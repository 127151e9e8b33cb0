#include "ini/IniFileImage.h"

#include "TestSupport.h"
#include "console/Messages.h"

#include "support/TextArena.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <regex>

namespace {

using TestSupport::CapturedConsole;
using TestSupport::Warning;
using TestSupport::ImageFromText;
using TestSupport::TextWithoutStamp;

TEST(IniFileImage, SectionNamesIgnoreLetterCaseLatinAndCyrillic)
{
    CapturedConsole console;
    CIniFileImage image = ImageFromText("[Main]\nx=1\n[MAIN]\ny=2\n[\xD1\xE5\xEA\xF6\xE8\xFF]\nz=3\n");
    EXPECT_EQ(image.Sections().size(), 2u);
    ASSERT_NE(image.FindSection("main"), nullptr);
    EXPECT_EQ(image.FindSection("main")->header.Name(), "Main");
    EXPECT_NE(image.FindSection("\xF1\xC5\xCA\xD6\xC8\xDF"), nullptr);
    EXPECT_EQ(console.Text(), Warning(Messages::kRepeatedSection, "MAIN"));
}

TEST(IniFileImage, DuplicateParametersAreKeptAndTheFirstIsFound)
{
    CIniFileImage image = ImageFromText("[S]\nPort=1\nPORT=2\nport\n");
    const CIniSectionsImaging* section = image.FindSection("s");
    ASSERT_NE(section, nullptr);
    EXPECT_EQ(section->Parameters().size(), 3u);
    EXPECT_TRUE(image.HasParameter("S", "port"));
    EXPECT_EQ(image.GetParameterValue("S", "port", "d"), "1");
    EXPECT_EQ(image.GetParameterValue("S", "missing", "d"), "d");
    EXPECT_EQ(image.GetParameterValue("none", "port", "d"), "d");
    EXPECT_EQ(image.SelectParameters("S", "p.*"), std::vector<std::string>{"Port"});
}

// Names of up to four and of more bytes, ASCII and not, in both encodings: a lookup
// finds a name equal but for case, and no other, also after a rename.
TEST(IniFileImage, ParameterLookupsFoldCaseInEitherEncoding)
{
    struct Row {
        std::string lines;
        std::string name;
        std::string found;
    };
    const std::vector<Row> rows = {
        {"Host=1\nHOST2=2\n", "host", "1"},
        {"Hosx=1\nhost=2\n", "HOST", "2"},
        {"ab=1\nAB=2\n", "aB", "1"},
        {"a=1\nb=2\n", "B", "2"},
        {"Timeout=1\nTimeouT=2\n", "TIMEOUT", "1"},
        {"Timeoux=1\n", "timeout", "none"},
        {"\xCF\xEE\xF0\xF2=1\n", "\xEF\xEE\xF0\xF2", "1"},  // Windows-1251 letters
        {"\xE2\x84\xAA" "ey=1\nx=\xD0\x96\n", "KEY", "1"},  // UTF-8: the Kelvin sign folds to k
        {"key=1\nx=\xD0\x96\n", "\xE2\x84\xAA" "EY", "1"},
        {"\xC5\xBF" "ize=1\nx=\xD0\x96\n", "SIZE", "1"},  // UTF-8: the long s folds to s
        {"Size=1\nx=\xD0\x96\n", "sizf", "none"},
    };
    for (const Row& row : rows) {
        const CIniFileImage image = ImageFromText("[S]\n" + row.lines);
        EXPECT_EQ(image.GetParameterValue("S", row.name, "none"), row.found) << row.lines << " / " << row.name;
    }
    CIniFileImage renamed = ImageFromText("[S]\nHost=1\n");
    renamed.FindSection("S")->RenameParameters("host", "Address");
    EXPECT_EQ(renamed.GetParameterValue("S", "ADDRESS", "none"), "1");
    EXPECT_EQ(renamed.GetParameterValue("S", "host", "none"), "none");
}

TEST(IniFileImage, RenameAndCopyRefuseANameDifferingOnlyInCase)
{
    CapturedConsole console;
    CIniFileImage image = ImageFromText("[Main]\nx=1\n");
    EXPECT_FALSE(image.RenameSection("Main", "MAIN"));
    EXPECT_EQ(console.Take(), Warning(Messages::kCannotRenameSection, "Main", "MAIN", "MAIN"));
    EXPECT_FALSE(image.CopySection("Main", "main"));
    EXPECT_EQ(console.Take(), Warning(Messages::kCannotCopySection, "Main", "main", "main"));
    EXPECT_FALSE(image.AddSection("MAIN"));
    EXPECT_EQ(console.Take(), Warning(Messages::kSectionAlreadyExists, "MAIN"));
    ASSERT_NE(image.FindSection("Main"), nullptr);
    EXPECT_EQ(image.FindSection("Main")->Parameters().size(), 1u);
    EXPECT_FALSE(image.RenameSection("Missing", "Other"));
    EXPECT_FALSE(image.CopySection("Missing", "Other"));
    EXPECT_EQ(console.Text(), "");
}

TEST(IniFileImage, AddedAndCopiedGoLastRenamedStayInPlace)
{
    CapturedConsole console;
    CIniFileImage image = ImageFromText("; old\n[Old]\na=1\n; about b\nb\n[Other]\nc=3\n");
    ASSERT_TRUE(image.AddSection("New"));
    ASSERT_TRUE(image.AddParameter("Old", "Key", COptional<std::string>()));
    ASSERT_TRUE(image.RenameSection("Old", "Renamed"));
    ASSERT_TRUE(image.CopySection("Renamed", "Copy"));
    EXPECT_FALSE(image.AddParameter("Nowhere", "k", std::string("v")));
    EXPECT_EQ(console.Text(), Warning(Messages::kSectionNotDefined, "Nowhere", "k"));
    EXPECT_EQ(TextWithoutStamp(image),
              "\n; old\n[Renamed]\na=1\n; about b\nb\nKey\n"
              "\n[Other]\nc=3\n"
              "\n[New]\n"
              "\n[Copy]\na=1\n; about b\nb\nKey\n");
}

TEST(IniFileImage, SelectSectionsMatchesLowerCasedWholeNamesInIndexOrder)
{
    CIniFileImage image = ImageFromText("[b]\n[A2]\n[a1]\n[xa1]\n");
    EXPECT_EQ(image.SelectSections("a[0-9]"), (std::vector<std::string>{"a1", "A2"}));
    EXPECT_TRUE(image.SelectSections("A1").empty());
}

// Index order is the order names compare in, however alike their beginnings: long
// shared beginnings, a name that begins another, '_' between the letters' cases,
// Cyrillic letters of either case; and thousands of names numbered in file order, which
// differ only from their seventh to their sixteenth byte or beyond.
TEST(IniFileImage, IndexOrderIsTheOrderNamesCompareIn)
{
    const auto inIndexOrder = [](std::vector<std::string> names) {
        std::string text;
        for (const std::string& name : names) text += "[" + name + "]\nk=1\n";
        CapturedConsole console;
        const CIniFileImage image = ImageFromText(text);
        std::sort(names.begin(), names.end(), [](const std::string& left, const std::string& right) {
            return LetterCase::CompareNoCase(left, right) < 0;
        });
        EXPECT_EQ(image.SelectSections(".*"), names);
    };
    const std::string pieces[] = {"a", "B", "_", "z", "0", "\xE0", "\xC0", "\xFF", "\xB8", "Server", "SERVER0000000000"};
    std::mt19937 random(11);
    std::vector<std::string> names;
    for (int index = 0; index < 300; ++index) {
        std::string name;
        const int count = 1 + static_cast<int>(random() % 6);
        for (int piece = 0; piece < count; ++piece) name += pieces[random() % std::size(pieces)];
        bool known = false;
        for (const std::string& other : names) known = known || LetterCase::EqualNoCase(other, name);
        if (!known) names.push_back(name);
    }
    inIndexOrder(names);
    names.clear();
    for (unsigned number = 1; number < 12000; number += 1 + random() % 7) {
        const char* prefix = number % 3 == 0 ? "Server" : number % 3 == 1 ? "client_item" : "Plugin.Item.";
        names.push_back(prefix + std::to_string(number));
    }
    inIndexOrder(names);
}

TEST(IniFileImage, InvalidPatternRaisesOnlyWhenThereIsANameToTest)
{
    CIniFileImage empty;
    EXPECT_TRUE(empty.SelectSections("(").empty());
    CIniFileImage image = ImageFromText("[S]\n");
    EXPECT_TRUE(image.SelectParameters("S", "(").empty());
    EXPECT_THROW(image.SelectSections("("), std::regex_error);
}

TEST(IniFileImage, ScalingChangesEveryDuplicateAndGivesBareNamesAValue)
{
    CIniFileImage image = ImageFromText("[S]\nv=10\nV=7\nv\nw= 5\n");
    CIniSectionsImaging* section = image.FindSection("S");
    section->ApplyLineSteps({LineStep::Make(LineStep::Kind::Divide, "v", "2")});
    section->ApplyLineSteps({LineStep::Make(LineStep::Kind::Multiply, "w", "2")});
    EXPECT_EQ(TextWithoutStamp(image), "\n[S]\nv=5\nV=4\nv=0\nw= 5\n");
}

TEST(IniFileImage, EmptySectionNameIsAnOrdinaryName)
{
    CIniFileImage image;
    EXPECT_TRUE(image.AddSection(""));
    EXPECT_EQ(TextWithoutStamp(image), "\n[]\n");
}

// Texts that end a block exactly, cross into a new one, or are too large for one stay
// whole while more are kept.
TEST(TextArena, TextsStayWholeAcrossBlockBoundaries)
{
    CTextArena arena;
    std::vector<std::pair<std::string_view, std::string>> kept;
    const std::size_t sizes[] = {200, 300, 700, 900, 1100, 16000, 16000, 16000, 16000, 1536, 1, 20000, 16384, 70000, 3};
    char fill = 'a';
    for (std::size_t size : sizes) {
        const std::string text(size, fill++);
        kept.emplace_back(arena.Keep(text), text);
    }
    for (const auto& [view, text] : kept) EXPECT_EQ(std::string(view), text);
}

}  // namespace

namespace {

// A template selects anew once a section was added, removed or renamed.
TEST(IniFileImage, SelectionFollowsEveryChangeOfTheSections)
{
    CIniFileImage image = TestSupport::ImageFromText("[S1]\n[S2]\n[T]\n");
    const auto selected = [&] { return image.SelectSectionImages("s.*").size(); };
    EXPECT_EQ(selected(), 2u);
    image.RenameSection("S2", "T2");
    EXPECT_EQ(selected(), 1u);
    image.AddSection("S3");
    EXPECT_EQ(selected(), 2u);
    image.RemoveSection("S1");
    EXPECT_EQ(selected(), 1u);
}

}  // namespace
