#include "run/Checks.h"

#include "platform/LetterCase.h"
#include "platform/Platform.h"
#include "run/RecordError.h"

#include <map>
#include <set>

namespace {

void CheckNoZeroByte(const FileConversion& record, const std::string& path)
{
    if (path.find('\0') != std::string::npos) {
        throw RecordError(record, "a file name holds a zero byte: [" + PrintablePath(path) + "]");
    }
}

// Backup paths are compared as the file system compares names.
std::string BackupKey(const std::string& path)
{
    return Platform::PathSeparator() == '\\' ? LetterCase::LowerText(path) : path;
}

}  // namespace

void CheckConversions(std::vector<FileConversion>& conversions, bool noBackup)
{
    std::map<std::string, const FileConversion*> outputs;
    std::map<std::string, const FileConversion*> backups;
    for (FileConversion& record : conversions) {
        CheckNoZeroByte(record, record.inputPath);
        CheckNoZeroByte(record, record.outputPath);
        if (!noBackup) CheckNoZeroByte(record, record.backupPath);

        const std::string outputIdentity = Platform::FileIdentity(record.outputPath);
        const auto [earlier, isNew] = outputs.emplace(outputIdentity, &record);
        if (!isNew) {
            throw RecordError(record, "two records write one file: [" + earlier->second->outputPath + "] and [" +
                                          record.outputPath + "]; the first record's result would be lost");
        }
        const Platform::EntryKind kind = Platform::KindOf(Platform::FinalLinkTarget(record.outputPath));
        if (kind == Platform::EntryKind::Directory || kind == Platform::EntryKind::Other) {
            throw RecordError(record, "Unable to create file [" + record.outputPath + "]");
        }

        record.inputIdentity = Platform::FileIdentity(record.inputPath);
        if (noBackup) continue;
        const auto [sharer, isFirst] = backups.emplace(BackupKey(record.backupPath), &record);
        if (!isFirst && sharer->second->inputIdentity != record.inputIdentity) {
            throw RecordError(record, "two input files would share one backup file [" + record.backupPath +
                                          "]: [" + sharer->second->inputPath + "] and [" + record.inputPath + "]");
        }
    }
    for (FileConversion& record : conversions) record.inputRewritten = outputs.count(record.inputIdentity) != 0;
}
