#pragma once

// The report's rows, all made here: one per file conversion of the run, whatever became
// of it, and one per file a restore puts back.

#include "history/Restore.h"
#include "run/ConvertFiles.h"
#include "run/EarlierConversions.h"
#include "run/FilePlan.h"
#include "run/RecordError.h"
#include "run/Report.h"
#include "run/RunWriting.h"

#include <vector>

// A row with `status` for each file that was not run: a -check's files, the files
// -skipmissing skipped ("skipped").
void AddRows(CRunReport& report, const std::vector<PlannedFile>& files, const char* status);

// The rows of a run: the files left as they were ("already-converted", naming the run
// that converted them), then each file as it ended - "converted" or "unchanged"
// (telling them apart composes each text once more, so only when a report is wanted),
// "failed" for the file `failure` names, else "not-run". `written` is empty when the run
// stopped before the writing (or is a dry run).
void AddRunRows(CRunReport& report, const std::vector<AlreadyConverted>& earlier, const std::vector<ConvertedFile>& files,
                const RunWritten& written, bool dryRun, const CRecordFailure* failure);

// The rows of a restore, and its own dated folder.
void AddRestoreRows(CRunReport& report, const RestoreOutcome& outcome);
