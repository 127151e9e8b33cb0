#pragma once

// The writing of a run, as one transaction of the engine: each record's converted text
// staged beside its output, each input and each output it replaces preserved in the
// dated backup folders, the run's record written there, then the commit (outputs put in
// place, then the inputs that no record writes removed) and the completed record. Until
// the commit a failure leaves every file as it was; a commit that stops part-way leaves
// a record of exactly what was put in place.

#include "history/RunRecord.h"
#include "run/Report.h"
#include "scheme/FileConversion.h"

#include <vector>

// `run` is the record's head (scheme, arguments, start); the records' paths are real
// paths. The dated folders made go to the report.
void WriteAll(std::vector<FileConversion>& conversions, bool noBackup, const RunRecord& run, CRunReport& report);
