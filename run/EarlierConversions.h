#pragma once

// A scheme is applied to a file once: the records that the run's files were converted
// by this scheme (or another version of it) and stand are taken out of the run before
// anything is read, each said on the console and kept for the report.

#include "history/RunHistory.h"
#include "scheme/FileConversion.h"
#include "scheme/SchemeIdentity.h"

#include <string>
#include <vector>

struct ConvertedRecord {
    FileConversion record;
    EarlierConversion earlier;
};

// Takes out of `conversions` every record an earlier run of this scheme or another
// version of it converted, printing for each "File '<output>' was converted by this
// scenario on <time> (<dated folder>); left as it is", or "... by another version of
// the scenario '<id>' on ...".
std::vector<ConvertedRecord> TakeConvertedRecords(std::vector<FileConversion>& conversions,
                                                  const SchemeIdentity& scheme);
