#pragma once

// What the run checks after every file is read and converted and before anything on
// disk changes, so that no step of the writing can lose a file: no path holds a zero
// byte, no two files of the run write one file, no two different inputs need one backup
// file, and an output that exists is a regular file (or a link to one). Files that share
// an input, or read a file another writes, are fine.

#include "run/ConvertFiles.h"

#include <string>
#include <vector>

// What the writing needs to know of a file beyond its paths, found by the checks.
struct WriteFacts {
    // The input and the output as the file system knows them.
    std::string inputIdentity;
    std::string outputIdentity;
    // A file of the run writes this input (then it is not removed after the commit).
    bool inputRewritten = false;
    bool outputExisted = false;
    // With backups on: the existing output is read by no file of the run, so it needs a
    // backup of its own.
    bool outputNeedsBackup = false;
};

// One WriteFacts per file, in order. Throws the failure of the first file refused.
std::vector<WriteFacts> CheckConversions(const std::vector<ConvertedFile>& files, bool noBackup);
