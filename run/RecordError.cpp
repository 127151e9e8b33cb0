#include "run/RecordError.h"

#include "console/Console.h"

CRecordFailure RecordError(const FileConversion& record, const std::string& message)
{
    return CRecordFailure("while converting '" + PrintablePath(record.inputPath) + "' to '" +
                              PrintablePath(record.outputPath) + "': " + message,
                          record.inputPath, record.outputPath);
}

std::string PrintablePath(const std::string& path) { return Console::ShownName(path); }
