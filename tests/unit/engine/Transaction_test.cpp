// The one sequence by which runs and restores change files: what it leaves after
// success, after a fault at each step before the commit, and after a commit that
// stops part-way; dated folders that move to the next second with every backup.

#include "engine/DatedFolder.h"
#include "engine/Transaction.h"
#include "engine/WholeFile.h"
#include "platform/Paths.h"
#include "platform/Platform.h"

#include "TestSupport.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <functional>
#include <optional>

using testing::HasSubstr;

namespace {

using TestSupport::ReadFile;
using TestSupport::TempFolder;
using TestSupport::WriteFile;
namespace fs = std::filesystem;

// Puts "new <name>" in place of each target; the record lists the placements put in place.
class CFakeClient : public CTransactionClient {
public:
    CTemporaryFile Stage(std::size_t, const Placement& placement) override
    {
        if (whenStaged) whenStaged();
        return StageWholeFile(placement.realTarget, "new " + FileNamePart(placement.target), {}, placement.folder);
    }
    std::string RecordText(std::size_t folder, bool committed, bool stopped) override
    {
        std::string text = "folder " + std::to_string(folder) + (committed ? " committed" : " planned") +
                           (stopped ? " stopped" : "") + ":";
        for (std::size_t index = 0; index < plan->placements.size(); ++index) {
            if (!stopped || plan->placements[index].placed) text += " " + std::to_string(index);
        }
        return text;
    }
    void Preserved() override
    {
        // Every backup and record is there, nothing is in place yet.
        preservedSeen = fs::exists(plan->placements[0].backupPath) && placed.empty();
        if (refuseWhenPreserved) throw std::runtime_error("a source changed");
        if (whenPreserved) whenPreserved();
    }
    void Placed(std::size_t index) override { placed.push_back(index); }
    void Completed(bool stopped, const std::string& recordError) override
    {
        completed = (stopped ? "stopped" : "complete") + recordError;
    }

    TransactionPlan* plan = nullptr;
    bool refuseWhenPreserved = false;
    std::function<void()> whenPreserved;
    std::function<void()> whenStaged;
    bool preservedSeen = false;
    std::vector<std::size_t> placed;
    std::string completed;
};

// a.ini replaced and b.ini removed, both preserved in the dated folder under the root;
// c/d.ini replaced, preserved in a second dated folder beside it.
TransactionPlan PlanIn(const TempFolder& folder, const std::string& name)
{
    TransactionPlan plan;
    plan.datedFolders = {folder / ("old_version/" + name), folder / ("c/old_version/" + name)};
    const auto add = [&](const std::string& target, bool removes, int dated, const std::string& below) {
        Placement placement;
        placement.target = folder / target;
        placement.removes = removes;
        placement.datedFolder = dated;
        placement.backupBelow = below;
        plan.placements.push_back(std::move(placement));
    };
    add("a.ini", false, 0, "a.ini");
    add("c/d.ini", false, 1, "d.ini");
    add("b.ini", true, 0, "b.ini");
    return plan;
}

void WriteInputs(const TempFolder& folder)
{
    WriteFile(folder / "a.ini", "old a");
    WriteFile(folder / "b.ini", "old b");
    WriteFile(folder / "c/d.ini", "old d");
}

// Every name below the folder, temporaries included.
std::vector<std::string> Names(const TempFolder& folder)
{
    std::vector<std::string> names;
    for (const auto& entry : fs::recursive_directory_iterator(folder.Path())) {
        names.push_back(fs::relative(entry.path(), folder.Path()).string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

TEST(Transaction, PreservesRecordsCommitsAndCompletes)
{
    TempFolder folder;
    WriteInputs(folder);
    const mode_t mask = ::umask(0);
    TransactionPlan plan = PlanIn(folder, "20200101000000_conv");
    CFakeClient client;
    client.plan = &plan;
    RunTransaction(plan, client);
    ::umask(mask);
    Platform::DeferInterrupts(false);

    EXPECT_EQ(ReadFile(folder / "a.ini"), "new a.ini");
    EXPECT_EQ(ReadFile(folder / "c/d.ini"), "new d.ini");
    EXPECT_FALSE(fs::exists(folder / "b.ini"));
    EXPECT_EQ(ReadFile(folder / "old_version/20200101000000_conv/a.ini"), "old a");
    EXPECT_EQ(ReadFile(folder / "old_version/20200101000000_conv/b.ini"), "old b");
    EXPECT_EQ(ReadFile(folder / "c/old_version/20200101000000_conv/d.ini"), "old d");
    EXPECT_EQ(ReadFile(folder / "old_version/20200101000000_conv/velmarch.json"), "folder 0 committed: 0 1 2");
    EXPECT_EQ(client.placed, (std::vector<std::size_t> {0, 1, 2}));
    EXPECT_EQ(client.completed, "complete");
    // Whatever the umask, only the owner may write the folders and records.
    for (const char* made : {"old_version", "old_version/20200101000000_conv", "old_version/20200101000000_conv/velmarch.json"}) {
        struct stat info {};
        ASSERT_EQ(::stat((folder / made).c_str(), &info), 0) << made;
        EXPECT_EQ(info.st_mode & 022, 0u) << made;
    }
}

// Every entry the transaction makes, replaces or removes is flushed with its folder
// before the next step, so that a power cut never loses a file that a later step
// counts on (a backup, a folder, the record).
TEST(Transaction, EveryChangedFolderIsFlushedBeforeTheNextStep)
{
    TempFolder folder;
    WriteInputs(folder);
    std::vector<std::string> trace;
    TransactionPlan plan = PlanIn(folder, "20200101000000_conv");
    CFakeClient client;
    client.plan = &plan;
    Platform::TraceEntryChangesForTesting(&trace);
    RunTransaction(plan, client);
    Platform::TraceEntryChangesForTesting(nullptr);
    Platform::DeferInterrupts(false);
    std::size_t changes = 0;
    for (std::size_t index = 0; index < trace.size(); ++index) {
        if (trace[index].rfind("sync ", 0) == 0) continue;
        ++changes;
        const std::string path = trace[index].substr(trace[index].find(' ') + 1);
        ASSERT_LT(index + 1, trace.size()) << trace[index];
        EXPECT_EQ(trace[index + 1], "sync " + fs::path(path).parent_path().string()) << trace[index];
    }
    // Three folders, three backups, two records written twice, two files put in place, one removed.
    EXPECT_EQ(changes, 3u + 1u + 3u + 4u + 3u) << testing::PrintToString(trace);
}

// Another run holds this second's folder beside d.ini: every folder, and every backup
// bound for one, takes the next second's name.
TEST(Transaction, ATakenFolderMovesEveryBackupToTheNextSecond)
{
    TempFolder folder;
    WriteInputs(folder);
    const std::string name = FileNamePart(BackupFolderName());
    fs::create_directories(folder / ("c/old_version/" + name));
    TransactionPlan plan = PlanIn(folder, name);
    CFakeClient client;
    client.plan = &plan;
    RunTransaction(plan, client);
    Platform::DeferInterrupts(false);
    EXPECT_GT(FileNamePart(plan.datedFolders[0]), name);
    EXPECT_EQ(FileNamePart(plan.datedFolders[0]), FileNamePart(plan.datedFolders[1]));
    EXPECT_EQ(plan.placements[1].backupPath, CombinePath(plan.datedFolders[1], "d.ini"));
    EXPECT_EQ(ReadFile(plan.placements[1].backupPath), "old d");
    EXPECT_EQ(ReadFile(plan.placements[0].backupPath), "old a");
    EXPECT_TRUE(fs::is_empty(folder / ("c/old_version/" + name)));
    EXPECT_FALSE(fs::exists(folder / ("old_version/" + name)));
}

// A fault at any step before the commit leaves every file as it was and nothing of the
// run behind; a target that cannot be removed is found before anything changes.
TEST(Transaction, AFaultBeforeTheCommitChangesNothing)
{
    const Platform::WriteStep steps[] = {Platform::WriteStep::RemoveCheck, Platform::WriteStep::Create,
                                         Platform::WriteStep::Write,       Platform::WriteStep::FolderCreate,
                                         Platform::WriteStep::Copy,        Platform::WriteStep::Link};
    for (const Platform::WriteStep step : steps) {
        SCOPED_TRACE(static_cast<int>(step));
        TempFolder folder;
        WriteInputs(folder);
        const std::vector<std::string> before = Names(folder);
        // The second call of a step: the first placement got past it.
        Platform::FailNextWriteStepForTesting(step, step == Platform::WriteStep::RemoveCheck ? 0 : 1);
        TransactionPlan plan = PlanIn(folder, "20200101000000_conv");
        CFakeClient client;
        client.plan = &plan;
        EXPECT_THROW(RunTransaction(plan, client), std::exception);
        Platform::FailNextWriteStepForTesting(Platform::WriteStep::None);
        Platform::DeferInterrupts(false);
        EXPECT_EQ(Names(folder), before);
        EXPECT_EQ(ReadFile(folder / "a.ini"), "old a");
        EXPECT_TRUE(client.placed.empty());
    }
}

// The client's last word comes when all is preserved and recorded: a source that
// changed meanwhile is refused there, and nothing changes.
TEST(Transaction, ARefusalOnceAllIsPreservedChangesNothing)
{
    TempFolder folder;
    WriteInputs(folder);
    const std::vector<std::string> before = Names(folder);
    TransactionPlan plan = PlanIn(folder, "20200101000000_conv");
    CFakeClient client;
    client.plan = &plan;
    client.refuseWhenPreserved = true;
    EXPECT_THROW(RunTransaction(plan, client), std::runtime_error);
    Platform::DeferInterrupts(false);
    EXPECT_TRUE(client.preservedSeen);
    EXPECT_EQ(Names(folder), before);
    EXPECT_EQ(ReadFile(folder / "a.ini"), "old a");
    EXPECT_TRUE(client.placed.empty());
}

#ifndef _WIN32
// Runs `plan` with placements that never follow links; the failure that stopped it.
std::optional<CTransactionFailure> FailureWithoutLinks(TransactionPlan& plan)
{
    for (Placement& placement : plan.placements) placement.throughLinks = false;
    CFakeClient client;
    client.plan = &plan;
    std::optional<CTransactionFailure> stopped;
    try {
        RunTransaction(plan, client);
    } catch (const CTransactionFailure& failure) {
        stopped = failure;
    }
    Platform::DeferInterrupts(false);
    return stopped;
}

// A placement that must not write through a link fails, with nothing changed, when its
// target is a link by the time it would be preserved; the link's target is untouched.
TEST(Transaction, APlacementNeverWritesThroughALinkWhenItMustNot)
{
    TempFolder folder;
    WriteInputs(folder);
    WriteFile(folder / "secret.ini", "secret");
    fs::remove(folder.Path() / "a.ini");
    fs::create_symlink(folder.Path() / "secret.ini", folder.Path() / "a.ini");
    TransactionPlan plan = PlanIn(folder, "20200101000000_conv");
    const std::optional<CTransactionFailure> failure = FailureWithoutLinks(plan);
    EXPECT_TRUE(failure) << "a link was written through";
    if (failure) {
        EXPECT_EQ(failure->placement, 0u);
        EXPECT_EQ(failure->step, FailedStep::Backup);
    }
    EXPECT_EQ(ReadFile(folder / "secret.ini"), "secret");
    EXPECT_TRUE(fs::is_symlink(folder.Path() / "a.ini"));
    EXPECT_FALSE(fs::exists(folder.Path() / "old_version"));
}

// Another user swaps a folder for a link once the placements that never follow links
// are staged: the commit still replaces and removes in the folders it checked.
TEST(Transaction, APlacementThatNeverFollowsLinksStaysInTheFolderItHeld)
{
    TempFolder folder;
    WriteInputs(folder);
    WriteFile(folder / "c/e.ini", "old e");
    WriteFile(folder / "elsewhere/d.ini", "theirs d");
    WriteFile(folder / "elsewhere/e.ini", "theirs e");
    TransactionPlan plan = PlanIn(folder, "20200101000000_conv");
    plan.datedFolders.pop_back();
    plan.placements[1].datedFolder = -1;
    plan.placements[2].target = folder / "c/e.ini";
    plan.placements[2].datedFolder = -1;
    for (Placement& placement : plan.placements) placement.throughLinks = false;
    CFakeClient client;
    client.plan = &plan;
    client.whenPreserved = [&] {
        fs::rename(folder.Path() / "c", folder.Path() / "c.moved");
        fs::create_directory_symlink(folder.Path() / "elsewhere", folder.Path() / "c");
    };
    RunTransaction(plan, client);
    Platform::DeferInterrupts(false);
    EXPECT_EQ(ReadFile(folder / "c.moved/d.ini"), "new d.ini");
    EXPECT_FALSE(fs::exists(folder.Path() / "c.moved/e.ini"));
    EXPECT_EQ(ReadFile(folder / "elsewhere/d.ini"), "theirs d");
    EXPECT_EQ(ReadFile(folder / "elsewhere/e.ini"), "theirs e");
    EXPECT_EQ(std::distance(fs::directory_iterator(folder.Path() / "elsewhere"), fs::directory_iterator()), 2);
}

// The backup root swapped for a link: the records a run completes after its commit go
// into the dated folder it made; a restore's dated folder, reached through the link, is
// refused before anything is preserved.
TEST(Transaction, DatedFoldersAreHeldOnceMade)
{
    for (const bool restore : {false, true}) {
        SCOPED_TRACE(restore ? "restore" : "run");
        TempFolder folder;
        WriteInputs(folder);
        fs::create_directories(folder.Path() / "elsewhere");
        TransactionPlan plan = PlanIn(folder, "20200101000000_conv");
        plan.datedFolders.pop_back();
        plan.placements[1].datedFolder = -1;
        for (Placement& placement : plan.placements) placement.throughLinks = !restore;
        CFakeClient client;
        client.plan = &plan;
        const auto swap = [&] {
            fs::create_directories(folder.Path() / "old_version");
            fs::rename(folder.Path() / "old_version", folder.Path() / "old_version.moved");
            fs::create_directory_symlink(folder.Path() / "elsewhere", folder.Path() / "old_version");
        };
        if (restore) {
            client.whenStaged = [&] {
                if (!fs::exists(folder.Path() / "old_version.moved")) swap();
            };
            EXPECT_THROW(RunTransaction(plan, client), CTransactionFailure);
            EXPECT_EQ(ReadFile(folder / "a.ini"), "old a");
        } else {
            client.whenPreserved = swap;
            RunTransaction(plan, client);
            EXPECT_EQ(ReadFile(folder / "old_version.moved/20200101000000_conv/velmarch.json"), "folder 0 committed: 0 1 2");
        }
        Platform::DeferInterrupts(false);
        EXPECT_TRUE(fs::is_empty(folder.Path() / "elsewhere"));
    }
}

// A folder on the way that is a link is refused before anything is staged.
TEST(Transaction, APlacementThatNeverFollowsLinksRefusesALinkedFolder)
{
    TempFolder folder;
    WriteInputs(folder);
    fs::rename(folder.Path() / "c", folder.Path() / "c.real");
    fs::create_directory_symlink(folder.Path() / "c.real", folder.Path() / "c");
    TransactionPlan plan = PlanIn(folder, "20200101000000_conv");
    plan.datedFolders.pop_back();
    plan.placements[1].datedFolder = -1;
    const std::optional<CTransactionFailure> failure = FailureWithoutLinks(plan);
    EXPECT_TRUE(failure) << "a linked folder was written in";
    if (failure) {
        EXPECT_EQ(failure->placement, 1u);
        EXPECT_EQ(failure->step, FailedStep::Folder);
        EXPECT_EQ(failure->errorCode, Platform::IsALinkCode());
    }
    EXPECT_EQ(ReadFile(folder / "c.real/d.ini"), "old d");
    EXPECT_EQ(ReadFile(folder / "a.ini"), "old a");
    EXPECT_EQ(std::distance(fs::directory_iterator(folder.Path() / "c.real"), fs::directory_iterator()), 1);
}
#endif

// The commit stops at d.ini: a.ini is in place, and the completed record lists exactly
// that, so that a restore undoes it.
TEST(Transaction, ACommitThatStopsLeavesARecordOfWhatWasPutInPlace)
{
    TempFolder folder;
    WriteInputs(folder);
    TransactionPlan plan = PlanIn(folder, "20200101000000_conv");
    CFakeClient client;
    client.plan = &plan;
    // Two records are put in place first, then a.ini.
    Platform::FailNextWriteStepForTesting(Platform::WriteStep::Replace, 3);
    try {
        RunTransaction(plan, client);
        ADD_FAILURE() << "the commit did not stop";
    } catch (const std::exception& error) {
        EXPECT_THAT(error.what(), HasSubstr("placement 1 failed at step 3"));
    }
    Platform::FailNextWriteStepForTesting(Platform::WriteStep::None);
    Platform::DeferInterrupts(false);
    EXPECT_EQ(ReadFile(folder / "a.ini"), "new a.ini");
    EXPECT_EQ(ReadFile(folder / "c/d.ini"), "old d");
    EXPECT_EQ(ReadFile(folder / "b.ini"), "old b");
    EXPECT_EQ(ReadFile(folder / "old_version/20200101000000_conv/velmarch.json"), "folder 0 committed stopped: 0");
    EXPECT_EQ(client.completed, "stopped");
    for (const std::string& name : Names(folder)) EXPECT_EQ(name.find(".velmarch-"), std::string::npos) << name;
}

}  // namespace
