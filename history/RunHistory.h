#pragma once

// A scheme is applied to a file once. The records of earlier runs (velmarch.json in the
// dated folders under a backup root) tell whether this scheme, known by the SHA-256 of
// its bytes, converted a record's output before and the run was not undone; such a
// record is left as it is, unless its input is back to the bytes that run read (a
// restored original is converted again). Files are matched as the file system knows
// them, so a name reached through a link is the same file. A record that cannot be read
// stops the run before anything changes.

#include "history/RunRecord.h"
#include "scheme/SchemeIdentity.h"

#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

struct RecordedRun {
    std::string folder;
    RunRecord record;
};

// The records of the dated folders under `backupRoot`, newest first (by sequence; the
// records without one come before all others, in the order of their folders' names);
// folders without a record are passed over. Throws, naming the record and the reason, when one cannot be
// read. Left-over temporaries of ended runs in those folders are removed on the way.
std::vector<RecordedRun> RecordedRuns(const std::string& backupRoot);

// Visits every dated folder under `backupRoot` (a link is never followed) with its
// record, or null where it has none or one that cannot be read.
void ForEachDatedFolder(const std::string& backupRoot,
                        const std::function<void(const std::string& folder, const RunRecord* record)>& visit);

// The sequence of a new record under `backupRoot`: one more than the largest there
// (records that cannot be read are passed over).
std::int64_t NextSequence(const std::string& backupRoot);

// An earlier run that converted a file and stands.
struct EarlierConversion {
    std::string convertedOn;    // when it started
    std::string convertedBy;    // its dated folder
    bool otherVersion = false;  // by another version of the scheme, of the same scheme_id
};

// The records under each backup root, read once, asked about one file after another.
class CConversionHistory {
public:
    explicit CConversionHistory(SchemeIdentity scheme) : m_scheme(std::move(scheme)) {}

    // The newest standing run of this scheme (known by what it says, or in an earlier
    // release's record by its bytes) or of another version of it (the same scheme_id)
    // that wrote `outputPath`, unless `inputPath` is back to the bytes that run read;
    // none otherwise.
    std::optional<EarlierConversion> Find(const std::string& backupRoot, const std::string& inputPath,
                                          const std::string& outputPath);

private:
    SchemeIdentity m_scheme;
    std::map<std::string, std::vector<RecordedRun>> m_runsByRoot;
};
