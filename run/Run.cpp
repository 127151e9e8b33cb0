#include "run/Run.h"

#include "platform/Console.h"
#include "platform/Platform.h"
#include "run/Backup.h"
#include "run/CommandLine.h"
#include "run/InputResolution.h"
#include "run/Messages.h"
#include "run/Paths.h"
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

// Runs `step` on every record; a failure names the record it arose in.
template <class Step>
void ForEachRecord(std::vector<FileConversion>& conversions, Step step)
{
    for (FileConversion& record : conversions) {
        try {
            step(record);
        } catch (const std::exception& error) {
            throw std::runtime_error("while converting '" + record.inputPath + "' to '" + record.outputPath +
                                     "': " + error.what());
        }
    }
}

// Everything is read and converted before the first file is moved or written.
void ConvertAll(std::vector<FileConversion>& conversions, bool noBackup)
{
    ForEachRecord(conversions, [noBackup](FileConversion& record) {
        record.image.Load(record.inputPath);
        record.sectionActions.ExecuteAll(record.image);
        if (!noBackup) CreateParentDirectories(record.backupPath);
        CreateParentDirectories(record.outputPath);
    });
}

void BackUpAndWriteAll(std::vector<FileConversion>& conversions, bool noBackup)
{
    ForEachRecord(conversions, [noBackup](FileConversion& record) {
        if (!noBackup) MoveToBackup(record.inputPath, record.backupPath);
        record.image.Save(record.outputPath);
        Console::Print("\nFile '" + record.inputPath + "' successfully converted to file '" + record.outputPath + "'");
    });
}

int RunGuarded(int argumentCount, const char* const* arguments)
{
    CCommandLineOptions options = ParseOptions(argumentCount, arguments);
    const std::string schemePath = SchemePath(options);
    std::vector<FileConversion> conversions = LoadConversions(schemePath, options);
    ResolvePaths(options, conversions);
    const bool noBackup = IsOn(options.noBackup);
    ConvertAll(conversions, noBackup);
    BackUpAndWriteAll(conversions, noBackup);
    Console::Print("\nFile conversions by the '" + schemePath + "' scenario successfully completed");
    return 0;
}

}  // namespace

int Run(int argumentCount, const char* const* arguments)
{
    Platform::SetUpLocale();
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
