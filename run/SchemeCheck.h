#pragma once

// The report of -check: the scheme's findings and the records' input files that cannot
// be found, a line each ("\n[CHECK] Line=<line>: <sentence>"), in line order. Returns
// the exit code: 0 without a finding, 1 with one.

#include "scheme/FileConversion.h"
#include "scheme/SchemeLint.h"

#include <vector>

int ReportSchemeCheck(std::vector<LintFinding> findings, const std::vector<FileConversion>& conversions);
