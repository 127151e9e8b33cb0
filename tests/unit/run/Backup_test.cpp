#include "run/Backup.h"

#include "TestSupport.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <regex>

using testing::MatchesRegex;
using testing::StartsWith;
using testing::ThrowsMessage;

namespace {

using TestSupport::ReadFile;
using TestSupport::TempFolder;
using TestSupport::WriteFile;

TEST(Backup, FolderNameIsTheLocalTimeStamp)
{
    EXPECT_THAT(BackupFolderName(), MatchesRegex("old_version/[0-9]{14}_conv"));
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

TEST(Backup, MoveReplacesAnOlderBackup)
{
    TempFolder folder;
    WriteFile(folder / "a.ini", "new\n");
    WriteFile(folder / "old/a.ini", "old\n");
    MoveToBackup(folder / "a.ini", folder / "old/a.ini");
    EXPECT_FALSE(std::filesystem::exists(folder.Path() / "a.ini"));
    EXPECT_EQ(ReadFile(folder / "old/a.ini"), "new\n");
}

TEST(Backup, FailedMoveNamesBothPathsAndTheErrorTwice)
{
    TempFolder folder;
    WriteFile(folder / "a.ini", "x\n");
    WriteFile(folder / "old_version", "a file\n");
    const std::string input = folder / "a.ini";
    const std::string backup = folder / "old_version/S_conv/a.ini";
    EXPECT_THAT([&] { MoveToBackup(input, backup); },
                ThrowsMessage<std::runtime_error>(
                    testing::StrEq("Unable to move file [" + input + "] to [" + backup +
                                   "].Error is [20][Not a directory (0x14)]")));
    EXPECT_EQ(ReadFile(input), "x\n");
}

TEST(Backup, MoveAcrossFileSystemsKeepsContentAndPermissions)
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
    MoveToBackup(input, backup);
    EXPECT_FALSE(std::filesystem::exists(input));
    EXPECT_EQ(ReadFile(backup), content);
    struct stat moved {};
    ASSERT_EQ(::stat(backup.c_str(), &moved), 0);
    EXPECT_EQ(moved.st_mode & 0777, 0640u);
    std::filesystem::remove(backup);
}

}  // namespace
