#include "engine/Transaction.h"

#include "console/Console.h"
#include "engine/DatedFolder.h"
#include "engine/FileIdentity.h"
#include "engine/StagedWrite.h"
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
    void NoteFolder(const std::string& path)
    {
        m_folders.push_back(path);
        Platform::SyncDirectoryOf(path);
    }

private:
    std::vector<std::string> m_files;
    std::vector<std::string> m_folders;
};

// `datedName` is a bare "YYYYMMDDhhmmss_conv".
void Restamp(std::string& folder, const std::string& datedName)
{
    folder = CombinePath(DirectoryPart(folder), datedName);
}

using HeldFolders = std::vector<std::shared_ptr<const Platform::HeldFolder>>;

// Each dated folder is held once made, so that the backups and the record go into the
// very folder made, whatever is renamed or linked above it meanwhile; a restore's is
// also reached with no link on the way, as its targets are.
void HoldDatedFolders(const TransactionPlan& plan, HeldFolders& dated)
{
    for (std::size_t index = 0; index < plan.datedFolders.size(); ++index) {
        bool wholeWay = false;
        std::size_t bound = plan.placements.size();
        for (std::size_t placement = 0; placement < plan.placements.size(); ++placement) {
            if (plan.placements[placement].datedFolder != static_cast<int>(index)) continue;
            if (bound == plan.placements.size()) bound = placement;
            wholeWay = wholeWay || !plan.placements[placement].throughLinks;
        }
        auto held = NewHeldFolder();
        if (const int errorCode = Platform::HoldFolder(plan.datedFolders[index], *held, wholeWay)) {
            if (bound < plan.placements.size()) throw CTransactionFailure(bound, FailedStep::Backup, errorCode);
            throw std::runtime_error(BackupFolderErrorText(plan.datedFolders[index], errorCode));
        }
        dated.push_back(std::move(held));
    }
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
            throw std::runtime_error("Unable to create the backup folder [" + Console::ShownName(taken) +
                                     "]: " + std::to_string(kAttempts) +
                                     " names in a row were taken" + Platform::ErrorSuffix(takenError));
        }
        // Another run has this second's folder: take the next second's name.
        lastName = NextSecondName(lastName);
        for (std::string& folder : plan.datedFolders) Restamp(folder, lastName);
    }
}

// Each target the commit may change is preserved once, before anything is replaced.
void Preserve(TransactionPlan& plan, CMadeEntries& made, HeldFolders& dated)
{
    MakeDatedFolders(plan, made);
    HoldDatedFolders(plan, dated);
    std::set<std::string> preserved;
    for (std::size_t index = 0; index < plan.placements.size(); ++index) {
        Placement& placement = plan.placements[index];
        if (placement.datedFolder < 0) continue;
        const std::string name = FileNamePart(placement.target);
        if (placement.folder) {
            const Platform::EntryFacts facts = Platform::FactsWithin(*placement.folder, name);
            if (facts.isLink) throw CTransactionFailure(index, FailedStep::Backup, Platform::IsALinkCode());
            if (!facts.isRegularFile) continue;
        } else if (Platform::KindOf(placement.target) != Platform::EntryKind::File) {
            continue;
        }
        placement.backupPath = CombinePath(plan.datedFolders[static_cast<std::size_t>(placement.datedFolder)],
                                           placement.backupBelow);
        if (!preserved.insert(FileKeyOf(placement.target)).second) continue;
        // The folders below the dated one are made and held one by one from it.
        const std::size_t datedIndex = static_cast<std::size_t>(placement.datedFolder);
        std::shared_ptr<const Platform::HeldFolder> into = dated[datedIndex];
        std::string folderPath = plan.datedFolders[datedIndex];
        const std::string below = placement.backupBelow;
        // A backslash is a name's own byte on POSIX.
        const char* const separators = Platform::PathSeparator() == '\\' ? "/\\" : "/";
        int errorCode = 0;
        for (std::size_t start = 0, slash; errorCode == 0 && (slash = below.find_first_of(separators, start)) != std::string::npos;
             start = slash + 1) {
            const std::string part = below.substr(start, slash - start);
            folderPath = CombinePath(folderPath, part);
            const bool existed = IsDirectory(folderPath);
            auto next = NewHeldFolder();
            errorCode = Platform::MakeFolderWithin(*into, part, *next);
            if (errorCode == 0 && !existed) made.NoteFolder(folderPath);
            into = next;
        }
        if (errorCode == 0) {
            const std::string backupName = below.substr(below.find_last_of(separators) + 1);
            errorCode = placement.folder ? Platform::PreserveCopyInto(placement.folder.get(), name, *into, backupName)
                                         : Platform::PreserveCopyInto(nullptr, placement.target, *into, backupName);
        }
        if (errorCode != 0) throw CTransactionFailure(index, FailedStep::Backup, errorCode);
        made.NoteFile(placement.backupPath);
        Platform::SyncDirectoryOf(placement.backupPath);
    }
}

void WriteRecords(TransactionPlan& plan, const HeldFolders& dated, CTransactionClient& client, bool committed,
                  bool stopped)
{
    for (std::size_t index = 0; index < plan.datedFolders.size(); ++index) {
        const std::string text = client.RecordText(index, committed, stopped);
        if (text.empty()) continue;
        WriteWholeFile(CombinePath(plan.datedFolders[index], kRecordName), text, dated[index]);
        Platform::KeepWritableByOwnerOnlyWithin(*dated[index], kRecordName);
    }
}

// After a commit that stopped part-way the records list what was put in place, so that
// a restore undoes exactly that.
void CompleteRecords(TransactionPlan& plan, const HeldFolders& dated, CTransactionClient& client, bool stopped)
{
    std::string recordError;
    try {
        WriteRecords(plan, dated, client, true, stopped);
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
            auto holding = NewHeldFolder();
            if (const int errorCode = Platform::HoldFolder(DirectoryPart(placement.target), *holding)) {
                throw CTransactionFailure(index, FailedStep::Folder, errorCode);
            }
            folder = holding;
        }
        placement.folder = folder;
    }
}

void Commit(TransactionPlan& plan, const HeldFolders& dated, CTransactionClient& client)
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
                CompleteRecords(plan, dated, client, true);
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
    // What the sequence made before the commit (removed again if a step fails), and the
    // dated folders, held from when they are made until the records are complete.
    CMadeEntries made;
    HeldFolders dated;
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
        Preserve(plan, made, dated);
        for (std::size_t index = 0; index < plan.datedFolders.size(); ++index) {
            made.NoteFile(CombinePath(plan.datedFolders[index], kRecordName));
        }
        WriteRecords(plan, dated, client, false, false);
        client.Preserved();
        made.Keep();
    } catch (...) {
        for (Placement& placement : plan.placements) placement.staged.Discard();
        // A held folder cannot be removed on Windows: each is let go first.
        dated.clear();
        made.Undo();
        throw;
    }
    Commit(plan, dated, client);
    CompleteRecords(plan, dated, client, false);
}
