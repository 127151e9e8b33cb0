#pragma once

// One file to convert: the names the scheme gives, the paths the run resolves, the
// image of the file and the section actions to run on it.

#include "actions/ActionExecutorContainer.h"
#include "condition/Optional.h"
#include "ini/IniFileImage.h"

#include <cstdint>
#include <string>

struct SchemeFileEntry {
    COptional<std::string> inputName;
    COptional<std::string> outputName;
    CActionExecutorContainer sectionActions;
    std::int64_t line = 0;  // of the Convert or File element
};

struct FileConversion {
    FileConversion() = default;
    explicit FileConversion(const SchemeFileEntry& entry)
        : line(entry.line), inputName(entry.inputName), outputName(entry.outputName), sectionActions(entry.sectionActions)
    {
    }

    std::int64_t line = 0;
    COptional<std::string> inputName;
    COptional<std::string> outputName;
    std::string inputPath;
    std::string outputPath;
    std::string backupPath;
    // The run's dated backup folder that holds backupPath.
    std::string backupFolder;
    // Filled by the run's checks: the input as the file system knows it, and whether a
    // record of the run writes the input (then it is not removed after the commit).
    std::string inputIdentity;
    bool inputRewritten = false;
    CIniFileImage image;
    CActionExecutorContainer sectionActions;
};
