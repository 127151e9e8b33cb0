#include "ini/IniFileImage.h"

#include "TestSupport.h"

#include <gtest/gtest.h>

#include <random>

namespace {

using TestSupport::ImageFromText;
using TestSupport::TextWithoutStamp;
using Kind = LineStep::Kind;

// Sections with keys drawn from a few names in either case, some repeated, some bare,
// some with comment lines; a CR LF file now and then.
std::string RandomSections(std::mt19937& random)
{
    const char* const keys[] = {"k", "K", "j", "kk", "Host", "host", "v"};
    const char* const values[] = {"3", "1.5", "-8", "x", "", "12"};
    const bool crLf = random() % 4 == 0;
    const std::string end = crLf ? "\r\n" : "\n";
    std::string text;
    for (const char* section : {"A", "B", "T"}) {
        text += std::string("[") + section + "]" + end;
        const int lines = static_cast<int>(random() % 7);
        for (int line = 0; line < lines; ++line) {
            if (random() % 4 == 0) text += (random() % 2 ? ";" : "#") + std::string("c") + std::to_string(line) + end;
            text += keys[random() % 7];
            if (random() % 5 != 0) text += std::string("=") + values[random() % 6];
            text += end;
        }
    }
    return text;
}

LineSteps RandomSteps(std::mt19937& random, CIniFileImage& image)
{
    const char* const names[] = {"k", "K", "host", "j", "Address", "v"};
    LineSteps steps;
    const int count = 1 + static_cast<int>(random() % 7);
    bool carries = false;
    for (int index = 0; index < count; ++index) {
        const std::string name = names[random() % 6];
        switch (random() % 7) {
        case 0: steps.push_back(LineStep::Make(Kind::SetValue, name, random() % 2 ? "new" : "")); break;
        case 1: steps.push_back(LineStep::Make(Kind::Rename, name, names[random() % 6])); break;
        case 2: steps.push_back(LineStep::Make(Kind::Remove, name)); break;
        case 3: steps.push_back(LineStep::Make(Kind::Multiply, name, "2")); break;
        case 4: steps.push_back(LineStep::Make(Kind::Divide, name, "0.5")); break;
        default:
            // Into a section outside the ones the steps run over, one such step a run.
            if (carries) break;
            carries = true;
            steps.push_back(LineStep::Make(random() % 2 ? Kind::Move : Kind::Copy, name));
            steps.back().targets.push_back(image.FindSection("T"));
        }
    }
    return steps;
}

// What later steps see of a section: each name's values, the first inserted first.
std::string Seen(CIniFileImage& image, const std::string& section)
{
    std::string seen;
    for (const char* name : {"k", "host", "j", "Address", "v", "kk"}) {
        seen += std::string(name) + ":";
        for (const CParameterImage* parameter : image.FindSection(section)->FindParameters(name)) {
            seen += std::string(image.FindSection(section)->Store().ValueOf(*parameter)) + ",";
        }
    }
    return seen;
}

// A run of steps over the lines of sections nothing has read, or two runs one after
// the other, give what each step in turn gives on sections read first: the text
// written, and what later steps see of the sections and of the target of a move or
// copy.
TEST(LineSteps, OneWalkOverUnreadLinesGivesWhatEachStepGivesOnReadSections)
{
    std::mt19937 random(17);
    for (int round = 0; round < 1000; ++round) {
        const std::string text = RandomSections(random);
        CIniFileImage unread = ImageFromText(text);
        CIniFileImage read = ImageFromText(text);
        for (const CIniSectionsImaging* section : read.Sections()) section->Parameters();
        const std::mt19937 state = random;
        const LineSteps unreadSteps = RandomSteps(random, unread);
        random = state;
        const LineSteps readSteps = RandomSteps(random, read);
        // Now and then in two runs: the second goes on from the edits of the first.
        const std::size_t split = random() % (unreadSteps.size() + 1);
        for (const char* section : {"A", "B"}) {
            unread.FindSection(section)->ApplyLineSteps(LineSteps(unreadSteps.begin(), unreadSteps.begin() + split));
            unread.FindSection(section)->ApplyLineSteps(LineSteps(unreadSteps.begin() + split, unreadSteps.end()));
            for (const LineStep& step : readSteps) read.FindSection(section)->ApplyLineSteps({step});
        }
        const std::string written = TextWithoutStamp(unread);
        ASSERT_EQ(written, TextWithoutStamp(read)) << text;
        for (const char* section : {"A", "B", "T"}) ASSERT_EQ(Seen(unread, section), Seen(read, section)) << text;
    }
}

// A section stays unread when its lines stand as written and no value the steps make
// would end with CR; the text written is the file's but for the lines changed.
TEST(LineSteps, UnreadSectionIsWrittenFromItsBytesWithTheChanges)
{
    // CR LF ends lines as the file is written on every system.
    const std::string text = "[A]\r\n;about k\r\nk=3\r\nHost=h\r\nv\r\n;about j\r\nj=1\r\n";
    CIniFileImage image = ImageFromText(text);
    CIniSectionsImaging* section = image.FindSection("A");
    section->ApplyLineSteps({LineStep::Make(Kind::Rename, "host", "Address"), LineStep::Make(Kind::Multiply, "K", "2"),
                             LineStep::Make(Kind::SetValue, "v", "1"), LineStep::Make(Kind::Remove, "k")});
    EXPECT_TRUE(section->WritesBodyAsRead());
    EXPECT_EQ(TextWithoutStamp(image), "\n[A]\nAddress=h\nv=1\n;about j\nj=1\n");
    section->ApplyLineSteps({LineStep::Make(Kind::SetValue, "j", "x\r")});
    EXPECT_FALSE(section->WritesBodyAsRead());
    EXPECT_EQ(image.GetParameterValue("A", "j", "-"), "x\r");

    // Renamed in a later run, a setting counts as inserted after one renamed before.
    CIniFileImage twice = ImageFromText("[A]\r\nk=1\r\nhost=2\r\n");
    twice.FindSection("A")->ApplyLineSteps(
        {LineStep::Make(Kind::SetValue, "v", "x"), LineStep::Make(Kind::Rename, "host", "j")});
    twice.FindSection("A")->ApplyLineSteps({LineStep::Make(Kind::Rename, "k", "j")});
    EXPECT_TRUE(twice.FindSection("A")->WritesBodyAsRead());
    EXPECT_EQ(Seen(twice, "A"), "k:host:j:2,1,Address:v:kk:");

    // A later run that leaves fewer edits (the renamed, revalued line removed) holds
    // only those, whatever another section keeps after them.
    CIniFileImage fewer = ImageFromText("[A]\r\nk=1\r\nj=2\r\n[B]\r\nk=3\r\n");
    fewer.FindSection("A")->ApplyLineSteps(
        {LineStep::Make(Kind::Rename, "k", "m"), LineStep::Make(Kind::SetValue, "m", "5")});
    fewer.FindSection("A")->ApplyLineSteps({LineStep::Make(Kind::Remove, "m")});
    fewer.FindSection("B")->ApplyLineSteps({LineStep::Make(Kind::SetValue, "k", "7")});
    EXPECT_TRUE(fewer.FindSection("A")->WritesBodyAsRead());
    EXPECT_EQ(TextWithoutStamp(fewer), "\n[A]\nj=2\n\n[B]\nk=7\n");
}

}  // namespace
