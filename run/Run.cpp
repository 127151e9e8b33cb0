#include "run/Run.h"

#include "platform/Console.h"
#include "platform/Platform.h"
#include "run/Backup.h"
#include "run/Checks.h"
#include "run/CommandLine.h"
#include "run/Commit.h"
#include "run/InputResolution.h"
#include "platform/Messages.h"
#include "platform/Paths.h"
#include "run/RecordError.h"
#include "run/Staging.h"
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

std::vector<FileConversion> LoadConversions(const std::string& schemePath, const CCommandLineOptions& options)
{
    try {
        CSchemaParser parser(IsOn(options.sectionNameRegex));
        return LoadScheme(parser, schemePath);
    } catch (const std::exception& error) {
        throw std::runtime_error("XML schema file '" + schemePath + "': " + error.what());
    }
}

// Everything is read and converted before anything on disk changes.
void ConvertAll(std::vector<FileConversion>& conversions)
{
    for (FileConversion& record : conversions) {
        try {
            record.image.Load(record.inputPath);
            record.sectionActions.ExecuteAll(record.image);
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

int RunGuarded(int argumentCount, const char* const* arguments)
{
    CCommandLineOptions options = ParseOptions(argumentCount, arguments);
    const std::string schemePath = SchemePath(options);
    std::vector<FileConversion> conversions = LoadConversions(schemePath, options);
    ResolvePaths(options, conversions);
    const bool noBackup = IsOn(options.noBackup);
    ConvertAll(conversions);
    CheckConversions(conversions, noBackup);
    WriteAll(conversions, noBackup);
    Console::Print("\nFile conversions by the '" + schemePath + "' scenario successfully completed");
    return 0;
}

}  // namespace

int Run(int argumentCount, const char* const* arguments)
{
    Platform::SetUpProcess();
    int exitCode = 1;
    try {
        exitCode = RunGuarded(argumentCount, arguments);
    } catch (const std::exception& error) {
        Console::Print(std::string("\n[EXCEPTION] ") + error.what());
    } catch (...) {
        Console::Print("\n[EXCEPTION] unknown error");
    }
    Console::Print("\nERROR:" + std::to_string(exitCode));
    Console::Flush();
    return exitCode;
}
