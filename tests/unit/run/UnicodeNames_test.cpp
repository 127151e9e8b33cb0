// Files and folders named in Cyrillic, Greek and CJK, from a UTF-8 scheme, a
// Windows-1251 scheme and the command line: converted, left alone by a rerun, named
// exactly in the report, and restored byte for byte. On Windows every name goes through
// the wide calls; on POSIX names are their bytes.

#include "engine/WholeFile.h"
#include "platform/Paths.h"
#include "platform/Platform.h"
#include "text/Json.h"

#include "RunSupport.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>

using testing::HasSubstr;

namespace {

using TestSupport::RunProgram;
using TestSupport::ReadFile;
using TestSupport::TempFolder;
using TestSupport::WithLineFeeds;
using TestSupport::WriteFile;
namespace fs = std::filesystem;

const std::string kCyrillicFolder = "\xD0\x98\xD0\xB2\xD0\xB0\xD0\xBD";                    // Иван
const std::string kCyrillicFile = "\xD1\x84\xD0\xB0\xD0\xB9\xD0\xBB.ini";                   // файл.ini
const std::string kGreekFile = "\xCE\x95\xCE\xBB\xCE\xBB\xCE\xB7\xCE\xBD\xCE\xB9\xCE\xBA\xCE\xAC.ini";  // Ελληνικά.ini
const std::string kCjkFile = "\xE6\xBC\xA2\xE5\xAD\x97.ini";                                // 漢字.ini


// Files named in UTF-8, made and read through the program's own file calls (the wide
// ones on Windows).
void WriteU8(const std::string& path, const std::string& content)
{
    Platform::CreateOneDirectory(DirectoryPart(path));
    WriteWholeFile(path, content);
    // The file this test wrote is no run's: its lock goes now.
    Platform::ReleaseHeldLocks();
}

std::string ReadU8(const std::string& path)
{
    std::string text;
    return ReadWholeText(path, text) ? text : "(unreadable)";
}

TEST(UnicodeNames, ConvertRerunReportAndRestore)
{
    TempFolder folder;
    const std::string base = folder.Path().string();
    // Names joined as text: a path object would take a narrow name in the code page.
    const auto at = [&base](const std::string& name) { return base + "/" + name; };
    const std::string cyrillic = kCyrillicFolder + "/" + kCyrillicFile;
    const std::string original = "[A]\nk=1\n";
    for (const std::string& name : {cyrillic, kGreekFile, kCjkFile}) WriteU8(at(name), original);
    // A UTF-8 scheme names two files; the top record's input comes from the command line.
    WriteFile(folder / "u.xml", "<?xml version=\"1.0\" encoding=\"utf-8\"?><Convert><Section section_name=\"A\">"
                                "<Setting setting_name=\"k\" multiplier=\"2\"/></Section><File name=\"" + cyrillic +
                                    "\"><Section section_name=\"A\"><Setting setting_name=\"k\" multiplier=\"3\"/>"
                                    "</Section></File></Convert>");
    std::string console;
    ASSERT_EQ(RunProgram({folder / "u.xml", "-fdir", base, "-f", kCjkFile, "-report", folder / "r.json"}, console), 0)
        << console;
    EXPECT_THAT(WithLineFeeds(ReadU8(at(kCjkFile))), HasSubstr("k=2"));
    EXPECT_THAT(WithLineFeeds(ReadU8(at(cyrillic))), HasSubstr("k=3"));
    CJson report;
    ASSERT_TRUE(CJson::Parse(ReadFile(folder / "r.json"), report));
    const std::string reported = report.Find("records")->Items().at(1).TextOf("input");
    EXPECT_THAT(reported, HasSubstr(kCyrillicFolder));
    EXPECT_THAT(reported, HasSubstr(kCyrillicFile));
    const std::string dated = report.Find("backup_folders")->Items().at(0).Text();

    // Where names are Unicode, a Windows-1251 scheme's Cyrillic file name is the same
    // file (on POSIX a name is its bytes, and those bytes name another file).
    if (Platform::FileNamesAreUnicode()) {
        WriteFile(folder / "w.xml", "<?xml version=\"1.0\" encoding=\"windows-1251\"?><Convert file=\"\xC8\xE2\xE0\xED/"
                                    "\xF4\xE0\xE9\xEB.ini\"><Section section_name=\"A\"><Setting setting_name=\"k\" "
                                    "multiplier=\"5\"/></Section></Convert>");
        ASSERT_EQ(RunProgram({folder / "w.xml", "-fdir", base, "-nobackup"}, console), 0) << console;
        EXPECT_THAT(WithLineFeeds(ReadU8(at(cyrillic))), HasSubstr("k=15"));
    }

    // The first scheme again leaves its files as they are.
    ASSERT_EQ(RunProgram({folder / "u.xml", "-fdir", base, "-f", kCjkFile}, console), 0) << console;
    EXPECT_THAT(console, HasSubstr("was converted by this scenario"));
    EXPECT_THAT(WithLineFeeds(ReadU8(at(kCjkFile))), HasSubstr("k=2"));

    // The restore puts the CJK file back byte for byte (the Cyrillic one changed since).
    ASSERT_EQ(RunProgram({"-restore", dated, "-force"}, console), 0) << console;
    EXPECT_EQ(ReadU8(at(kCjkFile)), original);
    EXPECT_EQ(ReadU8(at(cyrillic)), original);
    EXPECT_EQ(ReadU8(at(kGreekFile)), original);
}

// A UTF-16 file named in Cyrillic: converted in its own form and put back byte for byte.
TEST(UnicodeNames, Utf16FileNamedInCyrillic)
{
    TempFolder folder;
    const std::string path = folder.Path().string() + "/" + kCyrillicFolder + "/" + kCyrillicFile;
    const std::string original("\xFF\xFE[\0A\0]\0\r\0\n\0k\0=\0\x32\0\r\0\n\0", 22);  // [A] k=2, CR LF
    WriteU8(path, original);
    WriteFile(folder / "u.xml", "<?xml version=\"1.0\" encoding=\"utf-8\"?><Convert file=\"" + kCyrillicFolder + "/" +
                                    kCyrillicFile + "\"><Section section_name=\"a\"><Setting setting_name=\"K\" "
                                    "multiplier=\"3\"/></Section></Convert>");
    std::string console;
    ASSERT_EQ(RunProgram({folder / "u.xml", "-fdir", folder.Path().string(), "-report", folder / "r.json"}, console), 0)
        << console;
    const std::string converted = ReadU8(path);
    const std::string tail("\r\0\n\0[\0A\0]\0\r\0\n\0k\0=\0\x36\0\r\0\n\0", 24);  // k=6
    EXPECT_EQ(converted.substr(0, 4), std::string("\xFF\xFE;\0", 4));
    ASSERT_GT(converted.size(), tail.size());
    EXPECT_EQ(converted.substr(converted.size() - tail.size()), tail);
    CJson report;
    ASSERT_TRUE(CJson::Parse(ReadFile(folder / "r.json"), report));
    const std::string dated = report.Find("backup_folders")->Items().at(0).Text();
    ASSERT_EQ(RunProgram({"-restore", dated}, console), 0) << console;
    EXPECT_EQ(ReadU8(path), original);
}

}  // namespace
