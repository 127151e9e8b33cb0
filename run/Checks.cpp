#include "run/Checks.h"

#include "console/Console.h"
#include "engine/FileIdentity.h"
#include "history/RunRecord.h"
#include "platform/Platform.h"
#include "run/RecordError.h"

#include <map>
#include <set>

using Console::ShownName;

namespace {

void CheckNoZeroByte(const FilePaths& paths, const std::string& path)
{
    if (path.find('\0') != std::string::npos) {
        throw RecordError(paths, "a file name holds a zero byte: [" + ShownName(PrintablePath(path)) + "]");
    }
}

// Backup paths are compared as every other name: as the file system knows them.
std::string BackupKey(const std::string& path) { return FileKeyOf(path); }

using BackupOwners = std::map<std::string, std::pair<std::string, std::string>>;  // key -> path, identity

// A backup path is refused when another file's backup takes it, or when it would take
// the name of the run's record.
void CheckBackupPath(const FilePaths& paths, const std::string& backupPath, const std::string& datedFolder,
                     const std::string& sourcePath, const std::string& sourceIdentity, BackupOwners& backups)
{
    if (BackupKey(backupPath) == BackupKey(RunRecordPath(datedFolder))) {
        throw RecordError(paths, "the backup file [" + ShownName(backupPath) + "] of [" + sourcePath +
                                     "] would take the name of the run's record");
    }
    const auto [sharer, isFirst] = backups.emplace(BackupKey(backupPath), std::make_pair(sourcePath, sourceIdentity));
    if (!isFirst && sharer->second.second != sourceIdentity) {
        throw RecordError(paths, "two input files would share one backup file [" + ShownName(backupPath) + "]: [" +
                                     sharer->second.first + "] and [" + ShownName(sourcePath) + "]");
    }
}

}  // namespace

std::vector<WriteFacts> CheckConversions(const std::vector<ConvertedFile>& files, bool noBackup)
{
    std::vector<WriteFacts> facts(files.size());
    std::map<std::string, const FilePaths*> outputs;
    BackupOwners backups;
    for (std::size_t index = 0; index < files.size(); ++index) {
        const FilePaths& paths = files[index].paths;
        WriteFacts& fact = facts[index];
        CheckNoZeroByte(paths, paths.input);
        CheckNoZeroByte(paths, paths.output);
        if (!noBackup) CheckNoZeroByte(paths, paths.backup);

        fact.outputIdentity = FileKeyOf(paths.output);
        const auto [earlier, isNew] = outputs.emplace(fact.outputIdentity, &paths);
        if (!isNew) {
            throw RecordError(paths, "two records write one file: [" + ShownName(earlier->second->output) + "] and [" +
                                         ShownName(paths.output) + "]; the first record's result would be lost");
        }
        const Platform::EntryKind kind = Platform::KindOf(Platform::FinalLinkTarget(paths.output));
        if (kind == Platform::EntryKind::Directory || kind == Platform::EntryKind::Other) {
            throw RecordError(paths, "Unable to create file [" + ShownName(paths.output) + "]");
        }

        fact.inputIdentity = FileKeyOf(paths.input);
        fact.outputExisted = kind == Platform::EntryKind::File;
        if (noBackup) continue;
        CheckBackupPath(paths, paths.backup, paths.backupFolder, paths.input, fact.inputIdentity, backups);
    }
    std::set<std::string> inputs;
    for (WriteFacts& fact : facts) {
        fact.inputRewritten = outputs.count(fact.inputIdentity) != 0;
        inputs.insert(fact.inputIdentity);
    }
    if (noBackup) return facts;
    // An existing output that no file of the run reads would be lost without a copy of its own.
    for (std::size_t index = 0; index < files.size(); ++index) {
        const FilePaths& paths = files[index].paths;
        WriteFacts& fact = facts[index];
        fact.outputNeedsBackup = fact.outputExisted && inputs.count(fact.outputIdentity) == 0;
        if (!fact.outputNeedsBackup) continue;
        CheckNoZeroByte(paths, paths.outputBackup);
        CheckBackupPath(paths, paths.outputBackup, paths.outputBackupFolder, paths.output, fact.outputIdentity,
                        backups);
    }
    return facts;
}
