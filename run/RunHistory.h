#pragma once

// A scheme is applied to a file once. The records of earlier runs (velmarch.json in the
// dated folders under a backup root) tell whether this scheme, known by the SHA-256 of
// its bytes, converted a record's output before and the run was not undone; such a
// record is left as it is, unless its input is back to the bytes that run read (a
// restored original is converted again).

#include "run/RunRecord.h"
#include "scheme/FileConversion.h"

#include <string>
#include <vector>

struct RecordedRun {
    std::string folder;
    RunRecord record;
};

// The readable records of the dated folders under `backupRoot`, newest first.
std::vector<RecordedRun> RecordedRuns(const std::string& backupRoot);

// True when the two paths name one file as the build compares names.
bool SamePath(const std::string& left, const std::string& right);

struct ConvertedRecord {
    FileConversion record;
    std::string convertedOn;  // when the earlier run started
};

// Takes out of `conversions` every record this scheme converted before, printing for
// each "File '<output>' was converted by this scenario on <time>; left as it is".
std::vector<ConvertedRecord> TakeConvertedRecords(std::vector<FileConversion>& conversions,
                                                  const std::string& schemeSha256);
