#include "run/InputResolution.h"

#include "TestSupport.h"
#include "actions/SectionActions.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>

using testing::HasSubstr;
using testing::StartsWith;
using testing::StrEq;
using testing::ThrowsMessage;

namespace {

using TestSupport::TempFolder;
using TestSupport::WriteFile;

FileConversion Record(const char* inputName, const char* outputName = nullptr, bool withAction = false)
{
    FileConversion record;
    if (inputName != nullptr) record.inputName = std::string(inputName);
    if (outputName != nullptr) record.outputName = std::string(outputName);
    if (withAction) record.sectionActions.Add(std::make_shared<CSectionRemoveAction>("A", false));
    return record;
}

TEST(ResolveInputPath, PlainNamesJoinTheBaseDirectory)
{
    EXPECT_EQ(ResolveInputPath("a.ini", "/base"), "/base/a.ini");
    EXPECT_EQ(ResolveInputPath("../a.ini", "/base/sub"), "/base/a.ini");
    EXPECT_EQ(ResolveInputPath("/abs/a.ini", "/base"), "/abs/a.ini");
}

TEST(ResolveInputPath, PatternFindsExactlyOneFileIgnoringCase)
{
    TempFolder folder;
    WriteFile(folder / "cfg/client_1.ini", "");
    WriteFile(folder / "cfg/readme.txt", "");
    std::filesystem::create_directory(folder.Path() / "cfg/client_2.ini");  // a folder never matches
    EXPECT_EQ(ResolveInputPath("cfg/CLIENT_[0-9]+\\.INI/", folder.Path().string()), folder / "cfg/client_1.ini");

    WriteFile(folder / "cfg/CLIENT_22.INI", "");
    EXPECT_THAT([&] { ResolveInputPath("cfg/client_[0-9]+\\.ini/", folder.Path().string()); },
                ThrowsMessage<std::runtime_error>(StrEq(
                    "could not determined input ini file: more then one file name match pattern 'client_[0-9]+\\.ini'")));
    EXPECT_THAT([&] { ResolveInputPath("cfg/none\\.ini/", folder.Path().string()); },
                ThrowsMessage<std::runtime_error>(
                    StrEq("could not determined input ini file: no file name match pattern 'none\\.ini'")));
}

TEST(ResolveInputPath, PatternWithEmptyDirectoryUsesTheBase)
{
    TempFolder folder;
    WriteFile(folder / "x", "");
    EXPECT_EQ(ResolveInputPath("/x/", folder.Path().string()), folder / "x");
}

TEST(ResolveInputPath, PatternSyntaxErrors)
{
    for (const char* name : {"a/", "abc/", "/"}) {
        EXPECT_THAT([&] { ResolveInputPath(name, "/base"); },
                    ThrowsMessage<std::runtime_error>(StrEq("invalid syntax for input ini file name as regex pattern")))
            << name;
    }
    EXPECT_THAT([] { ResolveInputPath("d/(ab/", "/base"); },
                ThrowsMessage<std::runtime_error>(StartsWith("invalid input ini file regex pattern '((ab)': ")));
}

TEST(ResolveOutputTemplate, FirstEntryTheTemplateFindsGivesTheName)
{
    TempFolder folder;
    WriteFile(folder / "settings.ini", "");
    WriteFile(folder / "New_A.cfg", "");
    WriteFile(folder / "old_new_b.cfg.bak", "");
    const std::string input = folder / "settings.ini";
    EXPECT_EQ(ResolveOutputTemplate(input, "new_*.cfg"), folder / "New_A.ini");
    EXPECT_EQ(ResolveOutputTemplate(input, "zzz_*.cfg"), folder / "zzz_*.ini");
    EXPECT_EQ(ResolveOutputTemplate(input, "*"), folder / "New_A.ini");
}

TEST(ResolvePaths, DropsAnEmptyTopRecordAndIgnoresOutputOption)
{
    TempFolder folder;
    std::vector<FileConversion> conversions;
    conversions.push_back(Record(nullptr));
    conversions.push_back(Record("b.ini"));
    CCommandLineOptions options;
    options.outputFile = std::string("ignored.ini");
    options.fileDirectory = folder.Path().string();
    const std::vector<PlannedFile> planned = ResolvePaths(options, conversions);
    ASSERT_EQ(planned.size(), 1u);
    EXPECT_EQ(planned[0].paths.input, folder / "b.ini");
    EXPECT_EQ(planned[0].paths.output, folder / "b.ini");
    EXPECT_THAT(planned[0].paths.backup, StartsWith(folder / "old_version/"));
    EXPECT_THAT(planned[0].paths.backup, testing::EndsWith("_conv/b.ini"));
}

TEST(ResolvePaths, FailuresOfTheTopRecord)
{
    CCommandLineOptions options;
    std::vector<FileConversion> none;
    EXPECT_THAT([&] { ResolvePaths(options, none); }, ThrowsMessage<std::runtime_error>(StrEq("nothing to convert")));

    std::vector<FileConversion> onlyEmpty;
    onlyEmpty.push_back(Record(nullptr));
    EXPECT_THAT([&] { ResolvePaths(options, onlyEmpty); },
                ThrowsMessage<std::runtime_error>(StrEq("nothing to convert")));

    std::vector<FileConversion> actionsWithoutFile;
    actionsWithoutFile.push_back(Record(nullptr, nullptr, true));
    EXPECT_THAT([&] { ResolvePaths(options, actionsWithoutFile); },
                ThrowsMessage<std::runtime_error>(StrEq("input ini file not specified")));

    std::vector<FileConversion> laterWithoutFile;
    laterWithoutFile.push_back(Record("a.ini"));
    laterWithoutFile.push_back(Record(nullptr));
    EXPECT_THAT([&] { ResolvePaths(options, laterWithoutFile); },
                ThrowsMessage<std::runtime_error>(StrEq("COptional::Value() uninitialized value")));
}

TEST(ResolvePaths, OutputNamesOfFirstAndLaterRecords)
{
    TempFolder folder;
    WriteFile(folder / "in/New_A.cfg", "");
    std::vector<FileConversion> conversions;
    conversions.push_back(Record("in/a.ini", "new_*.cfg"));
    conversions.push_back(Record("in/b.ini", "new_*.cfg"));
    conversions.push_back(Record("in/c.ini", "/abs//c.ini"));
    conversions.push_back(Record("in/d.ini", "out/d.ini"));
    CCommandLineOptions options;
    options.fileDirectory = folder.Path().string();
    const std::vector<PlannedFile> planned = ResolvePaths(options, conversions);
    EXPECT_EQ(planned[0].paths.output, folder / "new_*.cfg");
    EXPECT_EQ(planned[1].paths.output, folder / "in/New_A.ini");
    EXPECT_EQ(planned[2].paths.output, "/abs//c.ini");
    EXPECT_EQ(planned[3].paths.output, folder / "out/d.ini");
}

// A relative -fdir is taken from the current folder, not from the program's.
TEST(ResolvePaths, RelativeFileDirectoryIsTakenFromTheCurrentFolder)
{
    TempFolder folder;
    const std::filesystem::path previous = std::filesystem::current_path();
    std::filesystem::current_path(folder.Path());
    std::vector<FileConversion> conversions;
    conversions.push_back(Record("a.ini"));
    CCommandLineOptions options;
    options.fileDirectory = std::string("data/./sub");
    const std::vector<PlannedFile> planned = ResolvePaths(options, conversions);
    std::filesystem::current_path(previous);
    ASSERT_EQ(planned.size(), 1u);
    EXPECT_EQ(planned[0].paths.input, folder / "data/sub/a.ini");
    EXPECT_THAT(planned[0].paths.backup, StartsWith(folder / "data/sub/old_version/"));
}

TEST(ResolvePaths, InputOptionReplacesTheTopRecordsName)
{
    std::vector<FileConversion> conversions;
    conversions.push_back(Record(nullptr));
    CCommandLineOptions options;
    options.inputFile = std::string("x.ini");
    options.outputFile = std::string("y.ini");
    options.fileDirectory = std::string("/base");
    const std::vector<PlannedFile> planned = ResolvePaths(options, conversions);
    ASSERT_EQ(planned.size(), 1u);
    EXPECT_EQ(planned[0].paths.input, "/base/x.ini");
    EXPECT_EQ(planned[0].paths.output, "/base/y.ini");
}

}  // namespace
