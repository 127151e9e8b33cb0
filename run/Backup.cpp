#include "run/Backup.h"

#include "platform/Paths.h"
#include "platform/Platform.h"
#include "run/RecordError.h"

#include <chrono>
#include <cstdio>
#include <optional>
#include <set>
#include <stdexcept>
#include <thread>

std::string BackupFolderName()
{
    const Platform::LocalTime now = Platform::Now();
    char stamp[64];
    std::snprintf(stamp, sizeof stamp, "%04d%02d%02d%02d%02d%02d_conv", now.year, now.month, now.day, now.hour,
                  now.minute, now.second);
    return "old_version" + Separator() + stamp;
}

std::string BackupFolderNameAfter(const std::string& lastName)
{
    std::string name = BackupFolderName();
    while (FileNamePart(name) <= lastName) {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        name = BackupFolderName();
    }
    return name;
}

std::string DatedFolderFor(const std::string& inputPath, const std::string& baseDirectory, bool hasFileDirectory,
                           const std::string& backupFolder)
{
    return CombinePath(hasFileDirectory ? baseDirectory : DirectoryPart(inputPath), backupFolder);
}

std::string BackupPathFor(const std::string& inputPath, const std::string& baseDirectory, bool hasFileDirectory,
                          const std::string& backupFolder)
{
    const std::string root = DatedFolderFor(inputPath, baseDirectory, hasFileDirectory, backupFolder);
    const std::string name = FileNamePart(inputPath);
    if (!hasFileDirectory) return CombinePath(root, name);
    const std::optional<std::string> below = RelativePath(baseDirectory, DirectoryPart(inputPath));
    const std::string folder = below ? CombinePath(root, *below) : root;
    return CombinePath(folder, name);
}

std::string MoveErrorText(const std::string& inputPath, const std::string& backupPath, int errorCode)
{
    return "Unable to move file [" + inputPath + "] to [" + backupPath + "].Error is [" + std::to_string(errorCode) +
           "][" + Platform::ErrorText(errorCode) + "]";
}

namespace {

// Moves a backup path from one dated folder name to another.
void Restamp(std::string& folder, std::string& backupPath, const std::string& newFolderName)
{
    const std::string oldFolder = folder;
    folder = CombinePath(DirectoryPart(oldFolder), FileNamePart(newFolderName));
    backupPath = folder + backupPath.substr(oldFolder.size());
}

// The dated folders of the run: every record's input folder, and the folders of the
// existing outputs that are preserved.
std::vector<std::string> DatedFolders(const std::vector<FileConversion>& conversions)
{
    std::vector<std::string> folders;
    std::set<std::string> seen;
    for (const FileConversion& record : conversions) {
        if (seen.insert(record.backupFolder).second) folders.push_back(record.backupFolder);
        if (record.outputNeedsBackup && seen.insert(record.outputBackupFolder).second) {
            folders.push_back(record.outputBackupFolder);
        }
    }
    return folders;
}

}  // namespace

std::string BackupFolderErrorText(const std::string& folder, int errorCode)
{
    return "Unable to create the backup folder [" + folder + "].Error is [" + std::to_string(errorCode) + "][" +
           Platform::ErrorText(errorCode) + "]";
}

// Creates one folder level and notes it as made; an existing folder is fine unless
// `exclusive`.
bool CBackupStep::MakeFolder(const std::string& path, bool exclusive, int& errorCode)
{
    errorCode = Platform::CreateDirectoryExclusive(path);
    if (errorCode == 0) {
        m_madeFolders.push_back(path);
        return true;
    }
    return !exclusive && Platform::IsExistsError(errorCode) && IsDirectory(path);
}

void CBackupStep::MakeDatedFolders(std::vector<FileConversion>& conversions)
{
    constexpr int kAttempts = 30;
    std::string lastName = FileNamePart(conversions.front().backupFolder);
    for (int attempt = 0;; ++attempt) {
        std::string takenFolder;
        int takenError = 0;
        for (const std::string& folder : DatedFolders(conversions)) {
            int errorCode = MakeParents(folder);
            if (errorCode == 0 && MakeFolder(folder, true, errorCode)) continue;
            if (!Platform::IsExistsError(errorCode) || IsDirectory(DirectoryPart(folder)) == false) {
                // A folder that cannot be made surfaces as the failed move of a file
                // bound for it, with the system's own reason.
                Undo();
                for (const FileConversion& record : conversions) {
                    if (record.backupFolder == folder) {
                        throw RecordError(record, MoveErrorText(record.inputPath, record.backupPath, errorCode));
                    }
                    if (record.outputNeedsBackup && record.outputBackupFolder == folder) {
                        throw RecordError(record,
                                          MoveErrorText(record.outputPath, record.outputBackupPath, errorCode));
                    }
                }
                throw std::runtime_error(BackupFolderErrorText(folder, errorCode));
            }
            takenFolder = folder;
            takenError = errorCode;
            break;
        }
        if (takenFolder.empty()) return;
        Undo();
        if (attempt + 1 == kAttempts) {
            throw std::runtime_error("Unable to create the backup folder [" + takenFolder + "]: " +
                                     std::to_string(kAttempts) + " names in a row were taken.Error is [" +
                                     std::to_string(takenError) + "][" + Platform::ErrorText(takenError) + "]");
        }
        // Another run has this second's folder: take the next second's name.
        const std::string name = BackupFolderNameAfter(lastName);
        lastName = FileNamePart(name);
        for (FileConversion& record : conversions) {
            Restamp(record.backupFolder, record.backupPath, name);
            Restamp(record.outputBackupFolder, record.outputBackupPath, name);
        }
    }
}

// Parents the run makes itself; 0, or the system's reason for the one it cannot make.
int CBackupStep::MakeParents(const std::string& path)
{
    std::vector<std::string> missing;
    for (std::string folder = DirectoryPart(path); !folder.empty() && !IsDirectory(folder);
         folder = DirectoryPart(folder)) {
        missing.push_back(folder);
    }
    for (auto folder = missing.rbegin(); folder != missing.rend(); ++folder) {
        int errorCode = 0;
        // Something else by that name fails the next step, with that step's reason.
        if (!MakeFolder(*folder, false, errorCode) && !Platform::IsExistsError(errorCode)) return errorCode;
    }
    return 0;
}

void CBackupStep::Preserve(const FileConversion& record, const std::string& source, const std::string& backupPath)
{
    int errorCode = MakeParents(backupPath);
    if (errorCode == 0) errorCode = Platform::PreserveCopy(source, backupPath);
    if (errorCode != 0) {
        Undo();
        throw RecordError(record, MoveErrorText(source, backupPath, errorCode));
    }
    m_madeFiles.push_back(backupPath);
}

void CBackupStep::Run(std::vector<FileConversion>& conversions)
{
    if (conversions.empty()) return;
    MakeDatedFolders(conversions);
    // A file that several records read is preserved once.
    std::set<std::string> preserved;
    for (const FileConversion& record : conversions) {
        if (preserved.insert(record.inputIdentity).second) Preserve(record, record.inputPath, record.backupPath);
    }
    for (const FileConversion& record : conversions) {
        if (record.outputNeedsBackup) Preserve(record, record.outputPath, record.outputBackupPath);
    }
    // The backups are on disk before the first output is replaced.
    std::set<std::string> synced;
    for (const std::string& file : m_madeFiles) {
        if (synced.insert(DirectoryPart(file)).second) Platform::SyncDirectoryOf(file);
    }
    for (const std::string& folder : DatedFolders(conversions)) Platform::SyncDirectoryOf(folder);
}

void CBackupStep::NoteMadeFile(const std::string& path) { m_madeFiles.push_back(path); }

void CBackupStep::Undo()
{
    for (const std::string& file : m_madeFiles) Platform::RemoveFile(file);
    for (auto folder = m_madeFolders.rbegin(); folder != m_madeFolders.rend(); ++folder) {
        Platform::RemoveEmptyDirectory(*folder);
    }
    m_madeFiles.clear();
    m_madeFolders.clear();
}
