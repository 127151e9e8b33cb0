#pragma once

// Before converted files replace anything, each input's bytes are preserved in a backup
// folder named after the local time of the run: old_version/YYYYMMDDhhmmss_conv. The
// run makes that folder itself, so two runs never share one, and a backup never
// replaces a file.

#include "scheme/FileConversion.h"

#include <string>
#include <vector>

std::string BackupFolderName();
// The first name of a later second than the dated folder `lastName` ("" for any),
// waiting for that second when it has not come yet.
std::string BackupFolderNameAfter(const std::string& lastName);

// The dated folder a backup of the input goes to: beside the input without -fdir,
// under the -fdir folder with it.
std::string DatedFolderFor(const std::string& inputPath, const std::string& baseDirectory, bool hasFileDirectory,
                           const std::string& backupFolder);

// Beside the input without -fdir; with it, under the -fdir folder, keeping the
// input's place below that folder when it lies there.
std::string BackupPathFor(const std::string& inputPath, const std::string& baseDirectory, bool hasFileDirectory,
                          const std::string& backupFolder);

// The backup step of a run. The inputs stay in place; what the step made is undone
// when it fails, or on request when a later step fails before anything is committed.
class CBackupStep {
public:
    // Creates the dated folders (moving every record to the next second's name when a
    // folder of this second's name exists), preserves each input once and each existing
    // output that no record reads, and flushes the folders. Throws the move error of the
    // record that failed, or the folder error, after undoing everything it made.
    void Run(std::vector<FileConversion>& conversions);
    // A file made beside the backups (the run's record) that Undo removes too.
    void NoteMadeFile(const std::string& path);
    void Undo();

    // Creates the missing folders above `path`, noting each as made: 0, or the system's
    // reason for the one it could not make.
    int MakeParents(const std::string& path);
    bool MakeFolder(const std::string& path, bool exclusive, int& errorCode);

private:
    void MakeDatedFolders(std::vector<FileConversion>& conversions);
    void Preserve(const FileConversion& record, const std::string& source, const std::string& backupPath);

    std::vector<std::string> m_madeFolders;
    std::vector<std::string> m_madeFiles;
};

// "Unable to create the backup folder [<folder>].Error is [<code>][<text>]".
std::string BackupFolderErrorText(const std::string& folder, int errorCode);

// The text of a failed move into the backup folder; a backup or a removal that fails
// says the same, as the input is what the user sees moved.
std::string MoveErrorText(const std::string& inputPath, const std::string& backupPath, int errorCode);
