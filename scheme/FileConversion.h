#pragma once

// One file to convert: the names the scheme gives, the paths the run resolves, the
// image of the file and the section actions to run on it.

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
    std::string inputPath;
    std::string outputPath;
    std::string backupPath;
    // The run's dated backup folder that holds backupPath.
    std::string backupFolder;
    // Filled by the run's checks: the input as the file system knows it, and whether a
    // record of the run writes the input (then it is not removed after the commit).
    std::string inputIdentity;
    std::string outputIdentity;
    bool inputRewritten = false;
    // An existing output that no record reads is preserved too, at the backup path its
    // name would have as an input, in its dated folder.
    std::string outputBackupPath;
    std::string outputBackupFolder;
    bool outputExisted = false;
    bool outputNeedsBackup = false;
    // Filled while the run goes: the SHA-256 of the bytes read and written (with backups
    // on), whether the output is in place, and the warnings the record gave.
    std::string inputSha256;
    std::string outputSha256;
    bool committed = false;
    std::vector<std::string> warnings;
    CIniFileImage image;
    // The actions with the scheme's texts in the scheme's encoding, and the same with
    // them in the other encoding, for a file in it; the first text of the record the
    // other encoding cannot hold (empty when all fit).
    CActionExecutorContainer sectionActions;
    TextEncoding schemeEncoding = TextEncoding::Windows1251;
    CActionExecutorContainer otherEncodingActions;
    std::string otherEncodingUnencodable;

    // The actions for the file as it was read; throws when a text of the scheme cannot
    // be written in the file's encoding.
    const CActionExecutorContainer& ActionsForImage() const;
    // Once they have run: a run of many files would hold every file's two sets whole.
    void ReleaseActions()
    {
        sectionActions = CActionExecutorContainer();
        otherEncodingActions = CActionExecutorContainer();
    }
};
