#include "run/Staging.h"

#include "platform/Platform.h"
#include "platform/Sha256.h"
#include "run/RecordError.h"

#include <exception>

std::vector<StagedOutput> StageAll(std::vector<FileConversion>& conversions, bool digest)
{
    std::vector<StagedOutput> staged;
    staged.reserve(conversions.size());
    for (FileConversion& record : conversions) {
        CSha256 written;
        StagedOutput output;
        output.targetPath = Platform::FinalLinkTarget(record.outputPath);
        try {
            // The new file takes the attributes of the file it replaces, else those of
            // its input.
            output.temporaryPath = record.image.WriteTemporary(record.outputPath, {output.targetPath, record.inputPath},
                                                               digest ? &written : nullptr);
        } catch (const std::exception& error) {
            DiscardStaged(staged);
            throw RecordError(record, error.what());
        }
        if (digest) record.outputSha256 = written.Hex();
        staged.push_back(output);
    }
    return staged;
}

void DiscardStaged(const std::vector<StagedOutput>& staged, std::size_t fromIndex)
{
    for (std::size_t index = fromIndex; index < staged.size(); ++index) {
        Platform::RemoveFile(staged[index].temporaryPath);
    }
}
