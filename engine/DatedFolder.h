#pragma once

// Before anything is replaced, what it held is preserved in a folder named after the
// local time of the run: old_version/YYYYMMDDhhmmss_conv. A run makes its folders itself
// (never one that exists), writable by their owner only, so two runs never share one,
// and a backup never replaces a file.

#include <string>

inline constexpr const char* kBackupRootName = "old_version";

// "old_version/YYYYMMDDhhmmss_conv" with the build's separator.
std::string BackupFolderName();
// The first name of a later second than the dated folder `lastName` ("" for any),
// waiting for that second when it has not come yet.
std::string BackupFolderNameAfter(const std::string& lastName);
// True for a "YYYYMMDDhhmmss_conv" name.
bool IsDatedFolderName(const std::string& name);

// The dated folder a backup of the input goes to: beside the input without -fdir,
// under the -fdir folder with it.
std::string DatedFolderFor(const std::string& inputPath, const std::string& baseDirectory, bool hasFileDirectory,
                           const std::string& backupFolder);

// Beside the input without -fdir; with it, under the -fdir folder, keeping the
// input's place below that folder when it lies there.
std::string BackupPathFor(const std::string& inputPath, const std::string& baseDirectory, bool hasFileDirectory,
                          const std::string& backupFolder);

// "Unable to create the backup folder [<folder>].Error is [<code>][<text>]".
std::string BackupFolderErrorText(const std::string& folder, int errorCode);

// The text of a failed move into the backup folder; a backup or a removal that fails
// says the same, as the input is what the user sees moved.
std::string MoveErrorText(const std::string& inputPath, const std::string& backupPath, int errorCode);
