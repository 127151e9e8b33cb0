#include "run/Run.h"

#include "match/SafeRegex.h"
#include "console/Console.h"
#include "console/Messages.h"
#include "platform/Paths.h"
#include "platform/Platform.h"
#include "engine/FileLocks.h"
#include "history/Restore.h"
#include "run/EarlierConversions.h"
#include "history/RunRecord.h"
#include "run/Checks.h"
#include "run/CommandLine.h"
#include "run/ConvertFiles.h"
#include "run/DryRun.h"
#include "run/InputResolution.h"
#include "run/RecordError.h"
#include "run/Report.h"
#include "run/ReportRows.h"
#include "run/RunWriting.h"
#include "run/SchemeCheck.h"
#include "run/Usage.h"
#include "scheme/SchemeLint.h"
#include "scheme/SchemeLoader.h"

#include <algorithm>
#include <exception>
#include <memory>
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
        Console::Print(Messages::kDefaultSchemeName.Utf8() + kDefaultSchemeFile + "'");
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
        throw std::runtime_error("XML schema file '" + Console::ShownName(schemePath) + "': " + error.what());
    }
}

struct LoadedScheme {
    std::vector<FileConversion> conversions;
    SchemeDocument document;
};

// The scheme's steps are built from its texts: a failure that quotes them is put in
// UTF-8, as every message.
std::vector<FileConversion> Conversions(const CCommandLineOptions& options, SchemeDocument& document)
{
    try {
        CSchemaParser parser(IsOn(options.sectionNameRegex));
        return BuildConversions(parser, document);
    } catch (const std::exception& error) {
        throw std::runtime_error(Encoding::ForDisplay(error.what(), document.encoding.encoding, TextEncoding::Utf8));
    }
}

LoadedScheme LoadConversions(const std::string& schemePath, const CCommandLineOptions& options)
{
    return InScheme(schemePath, [&] {
        LoadedScheme loaded;
        loaded.document = ReadSchemeDocument(schemePath);
        loaded.conversions = Conversions(options, loaded.document);
        return loaded;
    });
}

// -check: the scheme is loaded as a run loads it and its files' inputs resolved;
// nothing is read or written beyond that. A scheme that does not load for a reason the
// findings tell (conditions that do not parse, a 'File' without 'name') is reported
// with all its findings; any other load error ends the check as it ends a run.
int CheckScheme(const std::string& schemePath, const CCommandLineOptions& options, CRunReport& report)
{
    LoadedScheme loaded;
    loaded.document = InScheme(schemePath, [&] { return ReadSchemeDocument(schemePath); });
    report.schemeId = loaded.document.identity.id;
    if (!report.schemeId.empty()) Console::Print("\nScheme id: '" + report.schemeId + "'", TextEncoding::Utf8);
    std::vector<LintFinding> findings = LintScheme(*loaded.document.tree, loaded.document.encoding);
    const bool told = std::any_of(findings.begin(), findings.end(),
                                  [](const LintFinding& finding) { return finding.stopsLoading; });
    std::vector<PlannedFile> planned;
    try {
        std::vector<FileConversion> conversions =
            InScheme(schemePath, [&] { return Conversions(options, loaded.document); });
        planned = ResolvePaths(options, std::move(conversions));
    } catch (const std::exception&) {
        if (!told) throw;
    }
    AddRows(report, planned, "skipped");
    return ReportSchemeCheck(findings, planned, &report.findings, IsOn(options.skipMissing));
}

RunRecord NewRunRecord(const std::string& schemePath, const SchemeIdentity& scheme, int argumentCount,
                       const char* const* arguments)
{
    RunRecord record;
    record.scheme = schemePath;
    record.schemeSha256 = scheme.bytesSha256;
    record.schemeDigest = scheme.digest;
    record.schemeId = scheme.id;
    for (int index = 1; index < argumentCount; ++index) record.arguments.emplace_back(arguments[index]);
    record.started = RecordTimeNow();
    return record;
}

// -restore, with what it did in the report whatever the outcome.
int Restore(const CCommandLineOptions& options, CRunReport& report)
{
    RestoreOutcome outcome;
    const auto fill = [&] { AddRestoreRows(report, outcome); };
    const bool preview = IsOn(options.dryRun);
    try {
        RestoreRun(options.restoreFolder.Value(), IsOn(options.force), outcome, preview);
    } catch (...) {
        fill();
        throw;
    }
    fill();
    if (preview && !outcome.files.empty() && !outcome.files.front().alreadyUndone) {
        for (const RestoredFile& file : outcome.files) PrintRestorePreview(file.target, file.bytesNow, file.bytesAfter);
        Console::Print("\nDry run of the restore of '" + Console::ShownName(options.restoreFolder.Value()) +
                       "': no file was changed");
    }
    return 0;
}

// -strict: what the scheme says and a run would ignore (a misspelt attribute) stops the
// run, as -check lists it; the advice of -check does not.
void RefuseIgnoredSchemeParts(Xml::Library::DocumentNode<char>& tree, const SchemeEncoding& encoding)
{
    std::size_t count = 0;
    for (const LintFinding& finding : LintScheme(tree, encoding)) {
        if (!finding.ignoredByRun) continue;
        Console::Print("\n[CHECK] Line=" + std::to_string(finding.line) + ": " + finding.text);
        ++count;
    }
    if (count == 0) return;
    throw std::runtime_error("-strict: the scheme check finds " + std::to_string(count) +
                             (count == 1 ? " thing" : " things") + " a run would ignore, above; nothing was changed");
}

// -strict: a warning stops the run before anything changes.
void RefuseWarnings(std::size_t warningCount)
{
    if (warningCount == 0) return;
    throw std::runtime_error("-strict: " + std::to_string(warningCount) +
                             (warningCount == 1 ? " warning" : " warnings") + " above; nothing was changed");
}

// The records of a run that ends the process; reachable from here, so no leak.
std::vector<std::vector<ConvertedFile>>* g_leftToExit = nullptr;

struct RunContext {
    int argumentCount = 0;
    const char* const* arguments = nullptr;
    bool leaveImagesToExit = false;
    CRunReport report;
};

int RunGuarded(CCommandLineOptions options, RunContext& context)
{
    context.report.wanted = options.reportFile.HasValue();
    if (options.restoreFolder.HasValue()) {
        context.report.mode = "restore";
        return Restore(options, context.report);
    }
    context.report.mode = IsOn(options.check) ? "check" : IsOn(options.dryRun) ? "dryrun" : "run";
    const std::string schemePath = SchemePath(options);
    context.report.scheme = schemePath;
    const std::size_t warningsBefore = Console::WarningCount();
    if (IsOn(options.check)) return CheckScheme(schemePath, options, context.report);
    LoadedScheme loaded = LoadConversions(schemePath, options);
    context.report.schemeId = loaded.document.identity.id;
    if (IsOn(options.strict)) RefuseIgnoredSchemeParts(*loaded.document.tree, loaded.document.encoding);
    // The conversions hold copies of what they need; a run of many files has a large tree.
    loaded.document.tree.reset();
    std::vector<PlannedFile> planned = ResolvePaths(options, std::move(loaded.conversions));
    if (IsOn(options.skipMissing)) AddRows(context.report, TakeMissingInputs(planned), "skipped");
    const bool noBackup = IsOn(options.noBackup);
    const bool dryRun = IsOn(options.dryRun);
    // Every file read or replaced stays locked until the run's record is complete.
    CFileLocks locks;
    if (!dryRun) {
        std::vector<std::string> files;
        for (const PlannedFile& file : planned) {
            files.push_back(file.paths.input);
            files.push_back(file.paths.output);
        }
        locks.LockAll(files);
    }
    std::vector<AlreadyConverted> earlier;
    if (!noBackup && !IsOn(options.force)) earlier = TakeAlreadyConverted(planned, loaded.document.identity);
    // -strict counts a file left as another version of the scheme converted it as a warning.
    const std::size_t otherVersions = static_cast<std::size_t>(std::count_if(
        earlier.begin(), earlier.end(), [](const AlreadyConverted& file) { return file.earlier.otherVersion; }));

    ConvertedFiles converted = ConvertAll(std::move(planned), options.encoding, !noBackup);
    RunWritten written;
    const auto addRows = [&](const CRecordFailure* failure) {
        AddRunRows(context.report, earlier, converted.files, written, dryRun, failure);
    };
    try {
        if (converted.failure) throw *converted.failure;
        if (IsOn(options.strict)) RefuseWarnings(Console::WarningCount() - warningsBefore + otherVersions);
        const std::vector<WriteFacts> facts = CheckConversions(converted.files, noBackup);
        if (dryRun) {
            PrintDryRun(converted.files);
        } else {
            const RunRecord run = NewRunRecord(schemePath, loaded.document.identity, context.argumentCount, context.arguments);
            written = WriteAll(converted.files, facts, noBackup, run);
            if (written.failure) throw *written.failure;
        }
    } catch (const CRecordFailure& failure) {
        addRows(&failure);
        throw;
    } catch (...) {
        addRows(nullptr);
        throw;
    }
    addRows(nullptr);
    if (dryRun) {
        Console::Print("\nDry run of the '" + Console::ShownName(schemePath) + "' scenario: no file was changed");
        return 0;
    }
    Console::Print("\nFile conversions by the '" + Console::ShownName(schemePath) + "' scenario successfully completed");
    if (context.leaveImagesToExit) {
        if (g_leftToExit == nullptr) g_leftToExit = new std::vector<std::vector<ConvertedFile>>();
        g_leftToExit->push_back(std::move(converted.files));
    }
    return 0;
}

// The report is written whatever the outcome; its file was made when the run began, so
// a failure here is rare, and it does not turn what the run did into a failure.
void WriteReportFile(CReportFile* file, const CRunReport& report)
{
    if (file == nullptr) return;
    try {
        file->Write(report);
    } catch (const std::exception& error) {
        Console::Print(std::string("\n[WARNING] the report could not be written: ") + error.what());
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
    std::unique_ptr<CReportFile> reportFile;
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
        // The report goes where the current folder names it.
        if (options.reportFile.HasValue()) {
            reportFile = std::make_unique<CReportFile>(AbsoluteToCurrentDirectory(options.reportFile.Value()));
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
    // A signal that came during the commit waited for it; the run says so and fails.
    if (exitCode == 0 && Platform::InterruptPending()) {
        const std::string text = "interrupted by a signal during the commit, which was finished first";
        Console::Print("\n[EXCEPTION] " + text);
        context.report.failed = true;
        context.report.error = text;
        exitCode = 1;
    }
    if (exitCode != 0 && !context.report.failed) {
        context.report.failed = true;
        context.report.error = "the scheme check found something";
    }
    WriteReportFile(reportFile.get(), context.report);
    Console::Print("\nERROR:" + std::to_string(exitCode));
    // A terminal's prompt starts on a line of its own.
    if (Platform::StandardOutputIsTerminal()) Console::Print("\n");
    Console::Flush();
    Platform::ReleaseHeldLocks();
    Platform::DeferInterrupts(false);
    return exitCode;
}
