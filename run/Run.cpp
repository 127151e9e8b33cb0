#include "run/Run.h"

#include "ini/SafeRegex.h"
#include "platform/Console.h"
#include "platform/Messages.h"
#include "platform/Paths.h"
#include "platform/Platform.h"
#include "platform/Sha256.h"
#include "run/Backup.h"
#include "run/Checks.h"
#include "run/CommandLine.h"
#include "run/Commit.h"
#include "run/DryRun.h"
#include "run/InputResolution.h"
#include "run/RecordError.h"
#include "run/Report.h"
#include "run/Restore.h"
#include "run/RunHistory.h"
#include "run/RunRecord.h"
#include "run/SchemeCheck.h"
#include "run/Staging.h"
#include "run/Usage.h"
#include "scheme/SchemeLint.h"
#include "scheme/SchemeLoader.h"

#include <algorithm>
#include <exception>
#include <stdexcept>
#include <vector>

namespace {

constexpr const char* kDefaultSchemeFile = "Velmarch.xml";

CCommandLineOptions ParseOptions(int argumentCount, const char* const* arguments)
{
    try {
        return ParseCommandLine(argumentCount, arguments);
    } catch (const std::exception& error) {
        throw std::runtime_error(std::string("Command line arguments: ") + error.what());
    }
}

// The default name is announced; a relative name is taken from the current directory.
std::string SchemePath(CCommandLineOptions& options)
{
    if (!options.schemeFile.HasValue()) {
        options.schemeFile = std::string(kDefaultSchemeFile);
        Console::Print(std::string(Messages::kDefaultSchemeName) + kDefaultSchemeFile + "'");
    }
    return AbsoluteToCurrentDirectory(options.schemeFile.Value());
}

// A failure while the scheme is read or walked names the scheme.
template <class Step>
auto InScheme(const std::string& schemePath, Step step)
{
    try {
        return step();
    } catch (const std::exception& error) {
        throw std::runtime_error("XML schema file '" + schemePath + "': " + error.what());
    }
}

struct LoadedScheme {
    std::vector<FileConversion> conversions;
    SchemeDocument document;
};

LoadedScheme LoadConversions(const std::string& schemePath, const CCommandLineOptions& options)
{
    return InScheme(schemePath, [&] {
        LoadedScheme loaded;
        loaded.document = ReadSchemeDocument(schemePath);
        CSchemaParser parser(IsOn(options.sectionNameRegex));
        loaded.conversions = BuildConversions(parser, loaded.document);
        return loaded;
    });
}

// -check: the scheme is loaded as a run loads it and its records' inputs resolved;
// nothing is read or written beyond that. A scheme that does not load for a reason the
// findings tell (conditions that do not parse, a 'File' without 'name') is reported
// with all its findings; any other load error ends the check as it ends a run.
int CheckScheme(const std::string& schemePath, const CCommandLineOptions& options, CRunReport& report)
{
    LoadedScheme loaded;
    loaded.document = InScheme(schemePath, [&] { return ReadSchemeDocument(schemePath); });
    std::vector<LintFinding> findings = LintScheme(*loaded.document.tree, loaded.document.encoding);
    const bool told = std::any_of(findings.begin(), findings.end(),
                                  [](const LintFinding& finding) { return finding.stopsLoading; });
    try {
        loaded.conversions = InScheme(schemePath, [&] {
            CSchemaParser parser(IsOn(options.sectionNameRegex));
            return BuildConversions(parser, loaded.document);
        });
        ResolvePaths(options, loaded.conversions);
    } catch (const std::exception&) {
        if (!told) throw;
        loaded.conversions.clear();
    }
    for (const FileConversion& record : loaded.conversions) {
        ReportRecord entry;
        entry.input = record.inputPath;
        entry.output = record.outputPath;
        entry.status = "skipped";
        report.records.push_back(entry);
    }
    return ReportSchemeCheck(findings, loaded.conversions, &report.findings);
}

// Everything is read and converted before anything on disk changes.
void ConvertAll(std::vector<FileConversion>& conversions, const COptional<TextEncoding>& forced, bool keepRecord)
{
    for (FileConversion& record : conversions) {
        try {
            const Console::WarningCollector warnings(record.warnings);
            FileEncodingRule rule;
            rule.forced = forced.HasValue();
            rule.forAscii = rule.forced ? forced.Value() : record.schemeEncoding;
            record.image.Load(record.inputPath, rule);
            if (keepRecord) record.inputSha256 = Sha256Hex(record.image.LoadedBytes());
            const Console::TextEncodingScope names(record.image.FileEncoding());
            record.ActionsForImage().ExecuteAll(record.image);
        } catch (const std::exception& error) {
            throw RecordError(record, error.what());
        }
    }
}

RunRecord NewRunRecord(const std::string& schemePath, const std::string& schemeSha256, int argumentCount,
                       const char* const* arguments)
{
    RunRecord record;
    record.scheme = schemePath;
    record.schemeSha256 = schemeSha256;
    for (int index = 1; index < argumentCount; ++index) record.arguments.emplace_back(arguments[index]);
    record.started = RecordTimeNow();
    return record;
}

// The record of each dated folder: the file conversions whose input was preserved there.
// An output that is another record's input has its earlier bytes in that backup.
std::vector<std::pair<std::string, RunRecord>> RecordsByFolder(const std::vector<FileConversion>& conversions,
                                                               const RunRecord& run)
{
    std::vector<std::pair<std::string, RunRecord>> folders;
    for (const FileConversion& record : conversions) {
        auto folder = std::find_if(folders.begin(), folders.end(),
                                   [&](const auto& entry) { return entry.first == record.backupFolder; });
        if (folder == folders.end()) {
            folders.emplace_back(record.backupFolder, run);
            folder = folders.end() - 1;
        }
        RunRecordEntry entry;
        entry.input = record.inputPath;
        entry.output = record.outputPath;
        entry.backup = record.backupPath;
        entry.outputExisted = record.outputExisted;
        if (record.outputNeedsBackup) {
            entry.outputBackup = record.outputBackupPath;
        } else if (record.outputExisted) {
            for (const FileConversion& reader : conversions) {
                if (reader.inputIdentity == record.outputIdentity) entry.outputBackup = reader.backupPath;
            }
        }
        entry.inputRemoved = !record.inputRewritten;
        entry.inputSha256 = record.inputSha256;
        entry.outputSha256 = record.outputSha256;
        folder->second.records.push_back(entry);
    }
    return folders;
}

// The writing as one transaction: stage every output, back up every input and every
// output it replaces, write the run's record, then commit and complete the record.
// Until the commit a failure leaves every file as it was.
void WriteAll(std::vector<FileConversion>& conversions, bool noBackup, const RunRecord& run, CRunReport& report)
{
    for (const FileConversion& record : conversions) CreateParentDirectories(record.outputPath);
    const std::vector<StagedOutput> staged = StageAll(conversions, !noBackup);
    CBackupStep backups;
    std::vector<std::pair<std::string, RunRecord>> records;
    try {
        if (!noBackup) {
            backups.Run(conversions);
            records = RecordsByFolder(conversions, run);
            for (const auto& [folder, record] : records) {
                backups.NoteMadeFile(RunRecordPath(folder));
                WriteRunRecord(folder, record);
            }
        }
    } catch (...) {
        DiscardStaged(staged);
        backups.Undo();
        throw;
    }
    for (const auto& [folder, record] : records) report.backupFolders.push_back(folder);
    {
        // A signal now waits for the commit: every output is whole, old or new, either way.
        const Platform::InterruptsDeferred deferred;
        CommitAll(conversions, staged, noBackup);
    }
    for (auto& [folder, record] : records) {
        record.complete = true;
        try {
            WriteRunRecord(folder, record);
        } catch (const std::exception& error) {
            Console::Print("\n[WARNING] the run's record could not be completed: " + std::string(error.what()));
        }
    }
    if (Platform::InterruptPending()) {
        throw std::runtime_error("interrupted by a signal during the commit, which was finished first");
    }
}

// -strict: a warning stops the run before anything changes.
void RefuseWarnings(std::size_t warningCount)
{
    if (warningCount == 0) return;
    throw std::runtime_error("-strict: " + std::to_string(warningCount) +
                             (warningCount == 1 ? " warning" : " warnings") + " above; nothing was changed");
}

// What happened to each record, for the report (when one is asked for: telling
// "unchanged" from "converted" composes each text once more).
void FillReport(CRunReport& report, const std::vector<FileConversion>& conversions,
                const std::vector<ConvertedRecord>& converted, bool dryRun, const CRecordFailure* failure)
{
    if (!report.wanted) return;
    for (const ConvertedRecord& skipped : converted) {
        ReportRecord entry;
        entry.input = skipped.record.inputPath;
        entry.output = skipped.record.outputPath;
        entry.status = "already-converted";
        report.records.push_back(entry);
    }
    for (const FileConversion& record : conversions) {
        ReportRecord entry;
        entry.input = record.inputPath;
        entry.output = record.outputPath;
        entry.backup = record.committed ? record.backupPath : std::string();
        entry.warnings = record.warnings;
        if (record.committed || (dryRun && failure == nullptr)) {
            const bool same = LinesWithoutStamp(record.image.LoadedBytes()) == LinesWithoutStamp(record.image.ComposeText());
            entry.status = same ? "unchanged" : "converted";
        } else if (failure != nullptr && failure->inputPath == record.inputPath && failure->outputPath == record.outputPath) {
            entry.status = "failed";
        }
        report.records.push_back(entry);
    }
}

// The records of a run that ends the process; reachable from here, so no leak.
std::vector<std::vector<FileConversion>>* g_leftToExit = nullptr;

struct RunContext {
    int argumentCount = 0;
    const char* const* arguments = nullptr;
    bool leaveImagesToExit = false;
    CRunReport report;
};

int RunGuarded(CCommandLineOptions options, RunContext& context)
{
    context.report.wanted = options.reportFile.HasValue();
    if (options.restoreFolder.HasValue()) return RestoreRun(options, context.report);
    const std::string schemePath = SchemePath(options);
    context.report.scheme = schemePath;
    const std::size_t warningsBefore = Console::WarningCount();
    if (IsOn(options.check)) return CheckScheme(schemePath, options, context.report);
    LoadedScheme loaded = LoadConversions(schemePath, options);
    std::vector<FileConversion>& conversions = loaded.conversions;
    ResolvePaths(options, conversions);
    const bool noBackup = IsOn(options.noBackup);
    std::vector<ConvertedRecord> converted;
    if (!noBackup && !IsOn(options.force)) converted = TakeConvertedRecords(conversions, loaded.document.bytesSha256);

    const bool dryRun = IsOn(options.dryRun);
    try {
        ConvertAll(conversions, options.encoding, !noBackup);
        if (IsOn(options.strict)) RefuseWarnings(Console::WarningCount() - warningsBefore);
        CheckConversions(conversions, noBackup);
        if (dryRun) {
            PrintDryRun(conversions);
        } else {
            const RunRecord run = NewRunRecord(schemePath, loaded.document.bytesSha256, context.argumentCount, context.arguments);
            WriteAll(conversions, noBackup, run, context.report);
        }
    } catch (const CRecordFailure& failure) {
        FillReport(context.report, conversions, converted, dryRun, &failure);
        throw;
    } catch (...) {
        FillReport(context.report, conversions, converted, dryRun, nullptr);
        throw;
    }
    FillReport(context.report, conversions, converted, dryRun, nullptr);
    if (dryRun) {
        Console::Print("\nDry run of the '" + schemePath + "' scenario: no file was changed");
        return 0;
    }
    Console::Print("\nFile conversions by the '" + schemePath + "' scenario successfully completed");
    if (context.leaveImagesToExit) {
        if (g_leftToExit == nullptr) g_leftToExit = new std::vector<std::vector<FileConversion>>();
        g_leftToExit->push_back(std::move(conversions));
    }
    return 0;
}

// The report goes where the current folder names it, whatever the outcome.
void WriteReportFile(const CCommandLineOptions& options, const CRunReport& report, int& exitCode)
{
    if (!options.reportFile.HasValue()) return;
    try {
        WriteReport(AbsoluteToCurrentDirectory(options.reportFile.Value()), report);
    } catch (const std::exception& error) {
        Console::Print(std::string("\n[EXCEPTION] report: ") + error.what());
        exitCode = 1;
    }
}

}  // namespace

int Run(int argumentCount, const char* const* arguments, bool leaveImagesToExit)
{
    Platform::SetUpProcess();
    Platform::InstallInterruptCleanup();
    CSafeRegex::ResetRunBudget();
    Console::DetectOutputEncoding();
    int exitCode = 1;
    CCommandLineOptions options;
    RunContext context;
    context.argumentCount = argumentCount;
    context.arguments = arguments;
    context.leaveImagesToExit = leaveImagesToExit;
    try {
        options = ParseOptions(argumentCount, arguments);
        // Help and version are no run: their text alone, without a status line.
        if (IsOn(options.help) || IsOn(options.version)) {
            Console::Print(IsOn(options.help) ? UsageText() : VersionText());
            Console::Flush();
            return 0;
        }
        exitCode = RunGuarded(options, context);
    } catch (const std::exception& error) {
        Console::Print(std::string("\n[EXCEPTION] ") + error.what());
        context.report.failed = true;
        context.report.error = error.what();
    } catch (...) {
        Console::Print("\n[EXCEPTION] unknown error");
        context.report.failed = true;
        context.report.error = "unknown error";
    }
    if (exitCode != 0 && !context.report.failed) {
        context.report.failed = true;
        context.report.error = "the scheme check found something";
    }
    WriteReportFile(options, context.report, exitCode);
    Console::Print("\nERROR:" + std::to_string(exitCode));
    Console::Flush();
    return exitCode;
}
