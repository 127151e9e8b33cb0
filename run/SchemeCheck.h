#pragma once

// The report of -check: the scheme's findings and the records' input files that cannot
// be found, a line each ("\n[CHECK] Line=<line>: <sentence>"), in line order. Returns
// the exit code: 0 without a finding, 1 with one.

#include "run/FilePlan.h"
#include "scheme/SchemeLint.h"

#include <vector>

// Prints the findings in line order (with `reported`, also hands them over) and
// returns the exit code, 1 when there is any.
// With `skipMissing`, an input that does not exist is no finding (the run would skip it).
int ReportSchemeCheck(std::vector<LintFinding> findings, const std::vector<PlannedFile>& files,
                      std::vector<LintFinding>* reported = nullptr, bool skipMissing = false);
