#include "run/Restore.h"

#include "platform/Console.h"
#include "platform/Paths.h"
#include "platform/Platform.h"
#include "platform/Sha256.h"
#include "run/Backup.h"
#include "run/RunHistory.h"
#include "run/RunRecord.h"
#include "run/WholeFile.h"

#include <stdexcept>

namespace {

// One file the restore puts back: the bytes of `source`, or its removal when `source`
// is empty; `expectedSha256` is what the undone run left there (empty: nothing).
struct RestoreStep {
    std::string target;
    std::string source;
    std::string expectedSha256;
    std::string bytes;
    bool existed = false;
    std::string backupPath;
    std::string temporaryPath;
};

std::vector<RestoreStep> PlanSteps(const RunRecord& run)
{
    std::vector<RestoreStep> steps;
    const auto add = [&steps](const std::string& target, const std::string& source, const std::string& expected) {
        for (const RestoreStep& step : steps) {
            if (SamePath(step.target, target)) return;
        }
        RestoreStep step;
        step.target = target;
        step.source = source;
        step.expectedSha256 = expected;
        steps.push_back(step);
    };
    for (const RunRecordEntry& entry : run.records) {
        add(entry.output, entry.outputExisted ? entry.outputBackup : std::string(), entry.outputSha256);
    }
    for (const RunRecordEntry& entry : run.records) {
        if (entry.inputRemoved) add(entry.input, entry.backup, std::string());
    }
    return steps;
}

std::string ChangedFiles(std::vector<RestoreStep>& steps)
{
    std::string changed;
    for (RestoreStep& step : steps) {
        const std::string now = FileSha256(step.target, step.existed);
        if (now == step.expectedSha256) continue;
        changed += (changed.empty() ? "'" : ", '") + step.target + "'";
    }
    return changed;
}

// A dated folder of the restore's own beside the undone run's, taken exclusively.
std::string MakeOwnFolder(const std::string& backupRoot, CBackupStep& made)
{
    std::string last;
    for (int attempt = 0; attempt < 30; ++attempt) {
        const std::string name = FileNamePart(BackupFolderNameAfter(last));
        last = name;
        const std::string folder = CombinePath(backupRoot, name);
        int errorCode = made.MakeParents(folder);
        if (errorCode == 0 && made.MakeFolder(folder, true, errorCode)) return folder;
        if (!Platform::IsExistsError(errorCode)) throw std::runtime_error(BackupFolderErrorText(folder, errorCode));
    }
    throw std::runtime_error("Unable to create the backup folder [" + CombinePath(backupRoot, last) +
                             "]: 30 names in a row were taken");
}

void Discard(std::vector<RestoreStep>& steps)
{
    for (RestoreStep& step : steps) {
        if (!step.temporaryPath.empty()) Platform::RemoveFile(step.temporaryPath);
        step.temporaryPath.clear();
    }
}

}  // namespace

int RestoreRun(const CCommandLineOptions& options, CRunReport& report)
{
    std::string folder = AbsoluteToCurrentDirectory(options.restoreFolder.Value());
    while (folder.size() > 1 && (folder.back() == '/' || folder.back() == '\\')) folder.pop_back();
    RunRecord run;
    if (!ReadRunRecord(folder, run)) {
        throw std::runtime_error("no run record [" + RunRecordPath(folder) + "] to restore from");
    }
    report.scheme = run.scheme;
    if (!run.undone.empty()) {
        throw std::runtime_error("the run recorded in [" + folder + "] was undone on " + run.undone +
                                 "; a run is undone once");
    }
    std::vector<RestoreStep> steps = PlanSteps(run);
    for (const RestoreStep& step : steps) {
        ReportRecord entry;
        entry.input = step.source;
        entry.output = step.target;
        report.records.push_back(entry);
    }
    const std::string changed = ChangedFiles(steps);
    if (!changed.empty() && !IsOn(options.force)) {
        throw std::runtime_error("files changed since the run: " + changed +
                                 "; nothing was restored (-force restores anyway)");
    }
    for (RestoreStep& step : steps) {
        if (!step.source.empty() && !ReadWholeText(step.source, step.bytes)) {
            throw std::runtime_error("the backup [" + step.source + "] cannot be read; nothing was restored");
        }
    }

    // Stage, back up what is replaced, record, then commit.
    const std::string backupRoot = DirectoryPart(folder);
    CBackupStep made;
    RunRecord own;
    own.scheme = run.scheme;
    own.schemeSha256 = run.schemeSha256;
    own.arguments = {"-restore", folder};
    own.started = RecordTimeNow();
    own.restoreOf = folder;
    std::string ownFolder;
    try {
        for (RestoreStep& step : steps) {
            if (step.source.empty()) continue;
            const std::string target = Platform::FinalLinkTarget(step.target);
            step.temporaryPath = StageWholeFile(target, step.bytes, {target, step.source});
        }
        ownFolder = MakeOwnFolder(backupRoot, made);
        report.backupFolders.push_back(ownFolder);
        const std::string base = DirectoryPart(backupRoot);
        const std::string datedName = CombinePath(FileNamePart(backupRoot), FileNamePart(ownFolder));
        for (RestoreStep& step : steps) {
            if (!step.existed) continue;
            step.backupPath = BackupPathFor(step.target, base, true, datedName);
            if (SamePath(step.backupPath, RunRecordPath(ownFolder)) || Platform::KindOf(step.backupPath) !=
                                                                          Platform::EntryKind::Missing) {
                throw std::runtime_error("two files would share one backup file [" + step.backupPath + "]");
            }
            int errorCode = made.MakeParents(step.backupPath);
            if (errorCode == 0) errorCode = Platform::PreserveCopy(step.target, step.backupPath);
            if (errorCode != 0) throw std::runtime_error(MoveErrorText(step.target, step.backupPath, errorCode));
            made.NoteMadeFile(step.backupPath);
        }
        for (const RestoreStep& step : steps) {
            RunRecordEntry entry;
            entry.input = step.source;
            entry.output = step.target;
            entry.outputBackup = step.backupPath;
            entry.outputExisted = step.existed;
            entry.inputSha256 = step.source.empty() ? std::string() : Sha256Hex(step.bytes);
            entry.outputSha256 = entry.inputSha256;
            own.records.push_back(entry);
        }
        made.NoteMadeFile(RunRecordPath(ownFolder));
        WriteRunRecord(ownFolder, own);
        Platform::SyncDirectoryOf(RunRecordPath(ownFolder));
    } catch (...) {
        Discard(steps);
        made.Undo();
        throw;
    }

    // A signal now waits for the commit to finish.
    const Platform::InterruptsDeferred deferred;
    for (std::size_t index = 0; index < steps.size(); ++index) {
        RestoreStep& step = steps[index];
        const bool done = step.source.empty()
                              ? (!step.existed || Platform::RemoveEntry(step.target))
                              : Platform::ReplaceWith(step.temporaryPath, Platform::FinalLinkTarget(step.target));
        if (!done) {
            Discard(steps);
            throw std::runtime_error("Unable to write file [" + step.target + "]; the restore stopped there");
        }
        step.temporaryPath.clear();
        Platform::SyncDirectoryOf(step.target);
        report.records[index].backup = step.backupPath;
        report.records[index].status = "converted";
        Console::Print(step.source.empty() ? "\nFile '" + step.target + "' removed"
                                           : "\nFile '" + step.target + "' restored from '" + step.source + "'");
    }
    run.undone = RecordTimeNow();
    WriteRunRecord(folder, run);
    // Undoing a restore puts back the run that the restore undid.
    RunRecord earlier;
    if (!run.restoreOf.empty() && ReadRunRecord(run.restoreOf, earlier)) {
        earlier.undone.clear();
        WriteRunRecord(run.restoreOf, earlier);
    }
    own.complete = true;
    WriteRunRecord(ownFolder, own);
    if (Platform::InterruptPending()) {
        throw std::runtime_error("interrupted by a signal during the restore's commit, which was finished first");
    }
    Console::Print("\nThe run recorded in '" + folder + "' is undone");
    return 0;
}
