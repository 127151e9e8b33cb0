#pragma once

// The report's rows, all made here: one per file conversion of the run, whatever became
// of it, and one per file a restore puts back.

#include "history/Restore.h"
#include "run/EarlierConversions.h"
#include "run/RecordError.h"
#include "run/Report.h"
#include "scheme/FileConversion.h"

#include <vector>

// A row with `status` for each conversion that was not run: a -check's records, the
// records -skipmissing skipped ("skipped").
void AddRows(CRunReport& report, const std::vector<FileConversion>& conversions, const char* status);

// The rows of a run: the records left as they were ("already-converted", naming the
// run that converted them), then each conversion as it ended - "converted" or
// "unchanged" (telling them apart composes each text once more, so only when a report
// is wanted), "failed" for the record `failure` names, else "not-run".
void AddRunRows(CRunReport& report, const std::vector<FileConversion>& conversions,
                const std::vector<ConvertedRecord>& converted, bool dryRun, const CRecordFailure* failure);

// The rows of a restore, and its own dated folder.
void AddRestoreRows(CRunReport& report, const RestoreOutcome& outcome);
