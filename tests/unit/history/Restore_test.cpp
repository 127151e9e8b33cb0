// -restore trusts nothing it reads: each tampered record, backup or folder is refused
// naming the reason, before anything changes.

#include "history/Restore.h"
#include "platform/Platform.h"
#include "text/Json.h"

#include "RunSupport.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <functional>

using testing::HasSubstr;

namespace {

using TestSupport::RunProgram;
using TestSupport::ReadFile;
using TestSupport::TempFolder;
using TestSupport::WriteFile;
namespace fs = std::filesystem;

constexpr const char* kDoubleIntoB =
    "<Convert file=\"a.ini\" output_file=\"b.ini\"><Section section_name=\"A\"><Setting setting_name=\"k\" "
    "multiplier=\"2\"/></Section></Convert>";


std::string OnlyDatedFolder(const TempFolder& folder)
{
    std::vector<std::string> found;
    for (const auto& entry : fs::directory_iterator(folder.Path() / "old_version")) found.push_back(entry.path().string());
    return found.size() == 1 ? found.front() : std::string();
}

// Sets one member of the record's first entry (or of the record, for a key without '.').
void EditRecord(const std::string& dated, const std::string& key, CJson value)
{
    CJson record;
    ASSERT_TRUE(CJson::Parse(ReadFile(dated + "/velmarch.json"), record));
    if (key.rfind("records.", 0) == 0) {
        record.Find("records")->Items()[0].Set(key.substr(8), std::move(value));
    } else {
        record.Set(key, std::move(value));
    }
    WriteFile(dated + "/velmarch.json", record.Dump());
}

TEST(Restore, ATamperedRecordIsRefusedBeforeAnythingChanges)
{
    using Edit = std::function<void(const TempFolder&, const std::string&)>;
    const auto set = [](const char* key, CJson value) {
        return Edit([key, value](const TempFolder&, const std::string& dated) { EditRecord(dated, key, value); });
    };
    const struct {
        const char* name;
        Edit edit;
        const char* reason;
    } rows[] = {
        {"a member of another type", set("records.output_existed", "true"), "'records[0].output_existed' is not true"},
        {"a record that is no JSON", [](const TempFolder&, const std::string& dated) { WriteFile(dated + "/velmarch.json", "{"); },
         "cannot be read: it is no JSON"},
        {"a relative path", set("records.output", "b.ini"), "[b.ini], which is not an absolute, normalised path"},
        {"a path with '..'",
         [](const TempFolder& folder, const std::string& dated) { EditRecord(dated, "records.output", folder / "x/../b.ini"); },
         "not an absolute, normalised path"},
        {"a backup outside the dated folder",
         [](const TempFolder& folder, const std::string& dated) {
             WriteFile(folder / "secret.ini", "[A]\nk=1\n");
             EditRecord(dated, "records.backup", folder / "secret.ini");
         },
         "lies outside the dated folder"},
        {"a backup cut short", [](const TempFolder&, const std::string& dated) { WriteFile(dated + "/a.ini", "[A]\n"); },
         "no longer holds the bytes the run preserved"},
        {"a backup that is a link",
         [](const TempFolder& folder, const std::string& dated) {
             WriteFile(folder / "copy.ini", ReadFile(dated + "/a.ini"));
             fs::remove(dated + "/a.ini");
             fs::create_symlink(folder / "copy.ini", dated + "/a.ini");
         },
         "is reached through a link"},
        {"a path holding a zero byte",
         [](const TempFolder& folder, const std::string& dated) {
             EditRecord(dated, "records.output", folder / std::string("b.ini\0x", 7));
         },
         "'records[0].output' is not a name without a zero byte"},
        {"no digest of an output's copy", set("records.output_backup_sha256", CJson()), "gives no SHA-256 of the backup"},
        {"a record others may write",
         [](const TempFolder&, const std::string& dated) { ::chmod((dated + "/velmarch.json").c_str(), 0666); },
         "may be written by other users"},
        {"a dated folder others may write",
         [](const TempFolder&, const std::string& dated) { ::chmod(dated.c_str(), 0777); }, "may be written by other users"},
        {"an old_version others may write",
         [](const TempFolder& folder, const std::string&) { ::chmod((folder / "old_version").c_str(), 0757); },
         "may be written by other users"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        TempFolder folder;
        WriteFile(folder / "s.xml", kDoubleIntoB);
        WriteFile(folder / "a.ini", "[A]\nk=1\n");
        WriteFile(folder / "b.ini", "[B]\nmine=1\n");
        std::string console;
        ASSERT_EQ(RunProgram({folder / "s.xml", "-fdir", folder.Path().string()}, console), 0) << console;
        const std::string dated = OnlyDatedFolder(folder);
        const std::string converted = ReadFile(folder / "b.ini");
        row.edit(folder, dated);
        EXPECT_EQ(RunProgram({"-restore", dated, "-force"}, console), 1);
        EXPECT_THAT(console, HasSubstr(row.reason));
        EXPECT_THAT(console, HasSubstr("nothing was restored"));
        EXPECT_EQ(ReadFile(folder / "b.ini"), converted);
        EXPECT_FALSE(fs::exists(folder / "a.ini"));
        EXPECT_EQ(OnlyDatedFolder(folder), dated);
    }
}

// Where a restore writes: a link planted where the run removed a file, or in place of a
// folder on the way, is never written through, even with -force; nor is a folder other
// users may change.
TEST(Restore, NeverWritesThroughALinkOrIntoAFolderOthersMayChange)
{
    using Plant = std::function<void(const TempFolder&)>;
    const struct {
        const char* name;
        Plant plant;
        const char* reason;
    } rows[] = {
        {"a link where the run removed its input",
         [](const TempFolder& folder) { fs::create_symlink(folder / "secret/own.ini", folder / "work/a.ini"); },
         "work/a.ini] is a link now, and a restore never writes through one"},
        {"a folder on the way swapped for a link",
         [](const TempFolder& folder) {
             fs::rename(folder / "work", folder / "moved");
             fs::create_directory_symlink(folder / "moved", folder / "work");
         },
         "is reached through a link"},
        {"a folder others may write",
         [](const TempFolder& folder) { ::chmod((folder / "work").c_str(), 0777); },
         "work] of a file to restore may be changed by other users"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        TempFolder folder;
        WriteFile(folder / "secret/own.ini", "mine");
        WriteFile(folder / "work/s.xml", kDoubleIntoB);
        WriteFile(folder / "work/a.ini", "[A]\nk=1\n");
        std::string console;
        const std::string work = folder / "work";
        ASSERT_EQ(RunProgram({folder / "work/s.xml", "-fdir", work, "-report", folder / "r.json"}, console), 0) << console;
        CJson report;
        ASSERT_TRUE(CJson::Parse(ReadFile(folder / "r.json"), report));
        const std::string dated = report.Find("backup_folders")->Items().at(0).Text();
        row.plant(folder);
        EXPECT_EQ(RunProgram({"-restore", dated, "-force"}, console), 1) << console;
        EXPECT_THAT(console, HasSubstr(row.reason));
        EXPECT_THAT(console, HasSubstr("nothing was restored"));
        EXPECT_EQ(ReadFile(folder / "secret/own.ini"), "mine");
    }
}

// As root: a record another user wrote in their own folder is not obeyed.
TEST(Restore, ARecordOfAnotherUserIsRefused)
{
    if (::geteuid() != 0) GTEST_SKIP() << "needs root to give the record away";
    TempFolder folder;
    WriteFile(folder / "s.xml", kDoubleIntoB);
    WriteFile(folder / "a.ini", "[A]\nk=1\n");
    std::string console;
    ASSERT_EQ(RunProgram({folder / "s.xml", "-fdir", folder.Path().string()}, console), 0) << console;
    const std::string dated = OnlyDatedFolder(folder);
    ASSERT_EQ(::chown((dated + "/velmarch.json").c_str(), 65534, 65534), 0);
    EXPECT_EQ(RunProgram({"-restore", dated}, console), 1);
    EXPECT_THAT(console, HasSubstr("belongs to another user"));
    EXPECT_TRUE(fs::exists(folder / "b.ini"));
}

// A run whose commit put nothing in place needs no restore, and a restore says so.
TEST(Restore, ARunThatChangedNothingIsNotUndoneFileByFile)
{
    TempFolder folder;
    WriteFile(folder / "s.xml", kDoubleIntoB);
    WriteFile(folder / "a.ini", "[A]\nk=1\n");
    std::string console;
    Platform::FailNextWriteStepForTesting(Platform::WriteStep::Replace, 1);  // after the record
    EXPECT_EQ(RunProgram({folder / "s.xml", "-fdir", folder.Path().string()}, console), 1);
    Platform::FailNextWriteStepForTesting(Platform::WriteStep::None);
    ASSERT_FALSE(fs::exists(folder / "b.ini"));
    EXPECT_EQ(RunProgram({"-restore", OnlyDatedFolder(folder)}, console), 0) << console;
    EXPECT_THAT(console, HasSubstr("it changed no file, and nothing was restored"));
    EXPECT_THAT(console, testing::Not(HasSubstr("removed")));
    EXPECT_EQ(ReadFile(folder / "a.ini"), "[A]\nk=1\n");
}

TEST(Restore, AbsoluteAndNormalPaths)
{
    const struct {
        const char* path;
        bool normal;
    } rows[] = {{"/cfg/a.ini", true}, {"/", true}, {"cfg/a.ini", false}, {"/cfg/../a.ini", false},
                {"/cfg/./a.ini", false}, {"/cfg//a.ini", false}, {"/cfg/", false}, {"", false}};
    for (const auto& row : rows) EXPECT_EQ(IsAbsoluteAndNormal(row.path), row.normal) << row.path;
}

}  // namespace
