// Whole runs with one system call of the writing failing at a time: staging and backup
// faults leave every file as it was; commit faults name what was committed. Never a
// missing input, never a temporary file left.

#include "platform/Platform.h"
#include "run/Run.h"

#include "TestSupport.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <map>

using Platform::WriteStep;
using testing::HasSubstr;

namespace {

using TestSupport::CapturedConsole;
using TestSupport::ReadFile;
using TestSupport::TempFolder;
using TestSupport::WriteFile;

namespace fs = std::filesystem;

// Every regular file under the folder by its relative path, with its bytes.
std::map<std::string, std::string> FilesUnder(const fs::path& root)
{
    std::map<std::string, std::string> files;
    for (const auto& entry : fs::recursive_directory_iterator(root)) {
        if (entry.is_regular_file()) files[fs::relative(entry.path(), root).generic_string()] = ReadFile(entry.path().string());
    }
    return files;
}

int RunIn(const TempFolder& folder, bool backups)
{
    const std::string scheme = folder / "s.xml";
    const std::string directory = folder.Path().string();
    std::vector<const char*> arguments = {"velmarch", scheme.c_str(), "-fdir", directory.c_str()};
    if (!backups) arguments.push_back("-nobackup");
    return Run(static_cast<int>(arguments.size()), arguments.data());
}

enum class Phase { StageOrBackup, FirstCommitted, BothCommitted, NoneCommitted };

struct Fault {
    WriteStep step;
    int callsToSkip;
    bool backups;
    Phase phase;
    const char* message;  // what the error says, after the record's context
};

class RunFaults : public testing::TestWithParam<Fault> {
protected:
    void TearDown() override { Platform::FailNextWriteStepForTesting(WriteStep::None); }
};

// Two records: a.ini converted in place, b.ini into the new file c.ini.
TEST_P(RunFaults, NoFileIsLostOrHalfWritten)
{
    const Fault fault = GetParam();
    TempFolder folder;
    WriteFile(folder / "s.xml",
              "<Convert><File name=\"a.ini\"><Section section_name=\"A\" section_to=\"-\"/></File>"
              "<File name=\"b.ini\" output_file=\"c.ini\"><Section section_name=\"A\" section_to=\"-\"/></File></Convert>");
    WriteFile(folder / "a.ini", "[A]\nx=1\n[B]\ny=2\n");
    WriteFile(folder / "b.ini", "[A]\nx=3\n[C]\nz=4\n");
    const auto before = FilesUnder(folder.Path());

    CapturedConsole console;
    Platform::FailNextWriteStepForTesting(fault.step, fault.callsToSkip);
    EXPECT_EQ(RunIn(folder, fault.backups), 1);
    Platform::FailNextWriteStepForTesting(WriteStep::None);
    EXPECT_THAT(console.Text(), HasSubstr(fault.message));
    EXPECT_THAT(console.Text(), testing::EndsWith("\nERROR:1"));

    auto after = FilesUnder(folder.Path());
    for (const auto& file : after) EXPECT_EQ(file.first.find("velmarch-"), std::string::npos) << file.first;
    const bool anyBackup = fs::exists(folder.Path() / "old_version");
    if (fault.phase == Phase::StageOrBackup) {
        EXPECT_EQ(after, before);
        EXPECT_FALSE(anyBackup);
        return;
    }
    // A commit fault: the backups stay, each input's bytes are kept somewhere.
    EXPECT_EQ(anyBackup, fault.backups);
    const bool firstDone = fault.phase != Phase::NoneCommitted;
    const bool secondDone = fault.phase == Phase::BothCommitted;
    EXPECT_EQ(console.Text().find("a.ini' successfully converted") != std::string::npos, firstDone);
    EXPECT_EQ(console.Text().find("b.ini' successfully converted") != std::string::npos, secondDone);
    if (firstDone) {
        EXPECT_THAT(TestSupport::WithLineFeeds(ReadFile(folder / "a.ini")), testing::EndsWith(";\n\n[B]\ny=2\n"));
    } else {
        EXPECT_EQ(ReadFile(folder / "a.ini"), before.at("a.ini"));
    }
    EXPECT_EQ(ReadFile(folder / "b.ini"), before.at("b.ini"));
    EXPECT_EQ(fs::exists(folder.Path() / "c.ini"), secondDone);
}

// Another run takes each dated folder's name first: the run moves on a second at a
// time, 30 names in all, then fails with nothing changed.
TEST(DatedFolderNames, ThirtyTakenInARowFailTheRunWithNothingChanged)
{
    for (const int taken : {29, 30}) {
        SCOPED_TRACE(taken);
        TempFolder folder;
        WriteFile(folder / "s.xml", "<Convert file=\"a.ini\"><Section section_name=\"A\" section_to=\"-\"/></Convert>");
        WriteFile(folder / "a.ini", "[A]\nx=1\n[B]\n");
        fs::create_directory(folder.Path() / "old_version");
        CapturedConsole console;
        Platform::FailNextWriteStepForTesting(WriteStep::FolderTaken, 0, taken);
        const int exitCode = RunIn(folder, true);
        Platform::FailNextWriteStepForTesting(WriteStep::None);
        if (taken == 29) {
            EXPECT_EQ(exitCode, 0) << console.Text();
            continue;
        }
        EXPECT_EQ(exitCode, 1);
        EXPECT_THAT(console.Text(), HasSubstr("_conv]: 30 names in a row were taken"));
        EXPECT_EQ(ReadFile(folder / "a.ini"), "[A]\nx=1\n[B]\n");
        EXPECT_TRUE(fs::is_empty(folder.Path() / "old_version"));
    }
}

INSTANTIATE_TEST_SUITE_P(
    EveryStep, RunFaults,
    testing::Values(
        Fault {WriteStep::Create, 0, true, Phase::StageOrBackup, "Unable to create file ["},
        Fault {WriteStep::Create, 1, false, Phase::StageOrBackup, "c.ini]"},
        Fault {WriteStep::ReadOnlyTarget, 0, true, Phase::StageOrBackup, "Unable to create file ["},
        Fault {WriteStep::Write, 1, true, Phase::StageOrBackup, "Unable to write file ["},
        Fault {WriteStep::Flush, 1, false, Phase::StageOrBackup, "Unable to write file ["},
        Fault {WriteStep::Close, 0, true, Phase::StageOrBackup, "Unable to write file ["},
        Fault {WriteStep::FolderCreate, 0, true, Phase::StageOrBackup, "Unable to move file ["},
        Fault {WriteStep::Link, 1, true, Phase::StageOrBackup, "b.ini] to ["},
        Fault {WriteStep::Copy, 0, true, Phase::StageOrBackup, "Unable to move file ["},
        // With backups the run's record is put in place before the first output.
        Fault {WriteStep::Replace, 0, true, Phase::StageOrBackup, "velmarch.json]"},
        Fault {WriteStep::Write, 2, true, Phase::StageOrBackup, "velmarch.json]"},
        Fault {WriteStep::Replace, 1, true, Phase::NoneCommitted, "files not converted: '"},
        Fault {WriteStep::Replace, 1, false, Phase::FirstCommitted, "Unable to write file ["},
        Fault {WriteStep::Replace, 2, true, Phase::FirstCommitted, "c.ini]; files not converted: '"},
        Fault {WriteStep::Remove, 0, true, Phase::BothCommitted, "Unable to move file ["}));

}  // namespace
