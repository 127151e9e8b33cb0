// Permission bits and links of replaced outputs (POSIX).

#include "ini/IniFileImage.h"

#include "TestSupport.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

using testing::StrEq;
using testing::ThrowsMessage;

namespace {

using TestSupport::EntriesIn;
using TestSupport::ImageFromText;
using TestSupport::ReadFile;
using TestSupport::TempFolder;
using TestSupport::WriteFile;

unsigned ModeOf(const std::string& path)
{
    struct stat info {};
    ::stat(path.c_str(), &info);
    return info.st_mode & 07777;
}

TEST(IniWriter, UnwritableFolderAndReadOnlyOutputGiveTheCreateError)
{
    if (::geteuid() == 0) GTEST_SKIP() << "permissions do not bind root; the fault tests cover these paths";
    TempFolder folder;
    const std::string readOnly = folder / "ro.ini";
    WriteFile(readOnly, "old\n");
    ::chmod(readOnly.c_str(), 0444);
    const CIniFileImage image;
    EXPECT_THAT([&] { TestSupport::SaveImage(image, readOnly); },
                ThrowsMessage<std::runtime_error>(StrEq("Unable to create file [" + readOnly + "]")));
    EXPECT_EQ(ReadFile(readOnly), "old\n");

    const std::string lockedFolder = folder / "locked";
    std::filesystem::create_directory(lockedFolder);
    ::chmod(lockedFolder.c_str(), 0555);
    EXPECT_THAT([&] { TestSupport::SaveImage(image, lockedFolder + "/a.ini"); },
                ThrowsMessage<std::runtime_error>(StrEq("Unable to create file [" + lockedFolder + "/a.ini]")));
}

TEST(IniWriter, ExistingOutputKeepsItsPermissionBits)
{
    TempFolder folder;
    const CIniFileImage image = ImageFromText("[A]\n");
    for (unsigned mode : {0600u, 0640u, 0755u}) {
        const std::string path = folder / ("m" + std::to_string(mode) + ".ini");
        WriteFile(path, "old\n");
        ::chmod(path.c_str(), mode);
        TestSupport::SaveImage(image, path);
        EXPECT_EQ(ModeOf(path), mode);
        EXPECT_NE(ReadFile(path), "old\n");
    }
}

// Owner and group of the replaced file are kept where the process may set them.
TEST(IniWriter, ExistingOutputKeepsItsOwner)
{
    if (::geteuid() != 0) GTEST_SKIP() << "only a privileged process may give a file away";
    TempFolder folder;
    const std::string path = folder / "owned.ini";
    WriteFile(path, "old\n");
    ASSERT_EQ(::chown(path.c_str(), 4321, 4322), 0);
    const CTemporaryFile temporary = ImageFromText("[A]\n").WriteTemporary(path, {path});
    struct stat info {};
    ASSERT_EQ(::stat(temporary.Path().c_str(), &info), 0);
    EXPECT_EQ(info.st_uid, 4321u);
    EXPECT_EQ(info.st_gid, 4322u);
    TestSupport::SaveImage(ImageFromText("[B]\n"), path);
    ASSERT_EQ(::stat(path.c_str(), &info), 0);
    EXPECT_EQ(info.st_uid, 4321u);
}

TEST(IniWriter, NewOutputGetsTheDefaultPermissions)
{
    TempFolder folder;
    const mode_t mask = ::umask(022);
    TestSupport::SaveImage(CIniFileImage(), folder / "new.ini");
    ::umask(mask);
    EXPECT_EQ(ModeOf(folder / "new.ini"), 0644u);
}

TEST(IniWriter, SymbolicLinkStaysALinkAndItsTargetGetsTheText)
{
    TempFolder folder;
    WriteFile(folder / "real/target.ini", "old\n");
    std::filesystem::create_symlink("real/target.ini", folder.Path() / "link.ini");
    TestSupport::SaveImage(ImageFromText("[A]\nk=v\n"), folder / "link.ini");
    EXPECT_TRUE(std::filesystem::is_symlink(folder.Path() / "link.ini"));
    EXPECT_THAT(ReadFile(folder / "real/target.ini"), testing::EndsWith("\n[A]\nk=v\n"));
    EXPECT_EQ(EntriesIn(folder.Path() / "real"), 1u);
}

}  // namespace
