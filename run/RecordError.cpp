#include "run/RecordError.h"

CRecordFailure RecordError(const FileConversion& record, const std::string& message)
{
    return CRecordFailure("while converting '" + PrintablePath(record.inputPath) + "' to '" +
                              PrintablePath(record.outputPath) + "': " + message,
                          record.inputPath, record.outputPath);
}

std::string PrintablePath(const std::string& path)
{
    std::string shown;
    for (char byte : path) {
        if (byte == '\0') {
            shown += "\\0";
        } else {
            shown.push_back(byte);
        }
    }
    return shown;
}
