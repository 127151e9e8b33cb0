#pragma once

// The dry run's report: for each record, a unified diff of its input's lines against
// the lines the run would write ("--- input", "+++ output", then the hunks). The
// conversion stamp is left out of both sides; a record without changes shows its two
// header lines alone. Nothing on disk changes.

#include "run/ConvertFiles.h"

#include <string>
#include <string_view>
#include <vector>

void PrintDryRun(const std::vector<ConvertedFile>& files);

// A restore's preview: for each file it would change, a unified diff of the file's
// bytes now against those it would get back, stamp lines included (the restore takes
// them away). A UTF-16 text is shown as its characters.
void PrintRestorePreview(const std::string& target, std::string_view now, std::string_view after);

// The lines of a text as the reader sees them: split at LF, the CR of a CR LF line end
// removed, a UTF-8 byte-order mark in front dropped, and the conversion stamp (its line
// with a lone ";" line on either side) left out.
std::vector<std::string> LinesWithoutStamp(std::string_view text);
