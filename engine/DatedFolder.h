#pragma once

// Before anything is replaced, what it held is preserved in a folder named after the
// local time of the run: old_version/YYYYMMDDhhmmss_conv. A run makes its folders itself
// (never one that exists), writable by their owner only, so two runs never share one,
// and a backup never replaces a file.

#include <string>
#include <vector>

inline constexpr const char* kBackupRootName = "old_version";

// "old_version/YYYYMMDDhhmmss_conv" with the build's separator.
std::string BackupFolderName();
// The dated folder name of the second after that of `datedName` ("YYYYMMDDhhmmss_conv"),
// counted on the calendar, never on the clock.
std::string NextSecondName(const std::string& datedName);
// The name of a new dated folder for backup roots `roots`: `proposed` (the local time
// the run was planned at), or, when that is not later than the newest dated folder in
// one of them (a clock set back, another time zone, the repeated hour of a
// daylight-saving change), the second after the newest. Naming never waits for the
// clock.
std::string FreshDatedFolderName(const std::string& proposed, const std::vector<std::string>& roots);
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
