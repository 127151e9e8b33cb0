#include "engine/DatedFolder.h"

#include "platform/Paths.h"
#include "platform/Platform.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <optional>
#include <thread>

std::string BackupFolderName()
{
    const Platform::LocalTime now = Platform::Now();
    char stamp[64];
    std::snprintf(stamp, sizeof stamp, "%04d%02d%02d%02d%02d%02d_conv", now.year, now.month, now.day, now.hour,
                  now.minute, now.second);
    return kBackupRootName + Separator() + stamp;
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

bool IsDatedFolderName(const std::string& name)
{
    constexpr std::size_t kDigits = 14;
    if (name.size() != kDigits + 5 || name.compare(kDigits, 5, "_conv") != 0) return false;
    return std::all_of(name.begin(), name.begin() + kDigits, [](char byte) { return byte >= '0' && byte <= '9'; });
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

std::string BackupFolderErrorText(const std::string& folder, int errorCode)
{
    return "Unable to create the backup folder [" + folder + "].Error is [" + std::to_string(errorCode) + "][" +
           Platform::ErrorText(errorCode) + "]";
}

std::string MoveErrorText(const std::string& inputPath, const std::string& backupPath, int errorCode)
{
    return "Unable to move file [" + inputPath + "] to [" + backupPath + "].Error is [" + std::to_string(errorCode) +
           "][" + Platform::ErrorText(errorCode) + "]";
}
