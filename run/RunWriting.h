#pragma once

// The writing of a run, as one transaction of the engine: each record's converted text
// staged beside its output, each input and each output it replaces preserved in the
// dated backup folders, the run's record written there, then the commit (outputs put in
// place, then the inputs that no record writes removed) and the completed record. Until
// the commit a failure leaves every file as it was; a commit that stops part-way leaves
// a record of exactly what was put in place.

#include "history/RunRecord.h"
#include "run/Checks.h"
#include "run/ConvertFiles.h"
#include "run/RecordError.h"

#include <optional>
#include <string>
#include <vector>

// What became of each file: whether its output is in place, its backup (the dated
// folders may have moved to a later second's name), the SHA-256 of the bytes written.
struct WrittenFile {
    bool committed = false;
    std::string backup;
    std::string outputSha256;
};

struct RunWritten {
    std::vector<WrittenFile> files;  // one per converted file, in order
    // The dated folders that hold a record, whatever the outcome.
    std::vector<std::string> recordFolders;
    // The failure that stopped the writing, in the words of the file it belongs to.
    std::optional<CRecordFailure> failure;
};

// `run` is the record's head (scheme, arguments, start); the paths are real paths.
RunWritten WriteAll(const std::vector<ConvertedFile>& files, const std::vector<WriteFacts>& facts, bool noBackup,
                    const RunRecord& run);
