// Whole runs on what only POSIX offers to a test: pipes, links, file modes, unreadable
// files. Each either converts as it should or fails with a clear error and every file
// as it was.

#include "run/Run.h"

#include "TestSupport.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <functional>

using testing::HasSubstr;

namespace {

using TestSupport::CapturedConsole;
using TestSupport::ReadFile;
using TestSupport::TempFolder;
using TestSupport::WriteFile;

namespace fs = std::filesystem;

const char* const kScheme =
    "<Convert file=\"a.ini\"><Section section_name=\"A\"><Setting setting_name=\"k\" multiplier=\"2\"/></Section></Convert>";

struct Case {
    const char* name;
    std::function<void(const TempFolder&)> prepare;  // after s.xml and a.ini ([A] k=1) are written
    std::vector<std::string> arguments;              // after the scheme; "{W}" is the folder
    int exitCode;
    const char* console;                             // a part of the console text
    std::function<void(const TempFolder&)> check;
};

int RunCase(const TempFolder& folder, const Case& row, std::string& console)
{
    CapturedConsole captured;
    std::vector<std::string> texts = {"velmarch", folder / "s.xml", "-fdir", folder.Path().string()};
    for (const std::string& argument : row.arguments) {
        std::string text = argument;
        const std::size_t at = text.find("{W}");
        if (at != std::string::npos) text.replace(at, 3, folder.Path().string());
        texts.push_back(text);
    }
    std::vector<const char*> arguments;
    for (const std::string& text : texts) arguments.push_back(text.c_str());
    const int exitCode = ::Run(static_cast<int>(arguments.size()), arguments.data());
    console = captured.Text();
    return exitCode;
}

unsigned ModeOf(const std::string& path)
{
    struct stat info {};
    ::stat(path.c_str(), &info);
    return info.st_mode & 07777;
}

TEST(TransactionPosix, OddInputsAndFileAttributes)
{
    const Case cases[] = {
        {"a pipe is refused at once",
         [](const TempFolder& f) { ASSERT_EQ(::mkfifo((f / "p.ini").c_str(), 0600), 0); }, {"-f", "p.ini"}, 1,
         "Unable to open file", nullptr},
        {"a read error is no end of file", nullptr, {"-f", "/proc/self/mem", "-o", "out.ini"}, 1,
         "Unable to read file [/proc/self/mem]", [](const TempFolder& f) { EXPECT_FALSE(fs::exists(f / "out.ini")); }},
        {"two inputs that would share one backup are refused before anything changes",
         [](const TempFolder& f) {
             WriteFile(f / "s.xml", "<Convert><File name=\"a.ini\"><Section section_name=\"A\" section_to=\"B\"/></File>"
                                    "<File name=\"" + f / "../" + f.Path().filename().string() + "-other/a.ini" +
                                    "\"><Section section_name=\"A\" section_to=\"C\"/></File></Convert>");
             WriteFile(f.Path().string() + "-other/a.ini", "[A]\nk=2\n");
         },
         {}, 1, "two input files would share one backup file [",
         [](const TempFolder& f) {
             EXPECT_EQ(ReadFile(f.Path().string() + "-other/a.ini"), "[A]\nk=2\n");
             fs::remove_all(f.Path().string() + "-other");
         }},
        {"a colon is an ordinary character",
         [](const TempFolder& f) { WriteFile(f / "x:a.ini", "[A]\nk=3\n"); }, {"-f", "x:a.ini", "-nobackup"}, 0,
         "x:a.ini' successfully converted",
         [](const TempFolder& f) { EXPECT_THAT(ReadFile(f / "x:a.ini"), testing::EndsWith("k=6\n")); }},
        {"a private file stays private, its backup holds the old text",
         [](const TempFolder& f) { ::chmod((f / "a.ini").c_str(), 0600); }, {}, 0, "successfully converted",
         [](const TempFolder& f) {
             EXPECT_EQ(ModeOf(f / "a.ini"), 0600u);
             for (const auto& entry : fs::recursive_directory_iterator(f.Path() / "old_version")) {
                 if (entry.is_regular_file() && entry.path().filename() != "velmarch.json") {
                     EXPECT_EQ(ReadFile(entry.path().string()), "[A]\nk=1\n");
                 }
             }
         }},
        {"a linked input stays a link; its target is converted",
         [](const TempFolder& f) {
             fs::create_directory(f.Path() / "real");
             fs::rename(f.Path() / "a.ini", f.Path() / "real/a.ini");
             fs::create_symlink("real/a.ini", f.Path() / "a.ini");
         },
         {}, 0, "successfully converted",
         [](const TempFolder& f) {
             EXPECT_TRUE(fs::is_symlink(f.Path() / "a.ini"));
             EXPECT_THAT(ReadFile(f / "real/a.ini"), testing::EndsWith("k=2\n"));
         }},
        {"a replaced output keeps its own mode, not its input's",
         [](const TempFolder& f) {
             ::chmod((f / "a.ini").c_str(), 0600);
             WriteFile(f / "b.ini", "[B]\n");
             ::chmod((f / "b.ini").c_str(), 0640);
         },
         {"-o", "b.ini", "-nobackup"}, 0, "successfully converted",
         [](const TempFolder& f) { EXPECT_EQ(ModeOf(f / "b.ini"), 0640u); }},
        {"a new output takes the mode of its input",
         [](const TempFolder& f) { ::chmod((f / "a.ini").c_str(), 0640); }, {"-o", "b.ini", "-nobackup"}, 0,
         "successfully converted", [](const TempFolder& f) { EXPECT_EQ(ModeOf(f / "b.ini"), 0640u); }},
    };
    for (const Case& row : cases) {
        SCOPED_TRACE(row.name);
        TempFolder folder;
        WriteFile(folder / "s.xml", kScheme);
        WriteFile(folder / "a.ini", "[A]\nk=1\n");
        if (row.prepare) row.prepare(folder);
        std::string console;
        const int exitCode = RunCase(folder, row, console);
        EXPECT_EQ(exitCode, row.exitCode) << console;
        EXPECT_THAT(console, HasSubstr(row.console));
        if (row.exitCode == 1) {
            EXPECT_EQ(ReadFile(folder / "a.ini"), "[A]\nk=1\n");
        }
        if (row.check) row.check(folder);
    }
}

// A scheme holding a zero byte is no text: refused naming the offset, before anything
// changes.
TEST(TransactionPosix, ZeroByteInASchemeRefusesItNamingTheOffset)
{
    TempFolder folder;
    static const char kWithZero[] = "<Convert file=\"a.ini\0x\"><Section section_name=\"A\" section_to=\"-\"/></Convert>";
    WriteFile(folder / "s.xml", std::string(kWithZero, sizeof kWithZero - 1));
    WriteFile(folder / "a.ini", "[A]\nk=1\n");
    CapturedConsole captured;
    const std::string scheme = folder / "s.xml";
    const std::string directory = folder.Path().string();
    const char* arguments[] = {"velmarch", scheme.c_str(), "-fdir", directory.c_str()};
    EXPECT_EQ(::Run(4, arguments), 1);
    EXPECT_THAT(captured.Text(), HasSubstr("XML schema file '" + scheme + "': Unable to read file [" + scheme +
                                           "]: it is not a text file (a zero byte at offset 20)\nERROR:1"));
    EXPECT_EQ(ReadFile(folder / "a.ini"), "[A]\nk=1\n");
    EXPECT_FALSE(fs::exists(folder.Path() / "old_version"));
}

// Two runs in one second: two backup folders, each holding what its run read.
TEST(TransactionPosix, TwoRunsInOneSecondKeepTwoBackups)
{
    TempFolder folder;
    WriteFile(folder / "s.xml", kScheme);
    WriteFile(folder / "a.ini", "[A]\nk=1\n");
    // The second run converts again only when forced: the record says it ran before.
    const Case plain {"", nullptr, {}, 0, "", nullptr};
    const Case forced {"", nullptr, {"-force"}, 0, "", nullptr};
    std::string console;
    ASSERT_EQ(RunCase(folder, plain, console), 0) << console;
    ASSERT_EQ(RunCase(folder, forced, console), 0) << console;
    std::vector<std::string> backups;
    for (const auto& entry : fs::directory_iterator(folder.Path() / "old_version")) {
        backups.push_back(TestSupport::WithLineFeeds(ReadFile((entry.path() / "a.ini").string())));
    }
    ASSERT_EQ(backups.size(), 2u);
    std::sort(backups.begin(), backups.end());
    EXPECT_EQ(backups[1], "[A]\nk=1\n");
    EXPECT_THAT(backups[0], testing::EndsWith("\n[A]\nk=2\n"));
    EXPECT_THAT(ReadFile(folder / "a.ini"), testing::EndsWith("k=4\n"));
}

}  // namespace
