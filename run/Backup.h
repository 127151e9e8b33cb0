#pragma once

// Before a converted file is written, its input is moved into a backup folder named
// after the local time of the run: old_version/YYYYMMDDhhmmss_conv.

#include <string>

std::string BackupFolderName();

// Beside the input without -fdir; with it, under the -fdir folder, keeping the
// input's place below that folder when it lies there.
std::string BackupPathFor(const std::string& inputPath, const std::string& baseDirectory, bool hasFileDirectory,
                          const std::string& backupFolder);

// Moves the file, replacing an older backup of the same name; throws on failure.
void MoveToBackup(const std::string& inputPath, const std::string& backupPath);
