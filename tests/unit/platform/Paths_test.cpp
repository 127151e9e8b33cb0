#include "platform/Paths.h"

#include "TestSupport.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <vector>

namespace {

using TestSupport::TempFolder;
using TestSupport::WriteFile;

// On POSIX only a leading slash makes a path qualified; a colon is an ordinary
// character there.
TEST(Paths, QualifiedPaths)
{
    const std::vector<const char*> qualified = {"//host/x", "/etc/a.ini"};
    const std::vector<const char*> relative = {"D:\\a.ini", "x:a.ini", "a//b", "\\\\server\\share\\a.ini", "\\cfg\\a.ini", "cfg\\a.ini", "a.ini", "cfg/a.ini", ""};
    for (const char* path : qualified) EXPECT_TRUE(IsQualifiedPath(path)) << path;
    for (const char* path : relative) EXPECT_FALSE(IsQualifiedPath(path)) << path;
}

TEST(Paths, CombineResolvesDotsAsText)
{
    EXPECT_EQ(CombinePath("/a/b", "../c.ini"), "/a/c.ini");
    EXPECT_EQ(CombinePath("/a/b", "..\\c.ini"), "/a/c.ini");
    EXPECT_EQ(CombinePath("/a", "./x"), "/a/x");
    EXPECT_EQ(CombinePath("/a/", "x"), "/a/x");
    EXPECT_EQ(CombinePath("/a", "../../../x"), "/x");
    EXPECT_EQ(CombinePath("/w/nosuch/../d", "a.ini"), "/w/d/a.ini");
    EXPECT_EQ(CombinePath("/a/b", "."), "/a/b");
}

TEST(Paths, CombineWithQualifiedRootedOrEmptyParts)
{
    EXPECT_EQ(CombinePath("/a", "/etc/x.ini"), "/etc/x.ini");
    EXPECT_EQ(CombinePath("/a/b", "\\x.ini"), "/x.ini");
    EXPECT_EQ(CombinePath("", "x/./y.ini"), "x/y.ini");
    EXPECT_EQ(CombinePath("/a", "sub/"), "/a/sub/");
    EXPECT_EQ(CombinePath("/a", ""), "/a");
}

TEST(Paths, CombineNeverCutsALongPath)
{
    const std::string longName(5000, 'n');
    const std::string combined = CombinePath("/base", longName + "/" + longName + ".ini");
    EXPECT_EQ(combined, "/base/" + longName + "/" + longName + ".ini");
}

TEST(Paths, RelativePathBetweenDirectories)
{
    EXPECT_EQ(RelativePath("/app", "/app").value(), ".");
    EXPECT_EQ(RelativePath("/app/", "/app/./").value(), ".");
    EXPECT_EQ(RelativePath("/app", "/app/cfg/x").value(), "./cfg/x");
    EXPECT_FALSE(RelativePath("/app", "/other").has_value());
    EXPECT_FALSE(RelativePath("/app/cfg", "/app").has_value());
    EXPECT_FALSE(RelativePath("/app", "/App/cfg").has_value());
    EXPECT_FALSE(RelativePath("/app", "/application").has_value());
}

TEST(Paths, PartsOfABareName)
{
    EXPECT_EQ(DirectoryPart("a.ini"), "");
    EXPECT_EQ(FileNamePart("a.ini"), "");
    EXPECT_EQ(DirectoryPart("/x/y\\a.ini"), "/x/y");
    EXPECT_EQ(FileNamePart("/x/y\\a.ini"), "a.ini");
    EXPECT_EQ(FileNamePart("/x/"), "");
}

TEST(Paths, CreateParentDirectoriesOfNestedAndTrailingSeparatorPaths)
{
    TempFolder folder;
    CreateParentDirectories(folder / "x/y\\z/f.ini");
    EXPECT_TRUE(std::filesystem::is_directory(folder.Path() / "x/y/z"));
    EXPECT_FALSE(std::filesystem::exists(folder.Path() / "x/y/z/f.ini"));

    CreateParentDirectories(folder / "p/q/");
    EXPECT_TRUE(std::filesystem::is_directory(folder.Path() / "p/q"));
}

TEST(Paths, CreateParentDirectoriesIgnoresAFileInTheWay)
{
    TempFolder folder;
    WriteFile(folder / "blocker", "a file\n");
    CreateParentDirectories(folder / "blocker/sub/f.ini");
    EXPECT_TRUE(std::filesystem::is_regular_file(folder.Path() / "blocker"));
    EXPECT_FALSE(IsDirectory(folder / "blocker/sub"));
}

TEST(Paths, ListDirectorySkipsDotNamesAndSortsWithoutCase)
{
    TempFolder folder;
    for (const char* name : {".hidden.ini", "b.ini", "A.ini", "c.ini"}) WriteFile(folder / name, "");
    std::filesystem::create_directory(folder.Path() / ".git");
    std::filesystem::create_directory(folder.Path() / "Sub");
    EXPECT_EQ(ListDirectory(folder.Path().string()), (std::vector<std::string>{"A.ini", "b.ini", "c.ini", "Sub"}));
    EXPECT_TRUE(ListDirectory(folder / "missing").empty());
}

TEST(Paths, ProgramDirectoryAndCurrentDirectoryDiffer)
{
    TempFolder folder;
    const auto previous = std::filesystem::current_path();
    std::filesystem::current_path(folder.Path());
    const std::string current = std::filesystem::current_path().string();
    EXPECT_EQ(AbsoluteToCurrentDirectory("s.xml"), current + "/s.xml");
    EXPECT_EQ(AbsoluteToCurrentDirectory("./x/../s.xml"), current + "/s.xml");
    EXPECT_EQ(AbsoluteToProgramDirectory("s.xml"), ProgramDirectory() + "/s.xml");
    EXPECT_EQ(AbsoluteToProgramDirectory("/abs/s.xml"), "/abs/s.xml");
    EXPECT_NE(ProgramDirectory(), current);
    std::filesystem::current_path(previous);
}

TEST(Paths, ProgramNames)
{
    EXPECT_EQ(ProgramBaseName(), "velmarch_unit_tests");
    EXPECT_TRUE(IsDirectory(ProgramDirectory()));
    EXPECT_TRUE(IsDirectory("."));
}

TEST(Paths, ToLowerFoldsCyrillicAndKeepsZeroBytes)
{
    EXPECT_EQ(ToLower("ABC\xC0\xDF\xA8z"), "abc\xE0\xFF\xB8z");
    EXPECT_EQ(ToLower(std::string("Ab\0Cd", 5)), std::string("ab\0cd", 5));
}

}  // namespace
