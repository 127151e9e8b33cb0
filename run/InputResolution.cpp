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

std::string OutputPathFor(const FileConversion& record, const std::string& inputPath, bool isFirst,
                          const std::string& baseDirectory)
{
    if (!record.outputName.HasValue()) return inputPath;
    const std::string& outputName = record.outputName.Value();
    if (IsQualifiedPath(outputName)) return WithBuildSeparators(outputName);
    if (isFirst || outputName.find('*') == std::string::npos) return CombinePath(baseDirectory, outputName);
    return ResolveOutputTemplate(inputPath, outputName);
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

std::vector<PlannedFile> ResolvePaths(const CCommandLineOptions& options, std::vector<FileConversion> conversions)
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
    const bool hasFileDirectory = options.fileDirectory.HasValue();
    std::vector<PlannedFile> planned;
    planned.reserve(conversions.size());
    for (FileConversion& record : conversions) {
        RefuseZeroByte(record, baseDirectory);
        FilePaths paths;
        paths.input = ResolveInputPath(record.inputName.Value(), baseDirectory);
        paths.output = OutputPathFor(record, paths.input, planned.empty(), baseDirectory);
        paths.backup = BackupPathFor(paths.input, baseDirectory, hasFileDirectory, backupFolder);
        paths.backupFolder = DatedFolderFor(paths.input, baseDirectory, hasFileDirectory, backupFolder);
        paths.outputBackup = BackupPathFor(paths.output, baseDirectory, hasFileDirectory, backupFolder);
        paths.outputBackupFolder = DatedFolderFor(paths.output, baseDirectory, hasFileDirectory, backupFolder);
        planned.push_back({std::move(record), std::move(paths)});
    }
    return planned;
}

std::vector<PlannedFile> TakeMissingInputs(std::vector<PlannedFile>& files)
{
    std::vector<PlannedFile> missing;
    std::vector<PlannedFile> kept;
    for (PlannedFile& file : files) {
        if (Platform::KindOf(file.paths.input) != Platform::EntryKind::Missing) {
            kept.push_back(std::move(file));
            continue;
        }
        Console::Print("\nFile '" + Console::ShownName(file.paths.input) + "' does not exist; skipped");
        missing.push_back(std::move(file));
    }
    files = std::move(kept);
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
