#pragma once

// The last step of a run: each staged file replaces its output, and the success line of
// its record is printed. Then, with backups on, each input that no record writes is
// removed (its bytes are in the backup folder). A failure names the records that were
// converted and those that were not; no file is ever missing or half-written.

#include "run/Staging.h"
#include "scheme/FileConversion.h"

#include <vector>

// Marks each record whose output is in place as committed.
void CommitAll(std::vector<FileConversion>& conversions, const std::vector<StagedOutput>& staged, bool noBackup);
