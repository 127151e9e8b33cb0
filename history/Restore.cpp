#include "history/Restore.h"

#include "engine/DatedFolder.h"
#include "engine/FileIdentity.h"
#include "engine/FileLocks.h"
#include "engine/TemporaryFile.h"
#include "engine/Transaction.h"
#include "engine/WholeFile.h"
#include "history/RunHistory.h"
#include "history/RunRecord.h"
#include "console/Console.h"
#include "platform/Paths.h"
#include "platform/Platform.h"
#include "text/Sha256.h"

#include <set>
#include <stdexcept>

using Console::ShownName;

namespace {

constexpr const char* kNothingRestored = "; nothing was restored";

[[noreturn]] void Refuse(const std::string& text) { throw std::runtime_error(text + kNothingRestored); }

// One file the restore puts back: the bytes of `source`, or its removal when `source`
// is empty. `expectedSha256` is what the undone run left there (empty: nothing);
// `sourceSha256` what the source must hold.
struct RestoreStep {
    std::string target;
    std::string source;
    std::string expectedSha256;
    std::string sourceSha256;
    std::string bytes;
    std::string currentSha256;  // what the target holds when the restore preserves it
    bool existed = false;
    bool skipped = false;  // the run never changed it (its commit did not reach it)
};

std::vector<RestoreStep> PlanSteps(const RunRecord& run)
{
    std::vector<RestoreStep> steps;
    std::set<std::string> targets;
    const auto add = [&](const std::string& target, const std::string& source, const std::string& expected,
                         const std::string& sourceSha256) {
        if (!targets.insert(FileKeyOf(target)).second) return;
        RestoreStep step;
        step.target = target;
        step.source = source;
        step.expectedSha256 = expected;
        step.sourceSha256 = sourceSha256;
        steps.push_back(step);
    };
    for (const RunRecordEntry& entry : run.records) {
        add(entry.output, entry.outputExisted ? entry.outputBackup : std::string(), entry.outputSha256,
            entry.outputBackupSha256);
    }
    for (const RunRecordEntry& entry : run.records) {
        if (entry.inputRemoved) add(entry.input, entry.backup, std::string(), entry.inputSha256);
    }
    return steps;
}

// The record, its dated folder and old_version belong to the user running the restore
// (or to root), and no one else may write them.
void CheckTrusted(const std::string& path, bool folder)
{
    const Platform::EntryFacts facts = Platform::FactsOf(path);
    if (!(folder ? facts.isDirectory : facts.isRegularFile)) {
        Refuse("[" + ShownName(path) + "] is not a " + (folder ? "folder" : "regular file") +
               " (a link is not followed)");
    }
    if (!facts.ownedByUserOrRoot) Refuse("[" + ShownName(path) + "] belongs to another user");
    if (facts.writableByOthers) Refuse("[" + ShownName(path) + "] may be written by other users");
}

void CheckDatedFolder(const std::string& folder)
{
    if (!IsDatedFolderName(FileNamePart(folder)) || FileNamePart(DirectoryPart(folder)) != kBackupRootName) {
        Refuse("[" + ShownName(folder) + "] is not a dated folder of old_version");
    }
    CheckTrusted(DirectoryPart(folder), true);
    CheckTrusted(folder, true);
}

// A restore writes only where the record's paths lead without a link, in folders no
// other user may change: otherwise another user could plant a link where the run
// removed a file, and have the restore write through it (-force does not change this).
void CheckTarget(const std::string& target)
{
    if (Platform::FactsOf(target).isLink) {
        Refuse("[" + ShownName(target) + "] is a link now, and a restore never writes through one");
    }
    const std::string folder = DirectoryPart(target);
    if (RealPathOf(folder) != folder) Refuse("the folder of [" + ShownName(target) + "] is reached through a link");
    const Platform::EntryFacts facts = Platform::FactsOf(folder);
    if (facts.exists && (!facts.ownedByUserOrRoot || facts.writableByOthers)) {
        Refuse("the folder [" + ShownName(folder) + "] of a file to restore may be changed by other users");
    }
}

bool StartsWithFolder(const std::string& path, const std::string& folder)
{
    return path.size() > folder.size() + 1 && path.compare(0, folder.size(), folder) == 0 &&
           (path[folder.size()] == '/' || path[folder.size()] == '\\');
}

// A backup lies, without links, inside the record's own dated folder or, for an
// output's copy, the dated folder of the same name beside that output; it is a regular
// file that holds the SHA-256 the record gives.
void CheckSource(RestoreStep& step, const std::string& realFolder)
{
    if (step.sourceSha256.empty()) Refuse("the record gives no SHA-256 of the backup [" + ShownName(step.source) + "]");
    if (RealPathOf(step.source) != step.source) {
        Refuse("the backup [" + ShownName(step.source) + "] is reached through a link");
    }
    const std::string beside = CombinePath(CombinePath(DirectoryPart(step.target), kBackupRootName), FileNamePart(realFolder));
    const bool inOwn = StartsWithFolder(step.source, realFolder);
    if (!inOwn && !(StartsWithFolder(step.source, beside) && RealPathOf(beside) == beside)) {
        Refuse("the backup [" + ShownName(step.source) + "] lies outside the dated folder [" + ShownName(realFolder) +
               "]");
    }
    if (!inOwn) CheckDatedFolder(beside);
    if (!Platform::FactsOf(step.source).isRegularFile) {
        Refuse("the backup [" + ShownName(step.source) + "] is not a regular file");
    }
    if (!ReadWholeText(step.source, step.bytes)) Refuse("the backup [" + ShownName(step.source) + "] cannot be read");
    if (Sha256Hex(step.bytes) != step.sourceSha256) {
        Refuse("the backup [" + ShownName(step.source) + "] no longer holds the bytes the run preserved");
    }
}

// Steps whose target the run changed and no one since; a record whose commit did not
// end may have changed only some targets, and one that holds what the restore would
// put back already (the run never reached it, or a restore interrupted after it) needs
// nothing.
std::string ChangedFiles(std::vector<RestoreStep>& steps)
{
    std::string changed;
    for (RestoreStep& step : steps) {
        const std::string now = FileSha256(step.target, step.existed);
        step.currentSha256 = now;
        if (now == step.expectedSha256) continue;
        const std::string before = step.source.empty() ? std::string() : Sha256Hex(step.bytes);
        if (now == before) {
            step.skipped = true;
            continue;
        }
        changed += (changed.empty() ? "'" : ", '") + step.target + "'";
    }
    return changed;
}

// The run no longer stands; a restore it undid stands again.
void MarkUndone(const std::string& folder, RunRecord& run)
{
    run.undone = RecordTimeNow();
    WriteRunRecord(folder, run);
    RunRecord earlier;
    std::string reason;
    const std::string& earlierFolder = run.restoreOf;
    if (earlierFolder.empty() || DirectoryPart(earlierFolder) != DirectoryPart(folder) ||
        !IsDatedFolderName(FileNamePart(earlierFolder))) {
        return;
    }
    if (ReadRunRecord(earlierFolder, earlier, reason) == RecordRead::Read) {
        earlier.undone.clear();
        WriteRunRecord(earlierFolder, earlier);
    }
}

// A restore of the run was made before, whole or in part (it was stopped, or could not
// mark the run undone): its record is there. Records that cannot be read are passed
// over; left-over temporaries of ended runs and restores (a killed restore's record's)
// go on the way.
bool RestoredBefore(const std::string& folder)
{
    bool found = false;
    ForEachDatedFolder(DirectoryPart(folder), [&](const std::string& dated, const RunRecord* record) {
        RemoveLeftTemporariesBelow(dated);
        if (record != nullptr && record->restoreOf == folder) found = true;
    });
    return found;
}

class CRestore : public CTransactionClient {
public:
    CRestore(std::vector<RestoreStep>& steps, RunRecord& undone, std::string undoneFolder, RestoreOutcome& outcome)
        : m_steps(steps), m_undone(undone), m_undoneFolder(std::move(undoneFolder)), m_outcome(outcome)
    {
        const std::string backupRoot = DirectoryPart(m_undoneFolder);
        // The engine names the folder when it makes it: after every dated folder there.
        const std::string ownName = FileNamePart(BackupFolderName());
        m_plan.datedFolders.push_back(CombinePath(backupRoot, ownName));
        const std::string base = DirectoryPart(backupRoot);
        const std::string datedName = CombinePath(kBackupRootName, ownName);
        std::set<std::string> backups {FileKeyOf(RunRecordPath(m_plan.datedFolders[0]))};
        for (std::size_t index = 0; index < m_steps.size(); ++index) {
            const RestoreStep& step = m_steps[index];
            if (step.skipped) continue;
            Placement placement;
            placement.target = step.target;
            placement.throughLinks = false;
            placement.removes = step.source.empty();
            if (step.existed) {
                const std::string backupPath = BackupPathFor(step.target, base, true, datedName);
                if (!backups.insert(FileKeyOf(backupPath)).second) {
                    Refuse("two files would share one backup file [" + ShownName(backupPath) + "]");
                }
                placement.datedFolder = 0;
                placement.backupBelow = backupPath.substr(m_plan.datedFolders[0].size() + 1);
            }
            m_stepOf.push_back(index);
            m_plan.placements.push_back(std::move(placement));
        }
        m_own.scheme = m_undone.scheme;
        m_own.schemeSha256 = m_undone.schemeSha256;
        m_own.schemeDigest = m_undone.schemeDigest;
        m_own.schemeId = m_undone.schemeId;
        m_own.arguments = {"-restore", m_undoneFolder};
        m_own.started = RecordTimeNow();
        m_own.restoreOf = m_undoneFolder;
    }

    TransactionPlan& GetPlan() { return m_plan; }

    CTemporaryFile Stage(std::size_t index, const Placement& placement) override
    {
        const RestoreStep& step = m_steps[m_stepOf[index]];
        return StageWholeFile(placement.realTarget, step.bytes, {placement.realTarget, step.source}, placement.folder);
    }

    std::string RecordText(std::size_t, bool committed, bool stoppedPartWay) override
    {
        m_outcome.ownFolder = m_plan.datedFolders[0];
        // Taken once, before the folder holds its own record.
        if (m_own.sequence == 0) m_own.sequence = NextSequence(DirectoryPart(m_plan.datedFolders[0]));
        RunRecord own = m_own;
        own.complete = committed;
        for (std::size_t index = 0; index < m_plan.placements.size(); ++index) {
            const Placement& placement = m_plan.placements[index];
            if (stoppedPartWay && !placement.placed) continue;
            const RestoreStep& step = m_steps[m_stepOf[index]];
            RunRecordEntry entry;
            entry.input = step.source;
            entry.output = RealPathOf(step.target);
            entry.outputBackup = placement.backupPath.empty() ? std::string() : RealPathOf(placement.backupPath);
            entry.outputExisted = step.existed;
            // What was preserved, as it was found: a forced restore keeps the user's edit.
            entry.outputBackupSha256 = step.existed ? step.currentSha256 : std::string();
            entry.inputSha256 = step.source.empty() ? std::string() : step.sourceSha256;
            entry.outputSha256 = entry.inputSha256;
            own.records.push_back(entry);
        }
        return ToJson(own).Dump();
    }

    void Placed(std::size_t index) override
    {
        const RestoreStep& step = m_steps[m_stepOf[index]];
        RestoredFile& file = m_outcome.files[m_stepOf[index]];
        file.done = true;
        file.backup = m_plan.placements[index].backupPath;
        if (!step.source.empty()) {
            Console::Print("\nFile '" + ShownName(step.target) + "' restored from '" +
                           ShownName(step.source) + "'");
        } else if (step.existed) {
            Console::Print("\nFile '" + ShownName(step.target) + "' removed");
        }
    }

    // A restore that stopped part-way leaves the undone run standing: its record lists
    // what it put back, so that undoing it returns there.
    // Every file is back: a record that cannot be marked is the restore's own
    // bookkeeping, a warning; the same restore again completes it.
    void Completed(bool stoppedPartWay, const std::string& recordError) override
    {
        if (!recordError.empty()) {
            Console::Print("\n[WARNING] the restore's record could not be completed: " + recordError);
        }
        if (stoppedPartWay) return;
        try {
            MarkUndone(m_undoneFolder, m_undone);
        } catch (const std::exception& error) {
            Console::Print("\n[WARNING] every file is restored, but the run's record could not be marked undone (" +
                           std::string(error.what()) + "); the same -restore again completes it");
        }
    }

    // A failure of the engine in the restore's words.
    [[noreturn]] void Raise(const CTransactionFailure& failure)
    {
        const FailedStep step = failure.step;
        const int errorCode = failure.errorCode;
        const Placement& placement = m_plan.placements[failure.placement];
        const std::string reason = Platform::ErrorSuffix(errorCode);
        switch (step) {
        case FailedStep::RemovalCheck: Refuse("Unable to remove file [" + ShownName(placement.target) + "]" + reason);
        case FailedStep::Creation:
            Refuse("Unable to create file [" + ShownName(placement.target) + "]: the folder [" +
                   ShownName(DirectoryPart(placement.realTarget)) +
                   "] cannot be written" + reason);
        case FailedStep::Folder:
            Refuse("the folder [" + ShownName(DirectoryPart(placement.target)) +
                   "] of a file to restore is reached through a link" +
                   " or may be changed by other users" + reason);
        case FailedStep::Backup:
            Refuse(MoveErrorText(placement.target, CombinePath(m_plan.datedFolders[0], placement.backupBelow), errorCode));
        case FailedStep::Replace:
        case FailedStep::Remove: break;
        }
        throw std::runtime_error("Unable to write file [" + ShownName(placement.target) + "]" + reason +
                                 "; the restore stopped there, and its record lists what it put back");
    }

private:
    std::vector<RestoreStep>& m_steps;
    RunRecord& m_undone;
    std::string m_undoneFolder;
    RestoreOutcome& m_outcome;
    TransactionPlan m_plan;
    std::vector<std::size_t> m_stepOf;  // placement -> step
    RunRecord m_own;
};

// A run undone before is left as it is: undoing is repeatable.
bool AlreadyUndone(const std::string& folder, const RunRecord& run, RestoreOutcome& outcome)
{
    if (run.undone.empty()) return false;
    for (RestoredFile& file : outcome.files) file.alreadyUndone = true;
    Console::Print("\nThe run [" + ShownName(folder) + "] was undone on " + run.undone + "; nothing to restore");
    return true;
}

}  // namespace

bool IsAbsoluteAndNormal(const std::string& path)
{
    if (!IsQualifiedPath(path)) return false;
    const bool windows = Platform::PathSeparator() == '\\';
    std::size_t start = 0;
    while (start < path.size() && (path[start] == '/' || path[start] == '\\') && start < (windows ? 2u : 1u)) ++start;
    if (start == path.size()) return !windows && path == "/";
    std::size_t from = start;
    for (;;) {
        const std::size_t end = path.find_first_of("/\\", from);
        const std::string part = path.substr(from, end == std::string::npos ? std::string::npos : end - from);
        if (part.empty() || part == "." || part == "..") return false;
        if (end == std::string::npos) return true;
        from = end + 1;
    }
}

void RestoreRun(const std::string& datedFolder, bool force, RestoreOutcome& outcome, bool preview)
{
    std::string folder = AbsoluteToCurrentDirectory(datedFolder);
    while (folder.size() > 1 && (folder.back() == '/' || folder.back() == '\\')) folder.pop_back();
    // The record is read only once its folders are known to be trusted.
    if (!Platform::FactsOf(RunRecordPath(folder)).exists) {
        throw std::runtime_error("no run record [" + ShownName(RunRecordPath(folder)) + "] to restore from");
    }
    CheckDatedFolder(folder);
    CheckTrusted(RunRecordPath(folder), false);
    RunRecord run;
    std::string reason;
    switch (ReadRunRecord(folder, run, reason)) {
    case RecordRead::Read: break;
    case RecordRead::Missing:
        throw std::runtime_error("no run record [" + ShownName(RunRecordPath(folder)) + "] to restore from");
    case RecordRead::Unreadable: Refuse(UnreadableRecordText(folder, reason));
    }
    outcome.scheme = run.scheme;
    for (const RunRecordEntry& entry : run.records) {
        for (const std::string* path : {&entry.input, &entry.output, &entry.backup, &entry.outputBackup}) {
            if (!path->empty() && !IsAbsoluteAndNormal(*path)) {
                Refuse("the record names [" + *path + "], which is not an absolute, normalised path");
            }
        }
    }
    std::vector<RestoreStep> steps = PlanSteps(run);
    for (const RestoreStep& step : steps) {
        RestoredFile file;
        file.source = step.source;
        file.target = step.target;
        outcome.files.push_back(file);
    }
    if (AlreadyUndone(folder, run, outcome)) return;

    const std::string realFolder = RealPathOf(folder);
    for (RestoreStep& step : steps) {
        if (!step.source.empty()) CheckSource(step, realFolder);
        CheckTarget(step.target);
    }
    CFileLocks locks;
    std::vector<std::string> targets;
    for (const RestoreStep& step : steps) targets.push_back(step.target);
    if (!preview) locks.LockAll(targets);

    // Whether the run stands is read again under the locks: of two restores at once,
    // the second finds the first's.
    RunRecord current;
    if (ReadRunRecord(folder, current, reason) != RecordRead::Read) current = run;
    if (AlreadyUndone(folder, current, outcome)) return;

    const std::string changed = ChangedFiles(steps);
    if (!changed.empty() && !force) {
        throw std::runtime_error("files changed since the run: " + changed + "; nothing was restored (-force restores anyway)");
    }
    bool any = false;
    for (const RestoreStep& step : steps) any = any || !step.skipped;
    const bool restoredBefore = !preview && RestoredBefore(folder);
    if (!any && restoredBefore) {
        // An earlier restore put every file back and was stopped before it marked the run.
        MarkUndone(folder, current);
        Console::Print("\nThe run recorded in '" + ShownName(folder) + "' is undone");
        return;
    }
    if (!any) {
        Console::Print("\nThe run recorded in '" + ShownName(folder) + "' " +
                       (run.complete && !steps.empty() ? "left no file as it wrote it: every file holds what the restore would put back, "
                                       "and nothing was restored"
                                     : "never reached its commit: it changed no file, and nothing was restored"));
        return;
    }
    if (preview) {
        for (std::size_t index = 0; index < steps.size(); ++index) {
            const RestoreStep& step = steps[index];
            if (step.skipped) continue;
            RestoredFile& file = outcome.files[index];
            if (step.existed && !ReadWholeText(step.target, file.bytesNow)) {
                Refuse("Unable to read file [" + ShownName(step.target) + "]");
            }
            file.bytesAfter = step.bytes;
        }
        return;
    }
    CRestore restore(steps, run, folder, outcome);
    try {
        RunTransaction(restore.GetPlan(), restore);
    } catch (const CTransactionFailure& failure) {
        restore.Raise(failure);
    }
    Console::Print("\nThe run recorded in '" + ShownName(folder) + "' is undone");
}
