#include "run/ConvertFiles.h"

#include "TestSupport.h"
#include "actions/SectionActions.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

using testing::HasSubstr;

namespace {

using TestSupport::TempFolder;
using TestSupport::WriteFile;

PlannedFile Planned(const std::string& input)
{
    PlannedFile file;
    file.conversion.sectionActions.Add(std::make_shared<CSectionRemoveAction>("A", false));
    file.paths.input = input;
    file.paths.output = input;
    return file;
}

// A file that cannot be read stops the conversion: the files before it are converted,
// the ones after it keep their paths for the report and are not read.
TEST(ConvertAll, StopsAtTheFirstFailureAndKeepsEveryFilesPaths)
{
    TempFolder folder;
    WriteFile(folder / "a.ini", "[A]\nk=1\n[B]\n");
    WriteFile(folder / "c.ini", "[A]\n");
    std::vector<PlannedFile> planned;
    for (const char* name : {"a.ini", "missing.ini", "c.ini"}) planned.push_back(Planned(folder / name));

    const ConvertedFiles converted = ConvertAll(std::move(planned), {}, true);
    ASSERT_EQ(converted.files.size(), 3u);
    ASSERT_TRUE(converted.failure.has_value());
    EXPECT_EQ(converted.failure->inputPath, folder / "missing.ini");
    EXPECT_THAT(converted.failure->what(), HasSubstr("missing.ini"));
    EXPECT_EQ(converted.files[0].image.ComposeText().find("[A]"), std::string::npos);
    EXPECT_EQ(converted.files[0].inputSha256.size(), 64u);
    EXPECT_EQ(converted.files[2].paths.input, folder / "c.ini");
    EXPECT_TRUE(converted.files[2].image.Text().empty());
}

}  // namespace
