#pragma once

// The run's second value: each planned file read and converted in memory. Everything
// is read and converted before anything on disk changes.

#include "ini/IniFileImage.h"
#include "run/CommandLine.h"
#include "run/FilePlan.h"
#include "run/RecordError.h"

#include <optional>
#include <string>
#include <vector>

struct ConvertedFile {
    FilePaths paths;
    CIniFileImage image;
    // The SHA-256 of the bytes read (with backups on), and the warnings its steps gave.
    std::string inputSha256;
    std::vector<std::string> warnings;
};

struct ConvertedFiles {
    // One per planned file, in order; after a failure the files not reached hold their
    // paths alone.
    std::vector<ConvertedFile> files;
    std::optional<CRecordFailure> failure;
};

// Reads each file (-encoding as `forced`, else by the scheme's encoding) and runs its
// actions; a file's actions go once they have run, so a run of many files does not hold
// every file's. Stops at the first file that fails.
ConvertedFiles ConvertAll(std::vector<PlannedFile> planned, const COptional<ForcedEncoding>& forced, bool keepDigest);
