#pragma once

// A scheme is applied to a file once: the files an earlier run converted by this scheme
// (or another version of it), and that stand as it left them, are taken out of the run
// before anything is read, each said on the console and kept for the report.

#include "history/RunHistory.h"
#include "run/FilePlan.h"
#include "scheme/SchemeIdentity.h"

#include <vector>

struct AlreadyConverted {
    FilePaths paths;
    EarlierConversion earlier;
};

// Takes out of `files` every file an earlier run of this scheme or another version of
// it converted, printing for each "File '<output>' was converted by this scenario on
// <time> (<dated folder>); left as it is", or "... by another version of the scenario
// '<id>' on ...".
std::vector<AlreadyConverted> TakeAlreadyConverted(std::vector<PlannedFile>& files, const SchemeIdentity& scheme);
