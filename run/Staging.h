#pragma once

// The first writing step of a run: each record's converted text goes to its own
// temporary file beside its output's real target, flushed to disk and closed. A failure
// removes every temporary file of the run and changes nothing else.

#include "scheme/FileConversion.h"

#include <string>
#include <vector>

struct StagedOutput {
    std::string temporaryPath;
    std::string targetPath;  // the output with its chain of links resolved
};

// One staged output per record, in record order; throws the record's write error. With
// `digest`, each record's outputSha256 is the SHA-256 of the bytes staged.
std::vector<StagedOutput> StageAll(std::vector<FileConversion>& conversions, bool digest = false);

// Removes the temporary files of the outputs not yet committed.
void DiscardStaged(const std::vector<StagedOutput>& staged, std::size_t fromIndex = 0);
