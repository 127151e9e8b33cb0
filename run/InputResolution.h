#pragma once

// Decides which file each record reads, which it writes and where its backup goes.

#include "run/CommandLine.h"
#include "run/FilePlan.h"

#include <string>
#include <vector>

class CSafeRegex;

// Applies -f and -o to the first record (dropping it when it names nothing and does
// nothing) and gives every record its input, output and backup paths. Throws.
std::vector<PlannedFile> ResolvePaths(const CCommandLineOptions& options, std::vector<FileConversion> conversions);

// -skipmissing: takes out every file whose input does not exist, printing for each
// "File '<input>' does not exist; skipped".
std::vector<PlannedFile> TakeMissingInputs(std::vector<PlannedFile>& files);

// A plain name, or "directory/expression/" naming the one file whose name matches.
std::string ResolveInputPath(const std::string& inputName, const std::string& baseDirectory);

std::vector<std::string> FindMatchingFiles(const std::string& directory, const CSafeRegex& expression);

// An output name with '*': the first entry beside the input that the template finds,
// with its extension replaced by ".ini".
std::string ResolveOutputTemplate(const std::string& inputPath, const std::string& outputName);
