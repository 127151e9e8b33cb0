#include "run/EarlierConversions.h"

#include "console/Console.h"
#include "platform/Paths.h"

#include <optional>

std::vector<AlreadyConverted> TakeAlreadyConverted(std::vector<PlannedFile>& files, const SchemeIdentity& scheme)
{
    CConversionHistory history(scheme);
    std::vector<AlreadyConverted> taken;
    std::vector<PlannedFile> kept;
    for (PlannedFile& file : files) {
        const FilePaths& paths = file.paths;
        const std::optional<EarlierConversion> earlier =
            history.Find(DirectoryPart(paths.backupFolder), paths.input, paths.output);
        if (!earlier) {
            kept.push_back(std::move(file));
            continue;
        }
        const std::string by =
            earlier->otherVersion ? "another version of the scenario '" + scheme.id + "'" : "this scenario";
        Console::Print("\nFile '" + Console::ShownName(paths.output) + "' was converted by " + by + " on " +
                       earlier->convertedOn + " (" + Console::ShownName(earlier->convertedBy) + "); left as it is");
        taken.push_back({paths, *earlier});
    }
    files = std::move(kept);
    return taken;
}
