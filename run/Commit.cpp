#include "run/Commit.h"

#include "platform/Console.h"
#include "platform/Platform.h"
#include "run/Backup.h"
#include "run/RecordError.h"

#include <set>

namespace {

std::string NotConverted(const std::vector<FileConversion>& conversions, std::size_t fromIndex)
{
    std::string list;
    for (std::size_t index = fromIndex; index < conversions.size(); ++index) {
        list += (list.empty() ? "" : ", ") + std::string("'") + conversions[index].inputPath + "'";
    }
    return list;
}

}  // namespace

void CommitAll(std::vector<FileConversion>& conversions, const std::vector<StagedOutput>& staged, bool noBackup)
{
    for (std::size_t index = 0; index < conversions.size(); ++index) {
        FileConversion& record = conversions[index];
        if (!Platform::ReplaceWith(staged[index].temporaryPath, staged[index].targetPath)) {
            DiscardStaged(staged, index);
            throw RecordError(record, "Unable to write file [" + record.outputPath + "]; files not converted: " +
                                          NotConverted(conversions, index));
        }
        Platform::SyncDirectoryOf(staged[index].targetPath);
        record.committed = true;
        Console::Print("\nFile '" + record.inputPath + "' successfully converted to file '" + record.outputPath + "'");
    }
    if (noBackup) return;
    std::set<std::string> removed;
    for (const FileConversion& record : conversions) {
        if (record.inputRewritten || !removed.insert(record.inputIdentity).second) continue;
        if (!Platform::RemoveEntry(record.inputPath)) {
            throw RecordError(record, MoveErrorText(record.inputPath, record.backupPath, Platform::LastErrorCode()));
        }
        Platform::SyncDirectoryOf(record.inputPath);
    }
}
