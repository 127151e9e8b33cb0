#include "engine/DatedFolder.h"

#include "platform/Platform.h"

#include "TestSupport.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

using testing::MatchesRegex;

namespace {

using TestSupport::ReadFile;
using TestSupport::TempFolder;
using TestSupport::WriteFile;

// The folder is named after the local time of the run: between two clock readings.
TEST(Backup, FolderNameIsTheLocalTimeStamp)
{
    const auto clock = [] {
        const Platform::LocalTime now = Platform::Now();
        char text[32];
        std::snprintf(text, sizeof text, "%04d%02d%02d%02d%02d%02d", now.year, now.month, now.day, now.hour, now.minute,
                      now.second);
        return std::string(text);
    };
    const std::string before = clock();
    const std::string name = BackupFolderName();
    const std::string after = clock();
    ASSERT_THAT(name, MatchesRegex("old_version/[0-9]{14}_conv"));
    const std::string stamp = name.substr(12, 14);
    EXPECT_GE(stamp, before);
    EXPECT_LE(stamp, after);
}

// The next second is counted on the calendar: across minutes, days, months, leap days,
// years and centuries.
TEST(Backup, NextSecondNameCountsOnTheCalendar)
{
    const std::pair<const char*, const char*> rows[] = {
        {"20261209120000_conv", "20261209120001_conv"}, {"20261209125959_conv", "20261209130000_conv"},
        {"20261231235959_conv", "20270101000000_conv"}, {"20240228235959_conv", "20240229000000_conv"},
        {"20230228235959_conv", "20230301000000_conv"}, {"21000228235959_conv", "21000301000000_conv"},
        {"20991231235959_conv", "21000101000000_conv"}, {"99991231235959_conv", "99991231235959_conv"},
    };
    for (const auto& [name, next] : rows) EXPECT_EQ(NextSecondName(name), next) << name;
}

// A clock set back, or a time zone behind the last run's, never names a folder that is
// not later than every dated folder of the backup roots; nothing waits for the clock.
TEST(Backup, AFreshNameIsLaterThanEveryDatedFolder)
{
    TempFolder folder;
    const std::string first = folder / "one/old_version";
    const std::string second = folder / "two/old_version";
    std::filesystem::create_directories(first + "/20991231235959_conv");
    std::filesystem::create_directories(first + "/not-dated");
    std::filesystem::create_directories(second + "/20300101000000_conv");
    EXPECT_EQ(FreshDatedFolderName("20261209120000_conv", {first, second}), "21000101000000_conv");
    EXPECT_EQ(FreshDatedFolderName("20261209120000_conv", {second}), "20300101000001_conv");
    EXPECT_EQ(FreshDatedFolderName("20300101000000_conv", {second}), "20300101000001_conv");
    EXPECT_EQ(FreshDatedFolderName("20400101000000_conv", {first + "/../../two/old_version"}), "20400101000000_conv");
    EXPECT_EQ(FreshDatedFolderName("20261209120000_conv", {folder / "missing"}), "20261209120000_conv");
}

TEST(Backup, PathBesideTheInputWithoutFileDirectory)
{
    EXPECT_EQ(BackupPathFor("/cfg/a.ini", "/prog", false, "old_version/S_conv"), "/cfg/old_version/S_conv/a.ini");
}

TEST(Backup, PathUnderTheFileDirectoryKeepsThePlaceBelowIt)
{
    const std::string folder = "old_version/S_conv";
    EXPECT_EQ(BackupPathFor("/app/cfg/a.ini", "/app", true, folder), "/app/old_version/S_conv/cfg/a.ini");
    EXPECT_EQ(BackupPathFor("/app/b.ini", "/app", true, folder), "/app/old_version/S_conv/b.ini");
    EXPECT_EQ(BackupPathFor("/other/c.ini", "/app", true, folder), "/app/old_version/S_conv/c.ini");
    EXPECT_EQ(BackupPathFor("/application/d.ini", "/app", true, folder), "/app/old_version/S_conv/d.ini");
}

TEST(Backup, PreservedCopyNeverReplacesAFile)
{
    TempFolder folder;
    WriteFile(folder / "a.ini", "new\n");
    WriteFile(folder / "old/a.ini", "old\n");
    EXPECT_NE(Platform::PreserveCopy(folder / "a.ini", folder / "old/a.ini"), 0);
    EXPECT_EQ(ReadFile(folder / "old/a.ini"), "old\n");
    EXPECT_EQ(ReadFile(folder / "a.ini"), "new\n");
}

// A file with a second name is copied, not linked: an edit made in place through the
// other name must not reach the backup.
TEST(Backup, AFileWithAnotherNameIsCopied)
{
    TempFolder folder;
    WriteFile(folder / "a.ini", "old\n");
    ASSERT_EQ(::link((folder / "a.ini").c_str(), (folder / "other.ini").c_str()), 0);
    ASSERT_EQ(Platform::PreserveCopy(folder / "a.ini", folder / "a.backup"), 0);
    WriteFile(folder / "other.ini", "edited\n");
    EXPECT_EQ(ReadFile(folder / "a.ini"), "edited\n");
    EXPECT_EQ(ReadFile(folder / "a.backup"), "old\n");
}

TEST(Backup, CopyAcrossFileSystemsKeepsContentAndPermissions)
{
    TempFolder folder;
    struct stat here {};
    struct stat there {};
    if (::stat(folder.Path().c_str(), &here) != 0 || ::stat("/dev/shm", &there) != 0 || here.st_dev == there.st_dev) {
        GTEST_SKIP() << "no second file system at /dev/shm on this machine";
    }
    const std::string input = folder / "a.ini";
    std::string content(300000, 'x');
    content += "[A]\r\nk=\xC0\r\n";
    WriteFile(input, content);
    ::chmod(input.c_str(), 0640);
    const std::string backup = "/dev/shm/velmarch-backup-test-" + std::to_string(::getpid()) + ".ini";
    ASSERT_EQ(Platform::PreserveCopy(input, backup), 0);
    EXPECT_EQ(ReadFile(input), content);
    EXPECT_EQ(ReadFile(backup), content);
    struct stat copied {};
    ASSERT_EQ(::stat(backup.c_str(), &copied), 0);
    EXPECT_EQ(copied.st_mode & 0777, 0640u);
    std::filesystem::remove(backup);
}

}  // namespace
