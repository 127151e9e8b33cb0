#pragma once

// One file the scheme converts, as the scheme says it: the names its Convert or File
// element gives and the section actions to run on it. The run takes it from here as
// values of its own (run/FilePlan.h, run/ConvertFiles.h); nothing below fills it in.

#include "actions/ActionExecutorContainer.h"
#include "support/Optional.h"
#include "ini/IniFileImage.h"
#include "text/TextEncoding.h"

#include <cstdint>
#include <string>
#include <vector>

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
    // The actions with the scheme's texts in the scheme's encoding, and the same with
    // them in the other encoding, for a file in it; the first text of the record the
    // other encoding cannot hold (empty when all fit).
    CActionExecutorContainer sectionActions;
    TextEncoding schemeEncoding = TextEncoding::Windows1251;
    CActionExecutorContainer otherEncodingActions;
    std::string otherEncodingUnencodable;

    // The actions for the file as it was read; throws when a text of the scheme cannot
    // be written in the file's encoding.
    const CActionExecutorContainer& ActionsForImage(const CIniFileImage& image) const;
};
