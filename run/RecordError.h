#pragma once

// A failure of the run named by the record it arose in:
// "while converting '<input>' to '<output>': <message>".

#include "run/FilePlan.h"

#include <stdexcept>
#include <string>

class CRecordFailure : public std::runtime_error {
public:
    CRecordFailure(const std::string& text, std::string input, std::string output)
        : std::runtime_error(text), inputPath(std::move(input)), outputPath(std::move(output))
    {
    }

    // The record's paths, so that a report can name it.
    std::string inputPath;
    std::string outputPath;
};

CRecordFailure RecordError(const FilePaths& paths, const std::string& message);

// A path as a message shows it: a zero byte as "\0", so the text is not cut there.
std::string PrintablePath(const std::string& path);
