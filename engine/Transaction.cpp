#include "engine/Transaction.h"

#include "engine/DatedFolder.h"
#include "engine/FileIdentity.h"
#include "engine/WholeFile.h"
#include "platform/Paths.h"
#include "platform/Platform.h"

#include <map>
#include <set>

namespace {

// What the sequence made before the commit, removed again when a later step fails.
class CMadeEntries {
public:
    ~CMadeEntries() { Undo(); }

    void Keep()
    {
        m_files.clear();
        m_folders.clear();
    }

    void Undo()
    {
        for (auto file = m_files.rbegin(); file != m_files.rend(); ++file) Platform::RemoveFile(*file);
        for (auto folder = m_folders.rbegin(); folder != m_folders.rend(); ++folder) {
            Platform::RemoveEmptyDirectory(*folder);
        }
        m_files.clear();
        m_folders.clear();
    }

    // One folder level, its parent flushed; an existing folder is fine unless
    // `exclusive`. 0, or the system's reason.
    int MakeFolder(const std::string& path, bool exclusive)
    {
        const int errorCode = Platform::CreateDirectoryExclusive(path);
        if (errorCode == 0) {
            m_folders.push_back(path);
            if (FileNamePart(path) == kBackupRootName || IsDatedFolderName(FileNamePart(path))) {
                Platform::KeepWritableByOwnerOnly(path);
            }
            Platform::SyncDirectoryOf(path);
            return 0;
        }
        return !exclusive && Platform::IsExistsError(errorCode) && IsDirectory(path) ? 0 : errorCode;
    }

    // The missing folders above `path`: 0, or the system's reason for the first that
    // cannot be made.
    int MakeParents(const std::string& path)
    {
        std::vector<std::string> missing;
        for (std::string folder = DirectoryPart(path); !folder.empty() && !IsDirectory(folder);
             folder = DirectoryPart(folder)) {
            if (!missing.empty() && missing.back() == folder) break;
            missing.push_back(folder);
        }
        for (auto folder = missing.rbegin(); folder != missing.rend(); ++folder) {
            const int errorCode = MakeFolder(*folder, false);
            // Something else by that name fails the next step, with that step's reason.
            if (errorCode != 0 && !Platform::IsExistsError(errorCode)) return errorCode;
        }
        return 0;
    }

    void NoteFile(const std::string& path) { m_files.push_back(path); }

private:
    std::vector<std::string> m_files;
    std::vector<std::string> m_folders;
};

// `datedName` is a bare "YYYYMMDDhhmmss_conv".
void Restamp(std::string& folder, const std::string& datedName)
{
    folder = CombinePath(DirectoryPart(folder), datedName);
}

// Every dated folder of the plan under one second's name, made exclusively.
void MakeDatedFolders(TransactionPlan& plan, CMadeEntries& made)
{
    constexpr int kAttempts = 30;
    if (plan.datedFolders.empty()) return;
    std::vector<std::string> roots;
    for (const std::string& folder : plan.datedFolders) roots.push_back(DirectoryPart(folder));
    std::string lastName = FreshDatedFolderName(FileNamePart(plan.datedFolders.front()), roots);
    for (std::string& folder : plan.datedFolders) Restamp(folder, lastName);
    for (int attempt = 0;; ++attempt) {
        std::string taken;
        int takenError = 0;
        for (std::size_t index = 0; index < plan.datedFolders.size(); ++index) {
            const std::string& folder = plan.datedFolders[index];
            int errorCode = made.MakeParents(folder);
            if (errorCode == 0) errorCode = made.MakeFolder(folder, true);
            if (errorCode == 0) continue;
            if (!Platform::IsExistsError(errorCode) || !IsDirectory(DirectoryPart(folder))) {
                // A folder that cannot be made surfaces as the failure of a file bound
                // for it, with the system's own reason.
                made.Undo();
                for (std::size_t placement = 0; placement < plan.placements.size(); ++placement) {
                    if (plan.placements[placement].datedFolder == static_cast<int>(index)) {
                        throw CTransactionFailure(placement, FailedStep::Backup, errorCode);
                    }
                }
                throw std::runtime_error(BackupFolderErrorText(folder, errorCode));
            }
            taken = folder;
            takenError = errorCode;
            break;
        }
        if (taken.empty()) return;
        made.Undo();
        if (attempt + 1 == kAttempts) {
            throw std::runtime_error("Unable to create the backup folder [" + taken + "]: " + std::to_string(kAttempts) +
                                     " names in a row were taken" + Platform::ErrorSuffix(takenError));
        }
        // Another run has this second's folder: take the next second's name.
        lastName = NextSecondName(lastName);
        for (std::string& folder : plan.datedFolders) Restamp(folder, lastName);
    }
}

// Each target the commit may change is preserved once, before anything is replaced.
void Preserve(TransactionPlan& plan, CMadeEntries& made)
{
    MakeDatedFolders(plan, made);
    std::set<std::string> preserved;
    for (std::size_t index = 0; index < plan.placements.size(); ++index) {
        Placement& placement = plan.placements[index];
        if (placement.datedFolder < 0) continue;
        const std::string name = FileNamePart(placement.target);
        if (placement.folder) {
            const Platform::EntryFacts facts = Platform::FactsWithin(*placement.folder, name);
            if (facts.isLink) {
                made.Undo();
                throw CTransactionFailure(index, FailedStep::Backup, Platform::IsALinkCode());
            }
            if (!facts.isRegularFile) continue;
        } else if (Platform::KindOf(placement.target) != Platform::EntryKind::File) {
            continue;
        }
        placement.backupPath = CombinePath(plan.datedFolders[static_cast<std::size_t>(placement.datedFolder)],
                                           placement.backupBelow);
        if (!preserved.insert(FileKeyOf(placement.target)).second) continue;
        int errorCode = made.MakeParents(placement.backupPath);
        if (errorCode == 0) {
            errorCode = placement.folder ? Platform::PreserveCopyWithin(*placement.folder, name, placement.backupPath)
                                         : Platform::PreserveCopy(placement.target, placement.backupPath);
        }
        if (errorCode != 0) {
            made.Undo();
            throw CTransactionFailure(index, FailedStep::Backup, errorCode);
        }
        made.NoteFile(placement.backupPath);
        Platform::SyncDirectoryOf(placement.backupPath);
    }
}

void WriteRecords(TransactionPlan& plan, CTransactionClient& client, bool committed, bool stopped)
{
    for (std::size_t index = 0; index < plan.datedFolders.size(); ++index) {
        const std::string text = client.RecordText(index, committed, stopped);
        if (text.empty()) continue;
        const std::string path = CombinePath(plan.datedFolders[index], kRecordName);
        WriteWholeFile(path, text);
        Platform::KeepWritableByOwnerOnly(path);
    }
}

// After a commit that stopped part-way the records list what was put in place, so that
// a restore undoes exactly that.
void CompleteRecords(TransactionPlan& plan, CTransactionClient& client, bool stopped)
{
    std::string recordError;
    try {
        WriteRecords(plan, client, true, stopped);
    } catch (const std::exception& error) {
        recordError = error.what();
    }
    client.Completed(stopped, recordError);
}

// The folders of the placements that never go through a link, each held once.
void HoldFolders(TransactionPlan& plan)
{
    std::map<std::string, std::shared_ptr<Platform::HeldFolder>> held;
    for (std::size_t index = 0; index < plan.placements.size(); ++index) {
        Placement& placement = plan.placements[index];
        if (placement.throughLinks) continue;
        std::shared_ptr<Platform::HeldFolder>& folder = held[DirectoryPart(placement.target)];
        if (!folder) {
            auto holding = std::shared_ptr<Platform::HeldFolder>(new Platform::HeldFolder(), [](Platform::HeldFolder* done) {
                Platform::ReleaseFolder(*done);
                delete done;
            });
            if (const int errorCode = Platform::HoldFolder(DirectoryPart(placement.target), *holding)) {
                throw CTransactionFailure(index, FailedStep::Folder, errorCode);
            }
            folder = holding;
        }
        placement.folder = folder;
    }
}

void Commit(TransactionPlan& plan, CTransactionClient& client)
{
    Platform::DeferInterrupts(true);
    for (const bool removals : {false, true}) {
        for (std::size_t index = 0; index < plan.placements.size(); ++index) {
            Placement& placement = plan.placements[index];
            if (placement.removes != removals) continue;
            const bool done = !removals    ? placement.staged.PutInPlace(placement.realTarget)
                              : placement.folder ? Platform::RemoveEntryWithin(*placement.folder, FileNamePart(placement.target))
                                                 : Platform::RemoveEntry(placement.target);
            if (!done) {
                const int errorCode = Platform::LastErrorCode();
                for (Placement& rest : plan.placements) rest.staged.Discard();
                CompleteRecords(plan, client, true);
                throw CTransactionFailure(index, removals ? FailedStep::Remove : FailedStep::Replace, errorCode);
            }
            if (removals) Platform::SyncDirectoryOf(placement.target);
            placement.placed = true;
            client.Placed(index);
        }
    }
}

// What would fail at the commit is found before anything changes.
void CheckCommittable(const TransactionPlan& plan)
{
    for (std::size_t index = 0; index < plan.placements.size(); ++index) {
        const Placement& placement = plan.placements[index];
        if (placement.removes) {
            if (Platform::KindOf(placement.target) == Platform::EntryKind::Missing) continue;
            if (const int errorCode = Platform::RemovalError(placement.target)) {
                throw CTransactionFailure(index, FailedStep::RemovalCheck, errorCode);
            }
            continue;
        }
        std::string folder = DirectoryPart(placement.realTarget);
        while (!folder.empty() && !IsDirectory(folder) && DirectoryPart(folder) != folder) folder = DirectoryPart(folder);
        if (const int errorCode = Platform::CreationError(folder)) {
            throw CTransactionFailure(index, FailedStep::Creation, errorCode);
        }
    }
}

}  // namespace

void RunTransaction(TransactionPlan& plan, CTransactionClient& client)
{
    for (Placement& placement : plan.placements) {
        placement.realTarget = placement.throughLinks ? Platform::FinalLinkTarget(placement.target) : placement.target;
    }
    CheckCommittable(plan);
    try {
        // The targets' folders stay once made, as a folder the user named would.
        CMadeEntries targetFolders;
        for (Placement& placement : plan.placements) {
            if (!placement.removes) targetFolders.MakeParents(placement.realTarget);
        }
        targetFolders.Keep();
        HoldFolders(plan);
        // Left-overs of earlier runs that ended before their commit go first.
        std::map<std::string, std::vector<std::string>> namesByFolder;
        for (const Placement& placement : plan.placements) {
            if (!placement.removes) {
                namesByFolder[DirectoryPart(placement.realTarget)].push_back(FileNamePart(placement.realTarget));
            }
        }
        for (const auto& [folder, names] : namesByFolder) RemoveLeftTemporaries(folder, names);
        for (std::size_t index = 0; index < plan.placements.size(); ++index) {
            Placement& placement = plan.placements[index];
            if (!placement.removes) placement.staged = client.Stage(index, placement);
        }
        CMadeEntries made;
        Preserve(plan, made);
        for (std::size_t index = 0; index < plan.datedFolders.size(); ++index) {
            made.NoteFile(CombinePath(plan.datedFolders[index], kRecordName));
        }
        WriteRecords(plan, client, false, false);
        client.Preserved();
        made.Keep();
    } catch (...) {
        for (Placement& placement : plan.placements) placement.staged.Discard();
        throw;
    }
    Commit(plan, client);
    CompleteRecords(plan, client, false);
}
