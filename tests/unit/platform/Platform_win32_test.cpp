// Behaviour of the Windows build: the system's path calls, error texts, file sharing
// and the code page's letter case as the C runtime has it.

#include "text/LetterCase.h"
#include "platform/Paths.h"
#include "platform/Platform.h"
#include "engine/DatedFolder.h"
#include "xml/XmlFileBuffer.h"

#include "TestSupport.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <windows.h>

#include <cctype>
#include <clocale>

using testing::EndsWith;
using testing::StartsWith;

namespace {

using TestSupport::TempFolder;
using TestSupport::WriteFile;

TEST(Win32, LetterCaseTableEqualsTheRuntimeUnderTheRussianLocale)
{
    ASSERT_NE(std::setlocale(LC_ALL, "rus"), nullptr);
    for (int byte = 0; byte < 256; ++byte) {
        EXPECT_EQ(LetterCase::Upper(static_cast<unsigned char>(byte)), std::toupper(byte) & 0xFF) << byte;
        EXPECT_EQ(LetterCase::Lower(static_cast<unsigned char>(byte)), std::tolower(byte) & 0xFF) << byte;
    }
    std::setlocale(LC_ALL, "C");
}

TEST(Win32, CombineAndRelativeThroughTheShellCalls)
{
    EXPECT_EQ(CombinePath("D:\\a\\b", "..\\c.ini"), "D:\\a\\c.ini");
    EXPECT_EQ(CombinePath("D:\\a", ".\\x"), "D:\\a\\x");
    EXPECT_EQ(CombinePath("D:\\a\\b", "\\x.ini"), "D:\\x.ini");
    EXPECT_EQ(CombinePath("D:\\a", "\\\\server\\share\\a.ini"), "\\\\server\\share\\a.ini");
    EXPECT_EQ(RelativePath("D:\\app", "D:\\app").value(), ".");
    EXPECT_EQ(RelativePath("D:\\app", "D:\\app\\cfg").value(), ".\\cfg");
    EXPECT_FALSE(RelativePath("D:\\app\\cfg", "D:\\app").has_value());
    EXPECT_FALSE(RelativePath("C:\\app", "D:\\app").has_value());
}

TEST(Win32, LongCombinedPathsFallBackToTheTextRule)
{
    const std::string longName(400, 'n');
    EXPECT_EQ(CombinePath("D:\\base\\sub", "..\\" + longName + ".ini"), "D:\\base\\" + longName + ".ini");
}

TEST(Win32, QualifiedPaths)
{
    for (const char* path : {"D:\\a.ini", "D:a.ini", "\\\\server\\share\\a.ini", "//host/x"}) {
        EXPECT_TRUE(IsQualifiedPath(path)) << path;
    }
    for (const char* path : {"\\cfg\\a.ini", "/cfg/a.ini", "cfg\\a.ini", "a.ini"}) {
        EXPECT_FALSE(IsQualifiedPath(path)) << path;
    }
}

TEST(Win32, BackupFolderAndPaths)
{
    EXPECT_THAT(BackupFolderName(), TestSupport::FullyMatches("old_version\\\\[0-9]{14}_conv"));
    EXPECT_EQ(BackupPathFor("D:\\app\\cfg\\a.ini", "D:\\app", true, "old_version\\S_conv"),
              "D:\\app\\old_version\\S_conv\\cfg\\a.ini");
    EXPECT_EQ(BackupPathFor("E:\\other\\c.ini", "D:\\app", true, "old_version\\S_conv"),
              "D:\\app\\old_version\\S_conv\\c.ini");
    EXPECT_EQ(BackupPathFor("D:\\cfg\\a.ini", "D:\\prog", false, "old_version\\S_conv"),
              "D:\\cfg\\old_version\\S_conv\\a.ini");
}

TEST(Win32, FailedBackupCarriesTheCodeInDecimalAndHexadecimal)
{
    TempFolder folder;
    const std::string input = folder / "missing.ini";
    const int errorCode = Platform::PreserveCopy(input, folder / "b.ini");
    EXPECT_EQ(errorCode, 2);
    const std::string text = MoveErrorText(input, folder / "b.ini", errorCode);
    EXPECT_THAT(text, StartsWith("Unable to move file [" + input + "] to [" + (folder / "b.ini") + "].Error is [2]["));
    EXPECT_THAT(text, EndsWith(" (0x2)]"));
}

TEST(Win32, BackupCopyNeverReplacesAFile)
{
    TempFolder folder;
    WriteFile(folder / "a.ini", "new");
    WriteFile(folder / "b.ini", "old");
    EXPECT_NE(Platform::PreserveCopy(folder / "a.ini", folder / "b.ini"), 0);
    EXPECT_EQ(TestSupport::ReadFile(folder / "b.ini"), "old");
    EXPECT_EQ(Platform::PreserveCopy(folder / "a.ini", folder / "c.ini"), 0);
    EXPECT_EQ(TestSupport::ReadFile(folder / "c.ini"), "new");
}

// Slashes reach the shell's path calls as backslashes, so they normalise as well.
TEST(Win32, SlashesAreSeparatorsForTheShellCalls)
{
    EXPECT_EQ(CombinePath("D:/a/./b", "../c.ini"), "D:\\a\\c.ini");
    EXPECT_EQ(CombinePath("D:\\a/", "x/./y.ini"), "D:\\a\\x\\y.ini");
    EXPECT_EQ(CombinePath("D:\\w", "nosuch/../s.xml"), "D:\\w\\s.xml");
    EXPECT_EQ(RelativePath("D:/app/", "D:\\app\\cfg").value(), ".\\cfg");
    EXPECT_FALSE(RelativePath("D:/d", "D:/x").has_value());
    EXPECT_EQ(CombinePath("D:\\a", "//server/share/a.ini"), "\\\\server\\share\\a.ini");
}

TEST(Win32, SchemeHeldOpenForWritingIsUnusable)
{
    TempFolder folder;
    const std::string path = folder / "s.xml";
    WriteFile(path, "<Convert/>");
    {
        const Xml::Library::XmlFileBuffer<char> buffer(path);
        EXPECT_TRUE(buffer.usable);
        EXPECT_EQ(buffer.size, 10u);
    }
    const HANDLE writer = ::CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                        OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(writer, INVALID_HANDLE_VALUE);
    const Xml::Library::XmlFileBuffer<char> buffer(path);
    EXPECT_FALSE(buffer.usable);
    ::CloseHandle(writer);
}

TEST(Win32, ErrorTextOfAnUnknownCodeIsEmpty)
{
    EXPECT_THAT(Platform::ErrorText(2), EndsWith(" (0x2)"));
    EXPECT_EQ(Platform::ErrorText(0x3FFFFFF0), "");
}

TEST(Win32, ProgramDirectoryAndName)
{
    EXPECT_EQ(ProgramBaseName(), "velmarch_unit_tests");
    EXPECT_TRUE(IsDirectory(ProgramDirectory()));
    EXPECT_EQ(ProgramDirectory().find('/'), std::string::npos);
}

}  // namespace
