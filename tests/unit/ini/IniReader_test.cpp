#include "ini/IniFileImage.h"

#include "TestSupport.h"
#include "console/Messages.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <random>


using testing::StrEq;
using testing::ThrowsMessage;

namespace {

using TestSupport::CapturedConsole;
using TestSupport::Warning;
using TestSupport::ImageFromText;
using TestSupport::TextWithoutStamp;

std::string RoundTrip(const std::string& input)
{
    return TextWithoutStamp(ImageFromText(input));
}

TEST(IniReader, HeadersAreCleanedAndTheRestIgnored)
{
    EXPECT_EQ(RoundTrip("[ Main ]\na=1\n[Next] ; note\nb=2\n[\tTab\r]\nc\n"),
              "\n[Main]\na=1\n\n[Next]\nb=2\n\n[Tab]\nc\n");
}

TEST(IniReader, EmptyHeaderMakesASectionWhoseKeysAreDropped)
{
    EXPECT_EQ(RoundTrip("[]\nlost=1\n[A]\nkept=1\n"), "\n[]\n\n[A]\nkept=1\n");
}

TEST(IniReader, MalformedHeaderWarnsAndKeysGoToThePreviousSection)
{
    CapturedConsole console;
    EXPECT_EQ(RoundTrip("x=dropped\n[A]\na=1\n[Main\nb=2\n"), "\n[A]\na=1\nb=2\n");
    EXPECT_EQ(console.Take(), Warning(Messages::kParameterOutsideSection, "x") +
                                  Warning(Messages::kMalformedSectionHeader, "Main"));
    // Keys dropped for want of a section are each reported, in reading order.
    EXPECT_EQ(RoundTrip("[Bad\nk=1\n[]\nz=2\n[A]\na=1\n"), "\n[]\n\n[A]\na=1\n");
    EXPECT_EQ(console.Take(), Warning(Messages::kMalformedSectionHeader, "Bad") +
                                  Warning(Messages::kParameterOutsideSection, "k") +
                                  Warning(Messages::kParameterOutsideSection, "z"));
}

TEST(IniReader, RepeatedHeaderDropsItsKeysButPassesItsComments)
{
    CapturedConsole console;
    EXPECT_EQ(RoundTrip("[Main]\na=1\n; c1\n[main]\nb=2\n[Next]\nc=3\n"), "\n[Main]\na=1\n\n; c1\n[Next]\nc=3\n");
    EXPECT_EQ(console.Text(), Warning(Messages::kRepeatedSection, "main"));
}

// A repeated name is known only at the next header line or the file's end: whatever
// its lines hold, the result and the warnings' order are those of a name known at once.
TEST(IniReader, RepeatedHeadersWhateverFollowsThem)
{
    struct Case {
        std::string input;
        std::string output;
        std::string warnings;
    };
    const std::string repeatedA = Warning(Messages::kRepeatedSection, "a");
    const Case cases[] = {
        {"[A]\nx=1\n[a]\n", "\n[A]\nx=1\n\n[Added]\n", repeatedA},
        {"[A]\nx=1\n[a]\ny=2\n; end\n", "\n[A]\nx=1\n\n[Added]\n; end\n", repeatedA},
        {"[A]\n[a]\n; one\ny=2\n\n; two\n[B]\nz=3\n", "\n[A]\n\n; one\n; two\n[B]\nz=3\n\n[Added]\n", repeatedA},
        {"[A]\nx=1\n[a]\ny=2\n[Bad\nw=4\n[B]\n", "\n[A]\nx=1\n\n[B]\n\n[Added]\n",
         repeatedA + Warning(Messages::kMalformedSectionHeader, "Bad")},
        {"[A]\n[B]\n[Bad\nw=4\n[b]\nv=5\n", "\n[A]\n\n[B]\nw=4\n\n[Added]\n",
         Warning(Messages::kMalformedSectionHeader, "Bad") + Warning(Messages::kRepeatedSection, "b")},
        {"[A]\nx=1\n[\ra]\ny=2\n[B]\nz=3\n", "\n[A]\nx=1\n\n[B]\nz=3\n\n[Added]\n", repeatedA},
        {"[]\nk=1\n[]\nz=2\n[A]\n", "\n[]\n\n[A]\n\n[Added]\n",
         Warning(Messages::kParameterOutsideSection, "k") + Warning(Messages::kRepeatedSection, "")},
        {"[A]\n[a]\n[A]\nx=1\n[C]\nc=1\n", "\n[A]\n\n[C]\nc=1\n\n[Added]\n", repeatedA + Warning(Messages::kRepeatedSection, "A")},
    };
    for (const Case& test : cases) {
        CapturedConsole console;
        CIniFileImage image = ImageFromText(test.input);
        // A section added later still goes last.
        image.AddSection("Added");
        EXPECT_EQ(TextWithoutStamp(image), test.output) << test.input;
        EXPECT_EQ(console.Text(), test.warnings) << test.input;
    }
}

TEST(IniReader, KeyLines)
{
    // '#' as the first byte that is no blank opens a comment line; a value runs from the
    // first '=' to the end of the line, '#' included.
    const CIniFileImage image = ImageFromText("[S]\n#h=1\n \t# k=2\na=b=c # kept\n");
    EXPECT_EQ(image.GetParameterValue("S", "#h", "missing"), "missing");
    EXPECT_EQ(image.GetParameterValue("S", "# k", "missing"), "missing");
    EXPECT_EQ(image.GetParameterValue("S", "a", "missing"), "b=c # kept");
    EXPECT_EQ(RoundTrip("[S]\nkey = value\nempty=\nbare\n=novalue\na=b=c\n  ;note\n  [x]\n \t \nx=1\nx=1\n"),
              "\n[S]\nkey= value\nempty=\nbare\na=b=c\n;note\n[x]\nx=1\nx=1\n");
}

TEST(IniReader, CommentsAttachToTheNextElementAndTrailingOnesGoToTheEnd)
{
    EXPECT_EQ(RoundTrip("; first\n[A]\n; about a\na=1\n; trailing\n"), "\n; first\n[A]\n; about a\na=1\n; trailing\n");
    EXPECT_EQ(RoundTrip("# first\n[A]\n  # about a\na=1\n# trailing\n"), "\n# first\n[A]\n  # about a\na=1\n# trailing\n");
    // A file without sections keeps its comments but no earlier run's stamp.
    EXPECT_EQ(RoundTrip(";\n; The date and time to convert a settings file: 1/2\n;\n; only\n"), "; only\n");
}

TEST(IniReader, ConversionStampInFrontOfASectionIsDropped)
{
    EXPECT_EQ(RoundTrip(";\n; The date and time to convert a settings file: 20260301/90503\n;\n; kept\n[A]\na=1\n"),
              "\n; kept\n[A]\na=1\n");
    EXPECT_EQ(RoundTrip(";\n; Settings file version: 3\n;\n[A]\na=1\n"), "\n;\n[A]\na=1\n");
    EXPECT_EQ(RoundTrip("[A]\n; Settings file version: 3\n;\na=1\n"),
              "\n[A]\n; Settings file version: 3\n;\na=1\n");
    // Lines are looked at trimmed: a phrase whose closing blank is trailing white space
    // is no stamp; a stamp line with blanks around it is one.
    EXPECT_EQ(RoundTrip("; Settings file version: \t\n;\n[A]\n"), "\n; Settings file version: \t\n;\n[A]\n");
    EXPECT_EQ(RoundTrip(";\t\n; The date and time to convert a settings file: 1/2 \t\n; \n[A]\n"), "\n[A]\n");
}

TEST(IniReader, CarriageReturnsCtrlZAndByteOrderMark)
{
    EXPECT_EQ(RoundTrip("[A]\r\nx=1 \r\ny=2\x1A\nz=3\n"), "\n[A]\nx=1 \ny=2\n");
    const CIniFileImage image = ImageFromText("\xEF\xBB\xBF[A]\nx=1\n");
    ASSERT_NE(image.FindSection("A"), nullptr);
    EXPECT_EQ(image.ComposeText().substr(0, 4), "\xEF\xBB\xBF;");
}

TEST(IniReader, LinesLongerThanAReadChunkAndCtrlZLaterInTheFile)
{
    const std::string longValue(700000, 'v');
    const std::string text = "[A]\nlong=" + longValue + "\r\nnext=1\n" + std::string(300000, ';') + "\n[B]\nx=1\x1A\n[C]\n";
    const CIniFileImage image = ImageFromText(text);
    EXPECT_EQ(image.GetParameterValue("A", "long", ""), longValue);
    EXPECT_EQ(image.GetParameterValue("A", "next", ""), "1");
    EXPECT_EQ(image.GetParameterValue("B", "x", ""), "1");
    EXPECT_EQ(image.FindSection("C"), nullptr);
    ASSERT_NE(image.FindSection("B"), nullptr);
    EXPECT_EQ(image.FindSection("B")->header.commentLines.size(), 1u);
}

TEST(IniReader, TinyFilesAndAByteOrderMarkAlone)
{
    CapturedConsole console;
    EXPECT_EQ(RoundTrip("[A"), "");
    EXPECT_EQ(console.Text(), Warning(Messages::kMalformedSectionHeader, "A"));
    EXPECT_EQ(RoundTrip("\xEF\xBB"), "");
    const CIniFileImage markOnly = ImageFromText("\xEF\xBB\xBF");
    EXPECT_EQ(markOnly.ComposeText().substr(0, 4), "\xEF\xBB\xBF;");
    EXPECT_EQ(RoundTrip("[A]\nk=v"), "\n[A]\nk=v\n");
}

TEST(IniReader, ReadWriteReadIsStableApartFromTheStamp)
{
    const std::string once = RoundTrip("; c\n[B]\nk= v\n\n[A]\nbare\n; x\ny=\n");
    const std::string twice = RoundTrip(";\n; The date and time to convert a settings file: 1/2\n;" + once);
    EXPECT_EQ(once, twice);
}

// The reader removes only the CR of a CR LF line end; the writer keeps a value's own.
TEST(IniReader, ValueEndingInCarriageReturnSurvivesReadWriteRead)
{
    for (const std::string input : {"[D]\nv=\r", "[D]\r\nv=x\r\r\n", "[D]\nv=\r\r"}) {
        const CIniFileImage first = ImageFromText(input);
        const std::string value = first.GetParameterValue("D", "v", "missing");
        ASSERT_FALSE(value.empty()) << input;
        ASSERT_EQ(value.back(), '\r') << input;
        const CIniFileImage second = ImageFromText(first.ComposeText());
        EXPECT_EQ(second.GetParameterValue("D", "v", "missing"), value) << input;
    }
}

TEST(IniReader, MissingFileIsAnErrorAndLeavesTheImageEmpty)
{
    CIniFileImage image;
    EXPECT_THAT([&] { image.Load("/nonexistent/velmarch/a.ini"); },
                ThrowsMessage<std::runtime_error>(StrEq("Unable to open file \"/nonexistent/velmarch/a.ini\"")));
    EXPECT_TRUE(image.Sections().empty());
    EXPECT_EQ(image.Path(), "");
}

// The written bytes after the three stamp lines, line ends as written.
std::string BelowTheStamp(const CIniFileImage& image)
{
    const std::string text = image.ComposeText();
    std::size_t position = 0;
    for (int line = 0; line < 3; ++line) position = text.find('\n', position) + 1;
    return text.substr(position);
}

// A section nothing asked about is copied as the file holds it only where reading
// and writing it would give the same bytes: for every kind of irregular line, the text
// is the same whether every section was read or none.
TEST(IniReader, SectionsLeftUnreadWriteAsReadOnesDo)
{
    const char* const texts[] = {
        "[A]\nk = v\nj=w\n",
        "[A]\n k=v\n",
        "[A]\nk=v\n\nj=w\n",
        "[A]\nk=v\r\nj=w\n",
        "[A]\r\nk=v\r\nj=w\n",
        "[A]\r\nk=v\r\n;c\nj=w\r\n",
        "[A]\nk\r=v\nj=1\n",
        "[A]\nk=v\r\rw\nj=1\n",
        "[A]\n=v\nk=1\n",
        "[A]\nk=1\n\r\nj=2\n",
        "[A]\nk=1\n[broken\nj=2\n",
        "[A]\nk=1\n;c\n\n[B]\nj=2\n",
        "[A]\nk=1\nj=2",
        "[A]\nk=1\n; The date and time to convert a settings file: 20260101/000000\nj=2\n",
        "[A]\nk=1\x1Aj=2\n",
        "\xEF\xBB\xBF[A]\nk=1\n",
        "[A]\nk=1 \nj\t\n",
        "[A]\n  # note\nk=1\n",
        "[A]\nk=1\n[a]\nj=2\n[B]\nm=3\n",
        "x=1\n[A]\nk=1\n[]\nz=1\n",
        "[A]\nk=1\n;c1\n;c2\nj=2\n\n\n[B]\n",
    };
    for (const char* text : texts) {
        CapturedConsole console;
        const CIniFileImage unread = ImageFromText(text);
        const CIniFileImage read = ImageFromText(text);
        for (const CIniSectionsImaging* section : read.Sections()) section->Parameters();
        EXPECT_EQ(BelowTheStamp(unread), BelowTheStamp(read)) << text;
    }
}

// Rescaling the values of a section nothing has read keeps it unread; the text, and
// what later steps see, are what they are when the section was read first.
TEST(IniReader, ValueStepsOnUnreadSectionsGiveWhatTheyGiveOnReadOnes)
{
    struct Case {
        const char* text;
        // 'm' multiply k by 2, 'd' divide k by 4, 'c' copy A to C, 'r' read A, 'b' multiply
        // k of B by 3
        const char* steps;
    };
    const Case cases[] = {
        {"[A]\nk=3\nj=1\nK=5\nk\n[B]\nk=7\n", "bm"},
        {"[B]\nk=7\nk=1\n[A]\nk=3\nj=1\n", "bmr"},
        {"[A]\r\nk=3\r\nj=x\r\nk=1.5e3\r\n", "md"},
        {"[A]\nj=1\nk= 8 \n;c\nk=abc\n", "mm"},
        {"[A]\nk=3\nk=4", "m"},
        {"[A]\n k=3\nk=4\n", "m"},
        {"[A]\nk=3\n\nk=4\n", "m"},
        {"[A]\nk=3\n", "mc"},
        {"[A]\nk=3\nj=2\n", "mrm"},
        {"[A]\nj=2\n", "m"},
        {"[A]\nk=12\nk=2\n[C]\n", "dc"},
        // Only lines that begin as the name may be its; a UTF-8 letter may fold to it.
        {"[A]\nK=3\nkk=4\n;k=5\n#k=6\nj=k\nk\n", "m"},
        {"[A]\n\xE2\x84\xAA=3\nj=1\nk=2\n\xC3\xA9=1\n", "m"},
    };
    for (const Case& test : cases) {
        CapturedConsole console;
        CIniFileImage unread = ImageFromText(test.text);
        CIniFileImage read = ImageFromText(test.text);
        for (const CIniSectionsImaging* section : read.Sections()) section->Parameters();
        for (CIniFileImage* image : {&unread, &read}) {
            for (const char* step = test.steps; *step != '\0'; ++step) {
                CIniSectionsImaging* section = image->FindSection(*step == 'b' ? "B" : "A");
                if (*step == 'm') section->ApplyLineSteps({LineStep::Make(LineStep::Kind::Multiply, "K", "2")});
                if (*step == 'b') section->ApplyLineSteps({LineStep::Make(LineStep::Kind::Multiply, "k", "3")});
                if (*step == 'd') section->ApplyLineSteps({LineStep::Make(LineStep::Kind::Divide, "k", "4")});
                if (*step == 'c') image->CopySection("A", "D");
                if (*step == 'r') section->Parameters();
            }
        }
        EXPECT_EQ(BelowTheStamp(unread), BelowTheStamp(read)) << test.text << test.steps;
        EXPECT_EQ(unread.GetParameterValue("A", "k", "-"), read.GetParameterValue("A", "k", "-")) << test.text;
    }
}

#ifndef _WIN32
// A settings file another program wrote to while it was being converted is not
// written out from bytes of no one moment.
TEST(IniReader, FileChangedWhileConvertedIsAnError)
{
    TestSupport::TempFolder folder;
    const std::string path = folder / "input.ini";
    TestSupport::WriteFile(path, "[A]\nk=1\n");
    CIniFileImage image;
    image.Load(path);
    EXPECT_TRUE(image.StillAsRead());
    TestSupport::WriteFile(path, "[A]\nk=1\nj=2\n");
    EXPECT_FALSE(image.StillAsRead());
    EXPECT_THAT([&] { image.ComposeText(); },
                ThrowsMessage<std::runtime_error>(
                    StrEq("Unable to read file [" + path + "]: the file changed while it was converted")));
}
#endif

}  // namespace

namespace {

// A settings text of random lines: headers (new, repeated, empty, broken), keys that
// stand as written and keys that do not, comments, empty lines, CRs and the stamp.
std::string RandomSettingsText(std::mt19937& random)
{
    static const char* const lines[] = {
        "[A]", "[a]", "[B]", "[C]", "[]", "[broken", " [X]", "k=1", "key=value", "Host=h", "j", ";note", "#x",
        "  # note", "", "k = 2", " k=3", "=v", "k ", "k\r=1", "v=\r", ";",
        "; The date and time to convert a settings file: 1"};
    const bool crLf = random() % 3 == 0;
    std::string text;
    const int count = static_cast<int>(random() % 40);
    for (int index = 0; index < count; ++index) {
        // Mostly new headers and lines that stand, so that many sections are plain.
        const unsigned kind = random() % 10;
        const std::size_t pick = kind < 2 ? random() % 4 : kind < 8 ? 7 + random() % 6 : random() % 23;
        text += lines[pick];
        text += crLf && random() % 20 != 0 ? "\r\n" : "\n";
    }
    if (random() % 5 == 0 && !text.empty()) text.pop_back();
    return text;
}

struct ReadOutcome {
    std::string console;
    std::string written;
    std::string settings;
    // Written again once every section was read.
    std::string writtenRead;
};

ReadOutcome ReadAs(const std::string& text, bool lineByLine)
{
    CIniFileImage::ReadLineByLineForTesting(lineByLine);
    ReadOutcome outcome;
    {
        CapturedConsole console;
        const CIniFileImage image = ImageFromText(text);
        outcome.written = BelowTheStamp(image);
        for (const CIniSectionsImaging* section : image.Sections()) {
            outcome.settings += "[" + std::string(section->header.Name()) + "]";
            for (const CParameterImage& parameter : section->ParametersInOrder()) {
                outcome.settings += std::to_string(parameter.orderNumber) + " " +
                                    std::string(section->Store().NameOf(parameter)) + ";";
            }
        }
        outcome.writtenRead = BelowTheStamp(image);
        outcome.console = console.Text();
    }
    CIniFileImage::ReadLineByLineForTesting(false);
    return outcome;
}

}  // namespace

// The reader looks only for headers and tells most sections' lines from their bytes;
// what it makes of a text (warnings, text written, settings and the order they are
// written in) is what reading every line one by one makes of it, and reading the
// settings of every section changes nothing written.
TEST(IniReader, ReadsAsALineByLineReadingDoes)
{
    std::mt19937 random(5);
    for (int round = 0; round < 1500; ++round) {
        const std::string text = RandomSettingsText(random);
        const ReadOutcome fast = ReadAs(text, false);
        const ReadOutcome slow = ReadAs(text, true);
        EXPECT_EQ(fast.console, slow.console) << text;
        EXPECT_EQ(fast.written, slow.written) << text;
        EXPECT_EQ(fast.settings, slow.settings) << text;
        EXPECT_EQ(fast.writtenRead, fast.written) << text;
    }
}
