#pragma once

// A scheme is applied to a file once. The records of earlier runs (velmarch.json in the
// dated folders under a backup root) tell whether this scheme, known by the SHA-256 of
// its bytes, converted a record's output before and the run was not undone; such a
// record is left as it is, unless its input is back to the bytes that run read (a
// restored original is converted again). Files are matched as the file system knows
// them, so a name reached through a link is the same file. A record that cannot be read
// stops the run before anything changes.

#include "history/RunRecord.h"
#include "scheme/FileConversion.h"
#include "scheme/SchemeIdentity.h"

#include <functional>
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

struct ConvertedRecord {
    FileConversion record;
    std::string convertedOn;  // when the earlier run started
    std::string convertedBy;  // its dated folder
    bool otherVersion = false;  // by another version of the scheme, of the same scheme_id
};

// Takes out of `conversions` every record this scheme (known by what it says, or in an
// earlier release's record by its bytes) or another version of it (the same scheme_id)
// converted before, printing for each "File '<output>' was converted by this scenario
// on <time> (<dated folder>); left as it is", or "... by another version of the
// scenario '<id>' on ...".
std::vector<ConvertedRecord> TakeConvertedRecords(std::vector<FileConversion>& conversions,
                                                  const SchemeIdentity& scheme);
