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

void AddRows(CRunReport& report, const std::vector<FileConversion>& conversions, const char* status)
{
    for (const FileConversion& record : conversions) report.records.push_back(Row(record.inputPath, record.outputPath, status));
}

void AddRunRows(CRunReport& report, const std::vector<FileConversion>& conversions,
                const std::vector<ConvertedRecord>& converted, bool dryRun, const CRecordFailure* failure)
{
    if (!report.wanted) return;
    for (const ConvertedRecord& left : converted) {
        ReportRecord row = Row(left.record.inputPath, left.record.outputPath, "already-converted");
        row.convertedBy = left.earlier.convertedBy;
        report.records.push_back(row);
    }
    for (const FileConversion& record : conversions) {
        ReportRecord row = Row(record.inputPath, record.outputPath, "not-run");
        row.backup = record.committed ? record.backupPath : std::string();
        row.warnings = record.warnings;
        if (record.committed || (dryRun && failure == nullptr)) {
            const bool same = LinesWithoutStamp(record.image.Text()) == LinesWithoutStamp(record.image.ComposeText());
            row.status = same ? "unchanged" : "converted";
        } else if (failure != nullptr && failure->inputPath == record.inputPath && failure->outputPath == record.outputPath) {
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
