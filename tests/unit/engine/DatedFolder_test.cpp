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
