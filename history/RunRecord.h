#pragma once

// The run's record: velmarch.json in each dated backup folder, written before the
// commit and completed after it. It names the scheme (with the SHA-256 of its bytes),
// the command line, when the run started and, once a restore undid it, when that was;
// and for each file conversion the real paths and the SHA-256 of the bytes read, written
// and preserved. A later run of the same scheme finds here that a file was converted
// already, and -restore finds here what to put back. A record is read strictly: a
// member missing or of another type makes it unreadable, with the reason.

#include "text/Json.h"

#include <cstdint>
#include <string>
#include <vector>

inline constexpr const char* kRunRecordName = "velmarch.json";

struct RunRecordEntry {
    std::string input;
    std::string output;
    std::string backup;         // the input's backup; empty when none was made
    std::string outputBackup;   // the output's earlier bytes; empty when it did not exist
    bool outputExisted = false;
    bool inputRemoved = false;  // the run removed the input after the commit
    std::string inputSha256;
    std::string outputSha256;        // empty when the run removed the output (a restore)
    std::string outputBackupSha256;  // the bytes of outputBackup
};

struct RunRecord {
    std::string scheme;
    std::string schemeSha256;
    // What the scheme says, and the name it gives itself; both empty in records of
    // releases that had neither (such a record matches a scheme by its bytes).
    std::string schemeDigest;
    std::string schemeId;
    std::vector<std::string> arguments;
    std::string started;    // YYYY-MM-DD hh:mm:ss, local time
    std::string undone;     // when a restore undid the run; empty while it stands
    std::string restoreOf;  // for a restore: the dated folder of the run it undid
    bool complete = false;  // the commit ended
    // The run's place in the history of its backup root: one more than the largest
    // there when it was recorded; 0 in records of releases that had none. The history's
    // order is this, never the clock's.
    std::int64_t sequence = 0;
    std::vector<RunRecordEntry> records;
};

CJson ToJson(const RunRecord& record);
// False when the value is no run record; `reason` names the member at fault.
bool FromJson(const CJson& value, RunRecord& record, std::string& reason);

std::string RunRecordPath(const std::string& datedFolder);

enum class RecordRead { Read, Missing, Unreadable };
// Missing when the folder holds no record; Unreadable (with `reason`) when it holds one
// that cannot be read, is no JSON or is no run record.
RecordRead ReadRunRecord(const std::string& datedFolder, RunRecord& record, std::string& reason);
// Throws the write error; the earlier record stays whole.
void WriteRunRecord(const std::string& datedFolder, const RunRecord& record);

// "the run record [<path>] cannot be read: <reason>"
std::string UnreadableRecordText(const std::string& datedFolder, const std::string& reason);

// The local time as the record writes it.
std::string RecordTimeNow();
