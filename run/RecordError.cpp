#include "run/RecordError.h"

std::runtime_error RecordError(const FileConversion& record, const std::string& message)
{
    return std::runtime_error("while converting '" + PrintablePath(record.inputPath) + "' to '" +
                              PrintablePath(record.outputPath) + "': " + message);
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
