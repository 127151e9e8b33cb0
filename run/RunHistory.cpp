#include "run/RunHistory.h"

#include "platform/Console.h"
#include "platform/LetterCase.h"
#include "platform/Paths.h"
#include "platform/Platform.h"
#include "run/WholeFile.h"

#include <algorithm>
#include <map>

namespace {

bool IsDatedFolderName(const std::string& name)
{
    constexpr std::size_t kDigits = 14;
    if (name.size() != kDigits + 5 || name.compare(kDigits, 5, "_conv") != 0) return false;
    return std::all_of(name.begin(), name.begin() + kDigits, [](char byte) { return byte >= '0' && byte <= '9'; });
}

// The newest standing conversion by this scheme that wrote `output`: a restore's record
// is no conversion, and a record whose commit did not end counts only where the output
// holds what it wrote.
const RecordedRun* PriorConversion(const std::vector<RecordedRun>& runs, const std::string& schemeSha256,
                                   const std::string& output, const RunRecordEntry*& entry)
{
    for (const RecordedRun& run : runs) {
        const RunRecord& record = run.record;
        if (record.schemeSha256 != schemeSha256 || !record.undone.empty() || !record.restoreOf.empty()) continue;
        for (const RunRecordEntry& candidate : record.records) {
            if (!SamePath(candidate.output, output)) continue;
            if (!record.complete) {
                bool exists = false;
                if (FileSha256(output, exists) != candidate.outputSha256) continue;
            }
            entry = &candidate;
            return &run;
        }
    }
    return nullptr;
}

}  // namespace

bool SamePath(const std::string& left, const std::string& right)
{
    if (Platform::PathSeparator() != '\\') return left == right;
    return LetterCase::LowerText(left) == LetterCase::LowerText(right);
}

std::vector<RecordedRun> RecordedRuns(const std::string& backupRoot)
{
    std::vector<RecordedRun> runs;
    std::vector<Platform::DirectoryEntry> entries;
    if (!Platform::ListEntries(backupRoot, entries)) return runs;
    for (const Platform::DirectoryEntry& entry : entries) {
        if (!entry.isDirectory || !IsDatedFolderName(entry.name)) continue;
        RecordedRun run;
        run.folder = CombinePath(backupRoot, entry.name);
        if (ReadRunRecord(run.folder, run.record)) runs.push_back(std::move(run));
    }
    std::sort(runs.begin(), runs.end(), [](const RecordedRun& left, const RecordedRun& right) {
        return FileNamePart(left.folder) > FileNamePart(right.folder);
    });
    return runs;
}

std::vector<ConvertedRecord> TakeConvertedRecords(std::vector<FileConversion>& conversions,
                                                  const std::string& schemeSha256)
{
    std::map<std::string, std::vector<RecordedRun>> byRoot;
    std::vector<ConvertedRecord> taken;
    std::vector<FileConversion> kept;
    for (FileConversion& record : conversions) {
        const std::string root = DirectoryPart(record.backupFolder);
        auto found = byRoot.find(root);
        if (found == byRoot.end()) found = byRoot.emplace(root, RecordedRuns(root)).first;
        const RunRecordEntry* entry = nullptr;
        const RecordedRun* prior = PriorConversion(found->second, schemeSha256, record.outputPath, entry);
        bool inputExists = false;
        if (prior == nullptr || FileSha256(record.inputPath, inputExists) == entry->inputSha256) {
            kept.push_back(std::move(record));
            continue;
        }
        Console::Print("\nFile '" + record.outputPath + "' was converted by this scenario on " + prior->record.started +
                       "; left as it is");
        taken.push_back({std::move(record), prior->record.started});
    }
    conversions = std::move(kept);
    return taken;
}
