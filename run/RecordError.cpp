#include "run/RecordError.h"

std::runtime_error RecordError(const FileConversion& record, const std::string& message)
{
    return std::runtime_error("while converting '" + record.inputPath + "' to '" + record.outputPath + "': " + message);
}
