#include "run/Backup.h"

#include "platform/Platform.h"
#include "run/Paths.h"

#include <cstdio>
#include <optional>
#include <stdexcept>

std::string BackupFolderName()
{
    const Platform::LocalTime now = Platform::Now();
    char stamp[64];
    std::snprintf(stamp, sizeof stamp, "%04d%02d%02d%02d%02d%02d_conv", now.year, now.month, now.day, now.hour,
                  now.minute, now.second);
    return "old_version" + Separator() + stamp;
}

std::string BackupPathFor(const std::string& inputPath, const std::string& baseDirectory, bool hasFileDirectory,
                          const std::string& backupFolder)
{
    const std::string directory = DirectoryPart(inputPath);
    const std::string name = FileNamePart(inputPath);
    if (!hasFileDirectory) return CombinePath(CombinePath(directory, backupFolder), name);
    const std::string root = CombinePath(baseDirectory, backupFolder);
    const std::optional<std::string> below = RelativePath(baseDirectory, directory);
    const std::string folder = below ? CombinePath(root, *below) : root;
    return CombinePath(folder, name);
}

void MoveToBackup(const std::string& inputPath, const std::string& backupPath)
{
    const int errorCode = Platform::MoveReplacing(inputPath, backupPath);
    if (errorCode == 0) return;
    throw std::runtime_error("Unable to move file [" + inputPath + "] to [" + backupPath + "].Error is [" +
                             std::to_string(errorCode) + "][" + Platform::ErrorText(errorCode) + "]");
}
