// Temporaries: the object removes its file unless it was put in place, and a clean-up
// removes only the program's own left-overs: exact name shapes of the files the run
// writes, regular files, and never one that a live run holds.

#include "engine/TemporaryFile.h"
#include "platform/Platform.h"

#include "TestSupport.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace {

using TestSupport::ReadFile;
using TestSupport::TempFolder;
using TestSupport::WriteFile;
namespace fs = std::filesystem;

TEST(TemporaryFile, NameShapes)
{
    const struct {
        const char* name;
        bool temporary;
    } rows[] = {
        {".a.ini.velmarch-123-AbC9xZ", true},
        {".a.ini.velmarch-123-AbC9x", false},
        {".a.ini.velmarch-123-AbC9xZ7", false},
        {".a.ini.velmarch--AbC9xZ", false},
        {".a.ini.velmarch-12a-AbC9xZ", false},
        {".a.ini.velmarch-123-AbC-xZ", false},
        {"a.ini.velmarch-123-copy", true},
        {"a.ini.velmarch-123-copy2", false},
        {"a.ini.velmarch-123-7.tmp", true},
        {"a.ini.velmarch-123-.tmp", false},
        {".b.ini.velmarch-123-AbC9xZ", false},
        {"..a.ini.velmarch-123-AbC9xZ", false},
        {"a.ini", false},
    };
    for (const auto& row : rows) EXPECT_EQ(IsTemporaryNameOf(row.name, "a.ini"), row.temporary) << row.name;
}

TEST(TemporaryFile, CleanUpTakesOnlyAbandonedLeftOversOfTheFilesWritten)
{
    TempFolder folder;
    WriteFile(folder / ".a.ini.velmarch-31000-AbC9xZ", "stale");
    WriteFile(folder / "a.ini.velmarch-31000-copy", "stale copy");
    WriteFile(folder / ".notes.txt.velmarch-31000-backup", "the user's");
    WriteFile(folder / ".a.ini.velmarch-31000-backup1", "the user's");
    fs::create_directory(folder / ".a.ini.velmarch-31000-Folder");
    fs::create_symlink(folder / "a.ini.velmarch-31000-copy", folder / ".a.ini.velmarch-31000-Linked");
    // A live temporary of another run: it carries a lock.
    Platform::TempFile live;
    ASSERT_TRUE(Platform::CreateTempFileBeside(folder / "a.ini", live));
    Platform::CloseFile(live);

    RemoveLeftTemporaries(folder.Path().string(), {"a.ini"});
    EXPECT_FALSE(fs::exists(folder / ".a.ini.velmarch-31000-AbC9xZ"));
    EXPECT_TRUE(fs::exists(folder / ".notes.txt.velmarch-31000-backup"));
    EXPECT_TRUE(fs::exists(folder / ".a.ini.velmarch-31000-backup1"));
    EXPECT_TRUE(fs::is_directory(folder / ".a.ini.velmarch-31000-Folder"));
    EXPECT_TRUE(fs::is_symlink(folder / ".a.ini.velmarch-31000-Linked"));
    EXPECT_TRUE(fs::exists(live.path));
    Platform::RemoveFile(live.path);

    // In a dated folder: backup copies and record temporaries, at any depth.
    WriteFile(folder / "old/cfg/x.ini.velmarch-5-copy", "copy");
    WriteFile(folder / "old/.velmarch.json.velmarch-5-AAAAAA", "{");
    WriteFile(folder / "old/cfg/x.ini", "backup");
    // A link planted inside a dated folder, or as one, is never followed.
    WriteFile(folder / "elsewhere/y.ini.velmarch-6-copy", "someone's");
    fs::create_directory_symlink(folder / "elsewhere", folder / "old/cfg/linked");
    fs::create_directory_symlink(folder / "elsewhere", folder / "planted");
    RemoveLeftTemporariesBelow(folder / "old");
    EXPECT_FALSE(fs::exists(folder / "old/cfg/x.ini.velmarch-5-copy"));
    EXPECT_FALSE(fs::exists(folder / "old/.velmarch.json.velmarch-5-AAAAAA"));
    EXPECT_EQ(ReadFile(folder / "old/cfg/x.ini"), "backup");
    RemoveLeftTemporariesBelow(folder / "planted");
    EXPECT_EQ(ReadFile(folder / "elsewhere/y.ini.velmarch-6-copy"), "someone's");
}

TEST(TemporaryFile, RemovedUnlessPutInPlace)
{
    TempFolder folder;
    WriteFile(folder / "a.ini", "old");
    std::string kept;
    {
        Platform::TempFile staged;
        ASSERT_TRUE(Platform::CreateTempFileBeside(folder / "a.ini", staged));
        Platform::CloseFile(staged);
        CTemporaryFile dropped(staged.path);
        kept = staged.path;
    }
    EXPECT_FALSE(fs::exists(kept));
    Platform::TempFile staged;
    ASSERT_TRUE(Platform::CreateTempFileBeside(folder / "a.ini", staged));
    ASSERT_TRUE(Platform::WriteAll(staged, "new", 3));
    Platform::CloseFile(staged);
    CTemporaryFile placed(staged.path);
    EXPECT_TRUE(placed.PutInPlace(folder / "a.ini"));
    EXPECT_TRUE(placed.Empty());
    EXPECT_EQ(ReadFile(folder / "a.ini"), "new");
    Platform::ReleaseHeldLocks();
}

// More runs than one system call takes, empty ones among them, each a different length.
TEST(TemporaryFile, RunsAreWrittenInTheirOrder)
{
    TempFolder folder;
    std::vector<std::string> texts;
    std::string expected;
    for (int index = 0; index < 2500; ++index) {
        const auto size = static_cast<std::size_t>(index % 7 == 0 ? 0 : index % 13 + 1);
        texts.emplace_back(size, static_cast<char>('a' + index % 26));
        expected += texts.back();
    }
    const std::vector<std::string_view> runs(texts.begin(), texts.end());
    Platform::TempFile staged;
    ASSERT_TRUE(Platform::CreateTempFileBeside(folder / "a.ini", staged));
    ASSERT_TRUE(Platform::WriteAllRuns(staged, runs.data(), runs.size()));
    ASSERT_TRUE(Platform::WriteAllRuns(staged, runs.data(), 0));
    Platform::CloseFile(staged);
    CTemporaryFile placed(staged.path);
    ASSERT_TRUE(placed.PutInPlace(folder / "a.ini"));
    EXPECT_EQ(ReadFile(folder / "a.ini"), expected);
    Platform::ReleaseHeldLocks();
}

}  // namespace
