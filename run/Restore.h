#pragma once

// -restore: undoes the run recorded in a dated backup folder, as one transaction with
// the steps of a run. Each output gets back the bytes it had before the run (or is
// removed when the run made it) and each input the run removed comes back. Nothing
// changes unless every output still holds the bytes the run wrote (-force restores
// anyway). What the restore replaces is backed up in a dated folder of its own with its
// own record, so a restore can be undone too; the undone run's record says when it was
// undone, and a run is not undone twice.

#include "run/CommandLine.h"
#include "run/Report.h"

// Throws with the reason when nothing could be restored; 0 after success.
int RestoreRun(const CCommandLineOptions& options, CRunReport& report);
