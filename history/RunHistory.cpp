#include "history/RunHistory.h"

#include "engine/DatedFolder.h"
#include "engine/FileIdentity.h"
#include "engine/TemporaryFile.h"
#include "engine/WholeFile.h"
#include "platform/Paths.h"
#include "platform/Platform.h"

#include <algorithm>
#include <map>
#include <stdexcept>

namespace {

enum class Match { None, Same, OtherVersion };

// A record of an earlier release knew a scheme by its bytes alone.
Match MatchOf(const RunRecord& record, const SchemeIdentity& scheme)
{
    if (record.schemeDigest.empty() ? record.schemeSha256 == scheme.bytesSha256 : record.schemeDigest == scheme.digest) {
        return Match::Same;
    }
    return !scheme.id.empty() && record.schemeId == scheme.id ? Match::OtherVersion : Match::None;
}

// The newest standing conversion by this scheme, or another version of it, that wrote
// `output`: a restore's record is no conversion, and a record whose commit did not end
// counts only where the output holds what it wrote.
const RecordedRun* PriorConversion(const std::vector<RecordedRun>& runs, const SchemeIdentity& scheme,
                                   const std::string& output, const RunRecordEntry*& entry, Match& match)
{
    for (const RecordedRun& run : runs) {
        const RunRecord& record = run.record;
        if (!record.undone.empty() || !record.restoreOf.empty()) continue;
        match = MatchOf(record, scheme);
        if (match == Match::None) continue;
        for (const RunRecordEntry& candidate : record.records) {
            if (!SameFile(candidate.output, output)) continue;
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

std::vector<RecordedRun> RecordedRuns(const std::string& backupRoot)
{
    std::vector<RecordedRun> runs;
    std::vector<Platform::DirectoryEntry> entries;
    if (!Platform::ListEntries(backupRoot, entries)) return runs;
    for (const Platform::DirectoryEntry& entry : entries) {
        // A link in place of a dated folder is no run's: it is never followed.
        if (entry.isLink || !entry.isDirectory || !IsDatedFolderName(entry.name)) continue;
        RecordedRun run;
        run.folder = CombinePath(backupRoot, entry.name);
        RemoveLeftTemporariesBelow(run.folder);
        std::string reason;
        switch (ReadRunRecord(run.folder, run.record, reason)) {
        case RecordRead::Read: runs.push_back(std::move(run)); break;
        case RecordRead::Missing: break;
        case RecordRead::Unreadable:
            throw std::runtime_error(UnreadableRecordText(run.folder, reason) +
                                     "; nothing was changed (-force converts anyway)");
        }
    }
    // The newest run decides.
    std::sort(runs.begin(), runs.end(), [](const RecordedRun& left, const RecordedRun& right) {
        if (left.record.sequence != right.record.sequence) return left.record.sequence > right.record.sequence;
        return FileNamePart(left.folder) > FileNamePart(right.folder);
    });
    return runs;
}

void ForEachDatedFolder(const std::string& backupRoot,
                        const std::function<void(const std::string& folder, const RunRecord* record)>& visit)
{
    std::vector<Platform::DirectoryEntry> entries;
    if (!Platform::ListEntries(backupRoot, entries)) return;
    for (const Platform::DirectoryEntry& entry : entries) {
        if (entry.isLink || !entry.isDirectory || !IsDatedFolderName(entry.name)) continue;
        const std::string folder = CombinePath(backupRoot, entry.name);
        RunRecord record;
        std::string reason;
        const bool read = ReadRunRecord(folder, record, reason) == RecordRead::Read;
        visit(folder, read ? &record : nullptr);
    }
}

std::int64_t NextSequence(const std::string& backupRoot)
{
    std::int64_t largest = 0;
    ForEachDatedFolder(backupRoot, [&largest](const std::string&, const RunRecord* record) {
        if (record != nullptr) largest = std::max(largest, record->sequence);
    });
    return largest + 1;
}

std::optional<EarlierConversion> CConversionHistory::Find(const std::string& backupRoot, const std::string& inputPath,
                                                         const std::string& outputPath)
{
    const std::string root = FileKeyOf(backupRoot);
    auto found = m_runsByRoot.find(root);
    if (found == m_runsByRoot.end()) found = m_runsByRoot.emplace(root, RecordedRuns(backupRoot)).first;
    const RunRecordEntry* entry = nullptr;
    Match match = Match::None;
    const RecordedRun* prior = PriorConversion(found->second, m_scheme, outputPath, entry, match);
    bool inputExists = false;
    if (prior == nullptr || FileSha256(inputPath, inputExists) == entry->inputSha256) return std::nullopt;
    return EarlierConversion {prior->record.started, prior->folder, match == Match::OtherVersion};
}
