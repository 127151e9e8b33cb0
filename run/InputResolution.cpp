#include "run/InputResolution.h"

#include "match/NamePattern.h"
#include "match/SafeRegex.h"
#include "console/Console.h"
#include "platform/Paths.h"
#include "platform/Platform.h"
#include "engine/DatedFolder.h"
#include "run/RecordError.h"

#include <optional>
#include <stdexcept>

namespace {

std::runtime_error PatternSyntaxError()
{
    return std::runtime_error("invalid syntax for input ini file name as regex pattern");
}

std::string BaseDirectory(const CCommandLineOptions& options)
{
    if (!options.fileDirectory.HasValue()) {
        return Platform::NamesFromProgramFolder() ? ProgramDirectory() : Platform::CurrentDirectory();
    }
    const std::string& directory = options.fileDirectory.Value();
    return AbsoluteToCurrentDirectory(directory);
}

std::string OutputPathFor(const FileConversion& record, bool isFirst, const std::string& baseDirectory)
{
    if (!record.outputName.HasValue()) return record.inputPath;
    const std::string& outputName = record.outputName.Value();
    if (IsQualifiedPath(outputName)) return WithBuildSeparators(outputName);
    if (isFirst || outputName.find('*') == std::string::npos) return CombinePath(baseDirectory, outputName);
    return ResolveOutputTemplate(record.inputPath, outputName);
}

// Input := Directory '/' Expression '/'
std::string ResolveInputPattern(const std::string& inputName, const std::string& baseDirectory)
{
    if (inputName.size() < 3) throw PatternSyntaxError();
    const std::size_t slash = inputName.rfind('/', inputName.size() - 2);
    if (slash == std::string::npos) throw PatternSyntaxError();
    const std::string directoryText = inputName.substr(0, slash);
    const std::string expression = inputName.substr(slash + 1, inputName.size() - slash - 2);
    const std::string directory =
        IsQualifiedPath(directoryText) ? directoryText : CombinePath(baseDirectory, directoryText);
    const std::string wrapped = "(" + expression + ")";
    std::vector<std::string> files;
    try {
        const CSafeRegex pattern(wrapped, CSafeRegex::LetterCase::Insensitive);
        files = FindMatchingFiles(directory, pattern);
    } catch (const std::regex_error& error) {
        throw std::runtime_error("invalid input ini file regex pattern '" + wrapped + "': " + error.what());
    }
    if (files.empty()) {
        throw std::runtime_error("could not determined input ini file: no file name match pattern '" + expression + "'");
    }
    if (files.size() > 1) {
        throw std::runtime_error("could not determined input ini file: more then one file name match pattern '" +
                                 expression + "'");
    }
    return files.front();
}

// A name holding a zero byte is refused as the scheme gives it, before any path call:
// a system's call would read the name only up to that byte.
void RefuseZeroByte(const FileConversion& record, const std::string& baseDirectory)
{
    const std::string input = record.inputName.Value();
    const std::string output = record.outputName.HasValue() ? record.outputName.Value() : input;
    if (input.find('\0') == std::string::npos && output.find('\0') == std::string::npos) return;
    const auto joined = [&](const std::string& name) {
        return IsQualifiedPath(name.substr(0, name.find('\0'))) ? name : baseDirectory + Separator() + name;
    };
    const std::string zeroed = input.find('\0') != std::string::npos ? joined(input) : joined(output);
    throw std::runtime_error("while converting '" + PrintablePath(joined(input)) + "' to '" +
                             PrintablePath(joined(output)) + "': a file name holds a zero byte: [" +
                             PrintablePath(zeroed) + "]");
}

}  // namespace

void ResolvePaths(const CCommandLineOptions& options, std::vector<FileConversion>& conversions)
{
    if (conversions.empty()) throw std::runtime_error("nothing to convert");
    FileConversion& first = conversions.front();
    if (options.inputFile.HasValue()) first.inputName = options.inputFile.Value();
    const bool dropFirst = !first.inputName.HasValue() && first.sectionActions.Empty();
    if (dropFirst) {
        // A top-level record naming no file and doing nothing; -o has nothing to apply to.
        conversions.erase(conversions.begin());
        if (conversions.empty()) throw std::runtime_error("nothing to convert");
    } else {
        if (!first.inputName.HasValue()) throw std::runtime_error("input ini file not specified");
        if (options.outputFile.HasValue()) first.outputName = options.outputFile.Value();
    }

    const std::string baseDirectory = BaseDirectory(options);
    const std::string backupFolder = BackupFolderName();
    for (std::size_t index = 0; index < conversions.size(); ++index) {
        FileConversion& record = conversions[index];
        RefuseZeroByte(record, baseDirectory);
        record.inputPath = ResolveInputPath(record.inputName.Value(), baseDirectory);
        record.outputPath = OutputPathFor(record, index == 0, baseDirectory);
        const bool hasFileDirectory = options.fileDirectory.HasValue();
        record.backupPath = BackupPathFor(record.inputPath, baseDirectory, hasFileDirectory, backupFolder);
        record.backupFolder = DatedFolderFor(record.inputPath, baseDirectory, hasFileDirectory, backupFolder);
        record.outputBackupPath = BackupPathFor(record.outputPath, baseDirectory, hasFileDirectory, backupFolder);
        record.outputBackupFolder = DatedFolderFor(record.outputPath, baseDirectory, hasFileDirectory, backupFolder);
    }
}

std::vector<FileConversion> TakeMissingInputs(std::vector<FileConversion>& conversions)
{
    std::vector<FileConversion> missing;
    std::vector<FileConversion> kept;
    for (FileConversion& record : conversions) {
        if (Platform::KindOf(record.inputPath) != Platform::EntryKind::Missing) {
            kept.push_back(std::move(record));
            continue;
        }
        Console::Print("\nFile '" + Console::ShownName(record.inputPath) + "' does not exist; skipped");
        missing.push_back(std::move(record));
    }
    conversions = std::move(kept);
    return missing;
}

std::string ResolveInputPath(const std::string& inputName, const std::string& baseDirectory)
{
    if (!inputName.empty() && inputName.back() == '/') return ResolveInputPattern(inputName, baseDirectory);
    return IsQualifiedPath(inputName) ? WithBuildSeparators(inputName) : CombinePath(baseDirectory, inputName);
}

std::vector<std::string> FindMatchingFiles(const std::string& directory, const CSafeRegex& expression)
{
    std::vector<std::string> files;
    std::vector<Platform::DirectoryEntry> entries;
    if (!Platform::ListEntries(directory, entries)) return files;
    for (const Platform::DirectoryEntry& entry : entries) {
        if (!entry.isDirectory && expression.Matches(entry.name)) files.push_back(CombinePath(directory, entry.name));
    }
    return files;
}

std::string ResolveOutputTemplate(const std::string& inputPath, const std::string& outputName)
{
    const std::string templateText = ReplaceStars(ToLower(outputName));
    const std::string directory = DirectoryPart(inputPath);
    const std::string ownFile = ToLower(FileNamePart(Platform::ExecutablePath()));
    std::optional<CSafeRegex> pattern;
    std::string chosen = outputName;
    for (const std::string& entry : ListDirectory(directory)) {
        const std::string lowered = ToLower(entry);
        if (lowered == ownFile) continue;
        if (!pattern) pattern.emplace(templateText);
        if (pattern->Search(lowered)) {
            chosen = entry;
            break;
        }
    }
    const std::size_t dot = chosen.rfind('.');
    if (dot != std::string::npos) chosen.erase(dot);
    if (!chosen.empty()) chosen += ".ini";
    return directory + Separator() + chosen;
}
