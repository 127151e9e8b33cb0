#include "run/Run.h"

#include "platform/Console.h"
#include "platform/Messages.h"
#include "platform/Paths.h"
#include "platform/Platform.h"
#include "run/Backup.h"
#include "run/Checks.h"
#include "run/CommandLine.h"
#include "run/Commit.h"
#include "run/DryRun.h"
#include "run/InputResolution.h"
#include "run/RecordError.h"
#include "run/SchemeCheck.h"
#include "run/Staging.h"
#include "run/Usage.h"
#include "scheme/SchemeLint.h"
#include "scheme/SchemeLoader.h"

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

std::vector<FileConversion> LoadConversions(const std::string& schemePath, const CCommandLineOptions& options)
{
    return InScheme(schemePath, [&] {
        CSchemaParser parser(IsOn(options.sectionNameRegex));
        return LoadScheme(parser, schemePath);
    });
}

// -check: the scheme is loaded as a run loads it and its records' inputs resolved;
// nothing is read or written beyond that.
int CheckScheme(const std::string& schemePath, const CCommandLineOptions& options)
{
    SchemeDocument document = InScheme(schemePath, [&] { return ReadSchemeDocument(schemePath); });
    std::vector<FileConversion> conversions = InScheme(schemePath, [&] {
        CSchemaParser parser(IsOn(options.sectionNameRegex));
        return BuildConversions(parser, document);
    });
    ResolvePaths(options, conversions);
    return ReportSchemeCheck(LintScheme(*document.tree, document.encoding), conversions);
}

// Everything is read and converted before anything on disk changes.
void ConvertAll(std::vector<FileConversion>& conversions, const COptional<TextEncoding>& forced)
{
    for (FileConversion& record : conversions) {
        try {
            FileEncodingRule rule;
            rule.forced = forced.HasValue();
            rule.forAscii = rule.forced ? forced.Value() : record.schemeEncoding;
            record.image.Load(record.inputPath, rule);
            const Console::TextEncodingScope names(record.image.FileEncoding());
            record.ActionsForImage().ExecuteAll(record.image);
        } catch (const std::exception& error) {
            throw RecordError(record, error.what());
        }
    }
}

// The writing as one transaction: stage every output, back up every input, then commit.
// Until the commit a failure leaves every file as it was.
void WriteAll(std::vector<FileConversion>& conversions, bool noBackup)
{
    for (const FileConversion& record : conversions) CreateParentDirectories(record.outputPath);
    const std::vector<StagedOutput> staged = StageAll(conversions);
    CBackupStep backups;
    try {
        if (!noBackup) backups.Run(conversions);
    } catch (...) {
        DiscardStaged(staged);
        throw;
    }
    CommitAll(conversions, staged, noBackup);
}

// The records of a run that ends the process; reachable from here, so no leak.
std::vector<std::vector<FileConversion>>* g_leftToExit = nullptr;

int RunGuarded(CCommandLineOptions options, bool leaveImagesToExit)
{
    const std::string schemePath = SchemePath(options);
    if (IsOn(options.check)) return CheckScheme(schemePath, options);
    std::vector<FileConversion> conversions = LoadConversions(schemePath, options);
    ResolvePaths(options, conversions);
    const bool noBackup = IsOn(options.noBackup);
    ConvertAll(conversions, options.encoding);
    CheckConversions(conversions, noBackup);
    if (IsOn(options.dryRun)) {
        PrintDryRun(conversions);
        Console::Print("\nDry run of the '" + schemePath + "' scenario: no file was changed");
        return 0;
    }
    WriteAll(conversions, noBackup);
    Console::Print("\nFile conversions by the '" + schemePath + "' scenario successfully completed");
    if (leaveImagesToExit) {
        if (g_leftToExit == nullptr) g_leftToExit = new std::vector<std::vector<FileConversion>>();
        g_leftToExit->push_back(std::move(conversions));
    }
    return 0;
}

}  // namespace

int Run(int argumentCount, const char* const* arguments, bool leaveImagesToExit)
{
    Platform::SetUpProcess();
    Console::DetectOutputEncoding();
    int exitCode = 1;
    try {
        const CCommandLineOptions options = ParseOptions(argumentCount, arguments);
        // Help and version are no run: their text alone, without a status line.
        if (IsOn(options.help) || IsOn(options.version)) {
            Console::Print(IsOn(options.help) ? UsageText() : VersionText());
            Console::Flush();
            return 0;
        }
        exitCode = RunGuarded(options, leaveImagesToExit);
    } catch (const std::exception& error) {
        Console::Print(std::string("\n[EXCEPTION] ") + error.what());
    } catch (...) {
        Console::Print("\n[EXCEPTION] unknown error");
    }
    Console::Print("\nERROR:" + std::to_string(exitCode));
    Console::Flush();
    return exitCode;
}
