// Runs of one scheme in a row: a file is converted once, -force converts again, a
// restore undoes a run (and can itself be undone), the report tells each record's
// status, and faults during a restore leave every file as it was.

#include "platform/Platform.h"
#include "text/Json.h"

#include "RunSupport.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <map>

using testing::HasSubstr;

namespace {

using TestSupport::RunProgram;
using TestSupport::ReadFile;
using TestSupport::TempFolder;
using TestSupport::WithLineFeeds;
using TestSupport::WriteFile;

namespace fs = std::filesystem;

constexpr const char* kDoubleInPlace =
    "<Convert file=\"a.ini\"><Section section_name=\"A\"><Setting setting_name=\"k\" multiplier=\"2\"/></Section>"
    "</Convert>";
constexpr const char* kVersion1 =
    "<Convert file=\"a.ini\" scheme_id=\"doubling\"><Section section_name=\"A\"><Setting setting_name=\"k\" "
    "multiplier=\"2\"/></Section></Convert>";
constexpr const char* kVersion2 =
    "<Convert file=\"a.ini\" scheme_id=\"doubling\"><Section section_name=\"A\"><Setting setting_name=\"k\" "
    "multiplier=\"3\"/></Section></Convert>";
constexpr const char* kDoubleIntoB =
    "<Convert file=\"a.ini\" output_file=\"b.ini\"><Section section_name=\"A\"><Setting setting_name=\"k\" "
    "multiplier=\"2\"/></Section></Convert>";

// The dated folders under old_version, oldest first.
std::vector<std::string> DatedFolders(const TempFolder& folder)
{
    std::vector<std::string> folders;
    if (!fs::exists(folder.Path() / "old_version")) return folders;
    for (const auto& entry : fs::directory_iterator(folder.Path() / "old_version")) folders.push_back(entry.path().string());
    std::sort(folders.begin(), folders.end());
    return folders;
}

struct Step {
    std::vector<std::string> arguments;  // "{B0}" / "{B-1}": the oldest / newest dated folder
    int exitCode = 0;
    const char* console = "";           // a text the console must hold
    const char* edit = nullptr;          // a.ini's text written before the step
    const char* record = nullptr;        // the newest record's text written before the step
    const char* scheme = nullptr;        // the scheme's text written before the step
};

struct Row {
    const char* name;
    const char* scheme;
    const char* existingOutput;  // b.ini before the first step, or null
    std::vector<Step> steps;
    std::map<std::string, std::string> files;  // texts at the end ("" : absent), stamp lines dropped
};

std::string WithoutStamp(const std::string& text)
{
    const std::string plain = WithLineFeeds(text);
    const std::size_t stamp = plain.find("; The date and time to convert");
    if (stamp == std::string::npos) return plain;
    return plain.substr(plain.find(";\n", stamp + 3) + 2);
}

int RunStep(const TempFolder& folder, const Step& step, std::string& console)
{
    const std::vector<std::string> dated = DatedFolders(folder);
    std::vector<std::string> texts;
    const bool restore = std::find(step.arguments.begin(), step.arguments.end(), "-restore") != step.arguments.end();
    if (!restore) texts = {folder / "s.xml", "-fdir", folder.Path().string()};
    for (const std::string& argument : step.arguments) {
        if (argument == "{B0}") {
            texts.push_back(dated.front());
        } else if (argument == "{B-1}") {
            texts.push_back(dated.back());
        } else {
            texts.push_back(argument == "{R}" ? folder / "r.json" : argument);
        }
    }
    return RunProgram(texts, console);
}

TEST(Reruns, ASchemeIsAppliedOnceAndARunIsUndone)
{
    const Row rows[] = {
        {"a rerun leaves a converted file as it is", kDoubleInPlace, nullptr,
         {{}, {{}, 0, "a.ini' was converted by this scenario on "}}, {{"a.ini", "\n[A]\nk=2\n"}}},
        {"a scheme reformatted, commented and re-encoded is the scheme applied before", kDoubleInPlace, nullptr,
         {{},
          {{}, 0, "was converted by this scenario on ", nullptr, nullptr,
           "<?xml version='1.0' encoding='windows-1251'?>\n<!-- managed -->\n<Convert  file='a.ini'>\n <Section "
           "section_name = 'A'>\n  <Setting multiplier='2' setting_name='k'/>\n </Section>\n</Convert>\n"}},
         {{"a.ini", "\n[A]\nk=2\n"}}},
        {"another version of a named scheme leaves the file; -strict refuses it; -force converts", kVersion1, nullptr,
         {{},
          {{}, 0, "was converted by another version of the scenario 'doubling' on ", nullptr, nullptr, kVersion2},
          {{"-strict"}, 1, "another version of the scenario 'doubling'"},
          {{"-force"}, 0, "successfully converted"}},
         {{"a.ini", "\n[A]\nk=6\n"}}},
        {"-force converts again", kDoubleInPlace, nullptr, {{}, {{"-force"}}}, {{"a.ini", "\n[A]\nk=4\n"}}},
        {"an original put back by hand is converted again", kDoubleInPlace, nullptr,
         {{}, {{}, 0, "a.ini' successfully converted", "[A]\nk=1\n"}}, {{"a.ini", "\n[A]\nk=2\n"}}},
        {"a restored original is converted again", kDoubleInPlace, nullptr,
         {{}, {{"-restore", "{B0}"}, 0, "restored from"}, {}}, {{"a.ini", "\n[A]\nk=2\n"}}},
        {"an output edited since the run is not restored, unless forced", kDoubleInPlace, nullptr,
         {{},
          {{"-restore", "{B0}"}, 1, "files changed since the run: '", "[A]\nk=2\nmine=1\n"},
          {{"-restore", "{B0}", "-force"}, 0, "restored from"}},
         {{"a.ini", "[A]\nk=1\n"}}},
        {"a restore is undone, and the run it undid stands again", kDoubleInPlace, nullptr,
         {{}, {{"-restore", "{B0}"}}, {{"-restore", "{B-1}"}}, {{}, 0, "was converted by this scenario"}},
         {{"a.ini", "\n[A]\nk=2\n"}}},
        {"a run is undone once; undoing it again changes nothing and succeeds", kDoubleInPlace, nullptr,
         {{}, {{"-restore", "{B0}"}}, {{"-restore", "{B0}"}, 0, "was undone on "}, {{"-restore", "{B0}", "-dryrun"}, 0,
          "; nothing to restore\nERROR:0"}},
         {{"a.ini", "[A]\nk=1\n"}}},
        {"a restore previews what it would change", kDoubleInPlace, nullptr,
         {{}, {{"-restore", "{B0}", "-dryrun"}, 0, "\n-k=2\n+k=1\n"}}, {{"a.ini", "\n[A]\nk=2\n"}}},
        {"a forced restore records the edited bytes it preserved, so that it is undone in turn", kDoubleInPlace,
         nullptr,
         {{}, {{"-restore", "{B0}", "-force"}, 0, "restored from", "[A]\nk=7\n"}, {{"-restore", "{B-1}"}, 0, "is undone"}},
         {{"a.ini", "[A]\nk=7\n"}}},
        {"an existing output is backed up and comes back with the moved input", kDoubleIntoB, "[B]\nmine=1\n",
         {{}, {{"-restore", "{B0}"}, 0, "b.ini' restored from"}}, {{"a.ini", "[A]\nk=1\n"}, {"b.ini", "[B]\nmine=1\n"}}},
        {"an output the run made is removed", kDoubleIntoB, nullptr, {{}, {{"-restore", "{B0}"}, 0, "b.ini' removed"}},
         {{"a.ini", "[A]\nk=1\n"}, {"b.ini", ""}}},
        {"the newest run decides", kDoubleInPlace, nullptr,
         {{}, {{"-force"}, 0, "", "[A]\nk=5\n"}, {{}, 0, "was converted by this scenario", "[A]\nk=1\n"}},
         {{"a.ini", "[A]\nk=1\n"}}},
        {"an undone run no longer stands", kDoubleInPlace, nullptr,
         {{}, {{"-restore", "{B0}"}}, {{}, 0, "successfully converted", "[A]\nk=7\n"}}, {{"a.ini", "\n[A]\nk=14\n"}}},
        {"a damaged record stops the run, and -force converts past it", kDoubleInPlace, nullptr,
         {{}, {{}, 1, "velmarch.json] cannot be read: it is no JSON", nullptr, "{\"scheme\": "}, {{"-force"}}},
         {{"a.ini", "\n[A]\nk=4\n"}}},
        {"-strict refuses what a run would ignore",
         "<Convert file=\"a.ini\"><Section section_name=\"A\"><Setting setting_nmae=\"k\" multiplier=\"2\"/>"
         "</Section></Convert>",
         nullptr, {{{"-strict"}, 1, "unknown attribute 'setting_nmae'"}}, {{"a.ini", "[A]\nk=1\n"}}},
        {"-strict takes a warning as an error",
         "<Convert file=\"a.ini\"><Section section_name=\"A\" section_to=\"+\"/></Convert>", nullptr,
         {{{"-strict"}, 1, "-strict: 1 warning above; nothing was changed"}}, {{"a.ini", "[A]\nk=1\n"}}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        TempFolder folder;
        WriteFile(folder / "s.xml", row.scheme);
        WriteFile(folder / "a.ini", "[A]\nk=1\n");
        if (row.existingOutput != nullptr) WriteFile(folder / "b.ini", row.existingOutput);
        for (const Step& step : row.steps) {
            if (step.edit != nullptr) WriteFile(folder / "a.ini", step.edit);
            if (step.record != nullptr) WriteFile(DatedFolders(folder).back() + "/velmarch.json", step.record);
            if (step.scheme != nullptr) WriteFile(folder / "s.xml", step.scheme);
            std::string console;
            EXPECT_EQ(RunStep(folder, step, console), step.exitCode) << console;
            EXPECT_THAT(console, HasSubstr(step.console));
        }
        for (const auto& [name, text] : row.files) {
            if (text.empty()) {
                EXPECT_FALSE(fs::exists(folder / name)) << name;
            } else {
                EXPECT_EQ(WithoutStamp(ReadFile(folder / name)), text) << name;
            }
        }
    }
}

#ifndef _WIN32
// The same file through a linked folder is the same file: the rerun leaves it, and the
// record holds the real path.
TEST(Reruns, AFileReachedThroughALinkIsTheSameFile)
{
    TempFolder folder;
    WriteFile(folder / "s.xml", kDoubleInPlace);
    WriteFile(folder / "real/a.ini", "[A]\nk=1\n");
    fs::create_directory_symlink(folder / "real", folder / "link");
    std::string console;
    const auto run = [&](const char* base) { return RunProgram({folder / "s.xml", "-fdir", folder / base}, console); };
    ASSERT_EQ(run("real"), 0) << console;
    EXPECT_EQ(run("link"), 0);
    EXPECT_THAT(console, HasSubstr("was converted by this scenario on "));
    EXPECT_EQ(WithoutStamp(ReadFile(folder / "real/a.ini")), "\n[A]\nk=2\n");
    CJson record;
    for (const auto& dated : fs::directory_iterator(folder.Path() / "real/old_version")) {
        ASSERT_TRUE(CJson::Parse(ReadFile((dated.path() / "velmarch.json").string()), record));
    }
    EXPECT_EQ(record.Find("records")->Items()[0].TextOf("output"), fs::canonical(folder.Path() / "real/a.ini").string());
}
#endif

std::string StatusIn(const std::string& reportPath, std::size_t record)
{
    CJson report;
    if (!CJson::Parse(ReadFile(reportPath), report)) return "(no report)";
    const CJson* records = report.Find("records");
    if (records == nullptr || records->Items().size() <= record) return "(no record)";
    return report.TextOf("mode") + " " + report.TextOf("outcome") + " " + records->Items()[record].TextOf("status");
}

TEST(Reruns, TheReportTellsEachRecordsStatus)
{
    const char* twoFiles =
        "<Convert file=\"a.ini\"><Section section_name=\"A\"><Setting setting_name=\"k\" multiplier=\"2\"/></Section>"
        "<File name=\"c.ini\"><Section section_name=\"Z\" section_to=\"-\"/></File></Convert>";
    const struct {
        const char* name;
        std::vector<std::string> arguments;
        const char* cIni;                   // c.ini's text, or null for none
        std::vector<const char*> wanted;    // "<outcome> <status>" per record
    } rows[] = {
        // c.ini is written as it was read: unchanged.
        {"converted and unchanged", {"-report", "{R}"}, "\n[C]\n", {"run ok converted", "run ok unchanged"}},
        {"failed and not run", {"-report", "{R}", "-nobackup"}, nullptr, {"run failed not-run", "run failed failed"}},
        // The unguarded multiplier is a finding.
        {"a check converts nothing", {"-check", "-report", "{R}"}, "\n[C]\n",
         {"check failed skipped", "check failed skipped"}},
        {"a dry run tells what a run would do", {"-dryrun", "-report", "{R}"}, "\n[C]\n",
         {"dryrun ok converted", "dryrun ok unchanged"}},
        {"a missing input skipped", {"-report", "{R}", "-skipmissing"}, nullptr, {"run ok skipped", "run ok converted"}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        TempFolder folder;
        WriteFile(folder / "s.xml", twoFiles);
        WriteFile(folder / "a.ini", "[A]\nk=1\n");
        if (row.cIni != nullptr) WriteFile(folder / "c.ini", row.cIni);
        std::string console;
        RunStep(folder, {row.arguments}, console);
        for (std::size_t index = 0; index < row.wanted.size(); ++index) {
            EXPECT_EQ(StatusIn(folder / "r.json", index), row.wanted[index]) << console;
        }
    }
    // A rerun with backups: the first record was converted, the second changes nothing.
    TempFolder folder;
    WriteFile(folder / "s.xml", twoFiles);
    WriteFile(folder / "a.ini", "[A]\nk=1\n");
    WriteFile(folder / "c.ini", "[C]\n");
    std::string console;
    RunStep(folder, {}, console);
    RunStep(folder, {{"-report", "{R}"}}, console);
    EXPECT_EQ(StatusIn(folder / "r.json", 0), "run ok already-converted");
    EXPECT_EQ(StatusIn(folder / "r.json", 1), "run ok already-converted");
    // A report that cannot be written fails the run before anything changes.
    WriteFile(folder / "a.ini", "[A]\nk=1\n");
    EXPECT_EQ(RunStep(folder, {{"-force", "-report", folder / "no/r.json"}}, console), 1);
    EXPECT_THAT(console, HasSubstr("Unable to write file ["));
    EXPECT_THAT(console, HasSubstr("r.json].Error is ["));
    EXPECT_EQ(ReadFile(folder / "a.ini"), "[A]\nk=1\n");
}

// A restore stopped part-way, or one that could not mark the run undone at its end, is
// completed by the same restore again: what it put back counts as done, not as changed.
TEST(Reruns, AnInterruptedRestoreIsCompletedByTheSameRestore)
{
    const char* twoFiles = "<Convert><File name=\"a.ini\"><Section section_name=\"A\"><Setting setting_name=\"k\" "
                           "multiplier=\"2\"/></Section></File><File name=\"c.ini\"><Section section_name=\"C\">"
                           "<Setting setting_name=\"k\" multiplier=\"3\"/></Section></File></Convert>";
    struct Interruption {
        const char* name;
        Platform::WriteStep step;
        int callsToSkip;
        int exitCode;
        const char* console;
    };
    const Interruption rows[] = {
        {"the commit stopped after the first file (the first replace is its record)", Platform::WriteStep::Replace, 2, 1,
         "the restore stopped there"},
        {"the run's record could not be marked undone", Platform::WriteStep::Create, 4, 0,
         "every file is restored, but the run's record could not be marked undone"},
    };
    for (const Interruption& row : rows) {
        SCOPED_TRACE(row.name);
        TempFolder folder;
        WriteFile(folder / "s.xml", twoFiles);
        WriteFile(folder / "a.ini", "[A]\nk=1\n");
        WriteFile(folder / "c.ini", "[C]\nk=1\n");
        std::string console;
        ASSERT_EQ(RunStep(folder, {}, console), 0) << console;
        Platform::FailNextWriteStepForTesting(row.step, row.callsToSkip);
        EXPECT_EQ(RunStep(folder, {{"-restore", "{B0}"}}, console), row.exitCode) << console;
        Platform::FailNextWriteStepForTesting(Platform::WriteStep::None);
        EXPECT_THAT(console, HasSubstr(row.console));
        EXPECT_EQ(ReadFile(folder / "a.ini"), "[A]\nk=1\n");
        EXPECT_EQ(RunStep(folder, {{"-restore", "{B0}"}}, console), 0) << console;
        EXPECT_THAT(console, HasSubstr("is undone"));
        EXPECT_EQ(ReadFile(folder / "a.ini"), "[A]\nk=1\n");
        EXPECT_EQ(ReadFile(folder / "c.ini"), "[C]\nk=1\n");
        EXPECT_EQ(RunStep(folder, {{"-restore", "{B0}"}}, console), 0) << console;
        EXPECT_THAT(console, HasSubstr("; nothing to restore"));
    }
}

class RestoreFaults : public testing::TestWithParam<Platform::WriteStep> {
protected:
    void TearDown() override { Platform::FailNextWriteStepForTesting(Platform::WriteStep::None); }
};

// Every step of a restore before its commit: a fault leaves every file as it was and
// the report says the restore failed.
TEST_P(RestoreFaults, LeaveEveryFileAsItWas)
{
    TempFolder folder;
    WriteFile(folder / "s.xml", kDoubleIntoB);
    WriteFile(folder / "a.ini", "[A]\nk=1\n");
    WriteFile(folder / "b.ini", "[B]\nmine=1\n");
    std::string console;
    ASSERT_EQ(RunStep(folder, {}, console), 0) << console;
    const std::string converted = ReadFile(folder / "b.ini");
    const std::vector<std::string> before = DatedFolders(folder);

    // The report's temporary is the first file made.
    Platform::FailNextWriteStepForTesting(GetParam(), GetParam() == Platform::WriteStep::Create ? 1 : 0);
    EXPECT_EQ(RunStep(folder, {{"-restore", "{B0}", "-report", "{R}"}}, console), 1);
    Platform::FailNextWriteStepForTesting(Platform::WriteStep::None);
    EXPECT_EQ(ReadFile(folder / "b.ini"), converted);
    EXPECT_FALSE(fs::exists(folder / "a.ini"));
    EXPECT_EQ(DatedFolders(folder), before);
    for (const auto& entry : fs::recursive_directory_iterator(folder.Path())) {
        EXPECT_EQ(entry.path().filename().string().find("velmarch-"), std::string::npos) << entry.path();
    }
    EXPECT_EQ(StatusIn(folder / "r.json", 0), "restore failed not-run");
    // Nothing was undone: a restore without the fault still works.
    EXPECT_EQ(RunStep(folder, {{"-restore", "{B0}"}}, console), 0) << console;
    EXPECT_EQ(ReadFile(folder / "b.ini"), "[B]\nmine=1\n");
}

INSTANTIATE_TEST_SUITE_P(EveryStep, RestoreFaults,
                         testing::Values(Platform::WriteStep::Create, Platform::WriteStep::Write,
                                         Platform::WriteStep::Flush, Platform::WriteStep::Close,
                                         Platform::WriteStep::FolderCreate, Platform::WriteStep::Copy,
                                         Platform::WriteStep::Replace));

}  // namespace
