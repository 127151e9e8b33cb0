#pragma once

// What a run did, for machines: -report writes it as one JSON document, whole, whatever
// the outcome (also for -dryrun, -check and -restore). Its texts are UTF-8.
//
//   scheme          the scheme's absolute path (for -restore: the undone run's scheme)
//   outcome         "ok" or "failed"
//   error           the error text, or null
//   backup_folders  the dated folders the run made
//   records         per file: input, output, backup, status, warnings; status is
//                   converted, unchanged (the text below the stamp is the input's),
//                   already-converted, skipped (a -check, or a -strict run stopped by
//                   another record's warning), failed or not-run
//   findings        -check's findings: line and text

#include "scheme/SchemeLint.h"

#include <string>
#include <vector>

struct ReportRecord {
    std::string input;
    std::string output;
    std::string backup;
    std::string status = "not-run";
    std::vector<std::string> warnings;
};

struct CRunReport {
    bool wanted = false;  // -report was given
    std::string scheme;
    bool failed = false;
    std::string error;
    std::vector<std::string> backupFolders;
    std::vector<ReportRecord> records;
    std::vector<LintFinding> findings;

    std::string ToText() const;
};

// Written through a temporary file and a rename; throws the write error.
void WriteReport(const std::string& path, const CRunReport& report);
