#include "run/ReportRows.h"

#include "run/DryRun.h"

namespace {

ReportRecord Row(const std::string& input, const std::string& output, const char* status)
{
    ReportRecord row;
    row.input = input;
    row.output = output;
    row.status = status;
    return row;
}

}  // namespace

void AddRows(CRunReport& report, const std::vector<PlannedFile>& files, const char* status)
{
    for (const PlannedFile& file : files) report.records.push_back(Row(file.paths.input, file.paths.output, status));
}

void AddRunRows(CRunReport& report, const std::vector<AlreadyConverted>& earlier, const std::vector<ConvertedFile>& files,
                const RunWritten& written, bool dryRun, const CRecordFailure* failure)
{
    report.backupFolders.insert(report.backupFolders.end(), written.recordFolders.begin(), written.recordFolders.end());
    if (!report.wanted) return;
    for (const AlreadyConverted& left : earlier) {
        ReportRecord row = Row(left.paths.input, left.paths.output, "already-converted");
        row.convertedBy = left.earlier.convertedBy;
        report.records.push_back(row);
    }
    for (std::size_t index = 0; index < files.size(); ++index) {
        const ConvertedFile& file = files[index];
        const bool committed = index < written.files.size() && written.files[index].committed;
        ReportRecord row = Row(file.paths.input, file.paths.output, "not-run");
        row.backup = committed ? written.files[index].backup : std::string();
        row.warnings = file.warnings;
        if (committed || (dryRun && failure == nullptr)) {
            const bool same = LinesWithoutStamp(file.image.Text()) == LinesWithoutStamp(file.image.ComposeText());
            row.status = same ? "unchanged" : "converted";
        } else if (failure != nullptr && failure->inputPath == file.paths.input &&
                   failure->outputPath == file.paths.output) {
            row.status = "failed";
        }
        report.records.push_back(row);
    }
}

void AddRestoreRows(CRunReport& report, const RestoreOutcome& outcome)
{
    report.scheme = outcome.scheme;
    if (!outcome.ownFolder.empty()) report.backupFolders.push_back(outcome.ownFolder);
    for (const RestoredFile& file : outcome.files) {
        ReportRecord row = Row(file.source, file.target, "not-run");
        row.backup = file.backup;
        if (file.done) row.status = "converted";
        if (file.alreadyUndone) row.status = "already-undone";
        report.records.push_back(row);
    }
}
