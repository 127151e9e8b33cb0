#pragma once

// What a run did, for machines: -report writes it as one JSON document, whole, whatever
// the outcome (also for -dryrun, -check and -restore). Its texts are UTF-8.
//
//   scheme          the scheme's absolute path (for -restore: the undone run's scheme)
//   scheme_id       the scheme's scheme_id, or null
//   mode            run, dryrun, check or restore
//   outcome         "ok" or "failed"
//   error           the error text, or null
//   backup_folders  the dated folders the run made; backup_folders_hex beside it
//                   holds each name's bytes in hex where they are not UTF-8 (else null)
//   records         per file: input, output, backup, status, warnings; status is
//                   converted, unchanged (the text below the stamp is the input's),
//                   already-converted (with converted_by: the converting run's
//                   folder), already-undone (a restore of an undone run), skipped (a
//                   -check, or a -strict run stopped by another record's warning),
//                   failed or not-run
//   Every name that is not UTF-8 has its bytes in hex beside it, in "<key>_hex".
//   findings        -check's findings: line and text

#include "engine/StagedWrite.h"
#include "scheme/SchemeLint.h"

#include <string>
#include <vector>

struct ReportRecord {
    std::string input;
    std::string output;
    std::string backup;
    std::string status = "not-run";
    std::vector<std::string> warnings;
    // An already-converted record: the dated folder of the run that converted it.
    std::string convertedBy;
};

struct CRunReport {
    bool wanted = false;  // -report was given
    std::string scheme;
    std::string schemeId;  // the scheme's scheme_id (UTF-8), empty without one
    std::string mode = "run";
    bool failed = false;
    std::string error;
    std::vector<std::string> backupFolders;
    std::vector<ReportRecord> records;
    std::vector<LintFinding> findings;

    std::string ToText() const;
};

// The report's file. Its temporary is made when the run starts, so that a report that
// cannot be written fails the run before anything changes, and a done run is never
// turned into a failure by its report; the text goes in at the end and the temporary
// takes the report's name. Throws the write error, naming the file and the system's
// reason.
class CReportFile {
public:
    explicit CReportFile(std::string path);
    ~CReportFile();
    CReportFile(const CReportFile&) = delete;
    CReportFile& operator=(const CReportFile&) = delete;

    void Write(const CRunReport& report);

private:
    std::string m_path;
    CStagedWrite m_write;
};
