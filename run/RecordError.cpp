#include "run/RecordError.h"

#include "console/Console.h"

CRecordFailure RecordError(const FilePaths& paths, const std::string& message)
{
    return CRecordFailure("while converting '" + PrintablePath(paths.input) + "' to '" + PrintablePath(paths.output) +
                              "': " + message,
                          paths.input, paths.output);
}

std::string PrintablePath(const std::string& path) { return Console::ShownName(path); }
