#include "run/Checks.h"

#include "engine/FileIdentity.h"
#include "platform/Platform.h"
#include "run/RecordError.h"
#include "history/RunRecord.h"

#include <map>
#include <set>

namespace {

void CheckNoZeroByte(const FileConversion& record, const std::string& path)
{
    if (path.find('\0') != std::string::npos) {
        throw RecordError(record, "a file name holds a zero byte: [" + PrintablePath(path) + "]");
    }
}

// Backup paths are compared as every other name: as the file system knows them.
std::string BackupKey(const std::string& path) { return FileKeyOf(path); }

using BackupOwners = std::map<std::string, std::pair<std::string, std::string>>;  // key -> path, identity

// A backup path is refused when another file's backup takes it, or when it would take
// the name of the run's record.
void CheckBackupPath(const FileConversion& record, const std::string& backupPath, const std::string& datedFolder,
                     const std::string& sourcePath, const std::string& sourceIdentity, BackupOwners& backups)
{
    if (BackupKey(backupPath) == BackupKey(RunRecordPath(datedFolder))) {
        throw RecordError(record, "the backup file [" + backupPath + "] of [" + sourcePath +
                                      "] would take the name of the run's record");
    }
    const auto [sharer, isFirst] = backups.emplace(BackupKey(backupPath), std::make_pair(sourcePath, sourceIdentity));
    if (!isFirst && sharer->second.second != sourceIdentity) {
        throw RecordError(record, "two input files would share one backup file [" + backupPath + "]: [" +
                                      sharer->second.first + "] and [" + sourcePath + "]");
    }
}

}  // namespace

void CheckConversions(std::vector<FileConversion>& conversions, bool noBackup)
{
    std::map<std::string, const FileConversion*> outputs;
    BackupOwners backups;
    for (FileConversion& record : conversions) {
        CheckNoZeroByte(record, record.inputPath);
        CheckNoZeroByte(record, record.outputPath);
        if (!noBackup) CheckNoZeroByte(record, record.backupPath);

        record.outputIdentity = FileKeyOf(record.outputPath);
        const auto [earlier, isNew] = outputs.emplace(record.outputIdentity, &record);
        if (!isNew) {
            throw RecordError(record, "two records write one file: [" + earlier->second->outputPath + "] and [" +
                                          record.outputPath + "]; the first record's result would be lost");
        }
        const Platform::EntryKind kind = Platform::KindOf(Platform::FinalLinkTarget(record.outputPath));
        if (kind == Platform::EntryKind::Directory || kind == Platform::EntryKind::Other) {
            throw RecordError(record, "Unable to create file [" + record.outputPath + "]");
        }

        record.inputIdentity = FileKeyOf(record.inputPath);
        record.outputExisted = kind == Platform::EntryKind::File;
        if (noBackup) continue;
        CheckBackupPath(record, record.backupPath, record.backupFolder, record.inputPath, record.inputIdentity, backups);
    }
    std::set<std::string> inputs;
    for (FileConversion& record : conversions) {
        record.inputRewritten = outputs.count(record.inputIdentity) != 0;
        inputs.insert(record.inputIdentity);
    }
    if (noBackup) return;
    // An existing output that no record reads would be lost without a copy of its own.
    for (FileConversion& record : conversions) {
        record.outputNeedsBackup = record.outputExisted && inputs.count(record.outputIdentity) == 0;
        if (!record.outputNeedsBackup) continue;
        CheckNoZeroByte(record, record.outputBackupPath);
        CheckBackupPath(record, record.outputBackupPath, record.outputBackupFolder, record.outputPath,
                        record.outputIdentity, backups);
    }
}
