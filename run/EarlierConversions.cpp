#include "run/EarlierConversions.h"

#include "console/Console.h"
#include "platform/Paths.h"

#include <optional>

std::vector<ConvertedRecord> TakeConvertedRecords(std::vector<FileConversion>& conversions,
                                                  const SchemeIdentity& scheme)
{
    CConversionHistory history(scheme);
    std::vector<ConvertedRecord> taken;
    std::vector<FileConversion> kept;
    for (FileConversion& record : conversions) {
        const std::optional<EarlierConversion> earlier =
            history.Find(DirectoryPart(record.backupFolder), record.inputPath, record.outputPath);
        if (!earlier) {
            kept.push_back(std::move(record));
            continue;
        }
        const std::string by =
            earlier->otherVersion ? "another version of the scenario '" + scheme.id + "'" : "this scenario";
        Console::Print("\nFile '" + Console::ShownName(record.outputPath) + "' was converted by " + by + " on " +
                       earlier->convertedOn + " (" + Console::ShownName(earlier->convertedBy) + "); left as it is");
        taken.push_back({std::move(record), *earlier});
    }
    conversions = std::move(kept);
    return taken;
}
