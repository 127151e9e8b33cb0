#include "run/ConvertFiles.h"

#include "console/Console.h"
#include "text/Sha256.h"

#include <exception>

namespace {

void Convert(const FileConversion& conversion, const COptional<ForcedEncoding>& forced, bool keepDigest,
             ConvertedFile& file)
{
    const Console::WarningCollector warnings(file.warnings);
    const Console::FileScope scope(file.paths.input);
    FileEncodingRule rule;
    rule.forced = forced.HasValue();
    rule.forAscii = rule.forced ? forced.Value().text : conversion.schemeEncoding;
    if (rule.forced) rule.utf16 = forced.Value().utf16;
    file.image.Load(file.paths.input, rule);
    if (keepDigest) file.inputSha256 = Sha256Hex(file.image.LoadedBytes());
    const Console::TextEncodingScope names(file.image.FileEncoding());
    conversion.ActionsForImage(file.image).ExecuteAll(file.image);
}

}  // namespace

ConvertedFiles ConvertAll(std::vector<PlannedFile> planned, const COptional<ForcedEncoding>& forced, bool keepDigest)
{
    ConvertedFiles converted;
    converted.files.reserve(planned.size());
    for (PlannedFile& next : planned) {
        converted.files.emplace_back();
        ConvertedFile& file = converted.files.back();
        file.paths = std::move(next.paths);
        const FileConversion conversion = std::move(next.conversion);
        if (converted.failure) continue;
        try {
            Convert(conversion, forced, keepDigest, file);
        } catch (const std::exception& error) {
            converted.failure = RecordError(file.paths, error.what());
        }
    }
    return converted;
}
