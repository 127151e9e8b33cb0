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

// Moves a record's backup from one dated folder name to another.
void Restamp(FileConversion& record, const std::string& newFolderName)
{
    const std::string oldFolder = record.backupFolder;
    record.backupFolder = CombinePath(DirectoryPart(oldFolder), FileNamePart(newFolderName));
    record.backupPath = record.backupFolder + record.backupPath.substr(oldFolder.size());
}

}  // namespace

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
        bool taken = false;
        std::set<std::string> made;
        for (const FileConversion& record : conversions) {
            if (made.count(record.backupFolder) != 0) continue;
            MakeParents(record.backupFolder);
            int errorCode = 0;
            if (MakeFolder(record.backupFolder, true, errorCode)) {
                made.insert(record.backupFolder);
                continue;
            }
            if (!Platform::IsExistsError(errorCode) || attempt + 1 == kAttempts) {
                Undo();
                throw RecordError(record, MoveErrorText(record.inputPath, record.backupPath, errorCode));
            }
            taken = true;
            break;
        }
        if (!taken) return;
        // Another run has this second's folder: take the next second's name.
        Undo();
        std::string name = BackupFolderName();
        while (FileNamePart(name) <= lastName) {
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
            name = BackupFolderName();
        }
        lastName = FileNamePart(name);
        for (FileConversion& record : conversions) Restamp(record, name);
    }
}

void CBackupStep::MakeParents(const std::string& path)
{
    std::vector<std::string> missing;
    for (std::string folder = DirectoryPart(path); !folder.empty() && !IsDirectory(folder);
         folder = DirectoryPart(folder)) {
        missing.push_back(folder);
    }
    int errorCode = 0;
    for (auto folder = missing.rbegin(); folder != missing.rend(); ++folder) MakeFolder(*folder, false, errorCode);
}

void CBackupStep::Run(std::vector<FileConversion>& conversions)
{
    if (conversions.empty()) return;
    MakeDatedFolders(conversions);
    // An input that several records read is preserved once.
    std::set<std::string> preserved;
    for (const FileConversion& record : conversions) {
        if (!preserved.insert(record.inputIdentity).second) continue;
        MakeParents(record.backupPath);
        const int errorCode = Platform::PreserveCopy(record.inputPath, record.backupPath);
        if (errorCode != 0) {
            Undo();
            throw RecordError(record, MoveErrorText(record.inputPath, record.backupPath, errorCode));
        }
        m_madeFiles.push_back(record.backupPath);
    }
}

void CBackupStep::Undo()
{
    for (const std::string& file : m_madeFiles) Platform::RemoveFile(file);
    for (auto folder = m_madeFolders.rbegin(); folder != m_madeFolders.rend(); ++folder) {
        Platform::RemoveEmptyDirectory(*folder);
    }
    m_madeFiles.clear();
    m_madeFolders.clear();
}
