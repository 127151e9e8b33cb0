#pragma once

// The first value the run makes of a scheme's file: where it is read, written and
// preserved, resolved from the scheme's names and the command line before anything is
// read. The stages after it (run/ConvertFiles.h, run/Checks.h, run/RunWriting.h) each
// make a value of their own from it; none writes into another's.

#include "scheme/FileConversion.h"

#include <string>

struct FilePaths {
    std::string input;
    std::string output;
    // The input's backup, in the run's dated folder beside it.
    std::string backup;
    std::string backupFolder;
    // Where an existing output that no file of the run reads is preserved: the backup
    // its name would have as an input, in its dated folder.
    std::string outputBackup;
    std::string outputBackupFolder;
};

struct PlannedFile {
    FileConversion conversion;
    FilePaths paths;
};
