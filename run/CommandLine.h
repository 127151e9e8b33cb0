#pragma once

#include "support/Optional.h"
#include "text/TextEncoding.h"
#include "text/Utf16.h"

#include <string>

// The encoding -encoding forces on every settings file: a single-byte one, or UTF-16 in
// one byte order (for files without a mark; their texts follow UTF-8's rules).
struct ForcedEncoding {
    TextEncoding text = TextEncoding::Utf8;
    ByteForm utf16 = ByteForm::SingleBytes;
};

struct CCommandLineOptions {
    COptional<std::string> schemeFile;
    COptional<std::string> inputFile;
    COptional<std::string> outputFile;
    COptional<bool> noBackup;
    COptional<std::string> fileDirectory;
    COptional<bool> sectionNameRegex;
    // Tools: each of help and version stands alone on the command line; a dry run and a
    // check of the scheme change no file.
    COptional<bool> help;
    COptional<bool> version;
    COptional<bool> dryRun;
    COptional<bool> check;
    // One encoding forced on every settings file of the run.
    COptional<ForcedEncoding> encoding;
    // Reruns and undo: convert a file this scheme converted before; undo the run
    // recorded in a dated backup folder; write a JSON report; take every warning as an
    // error.
    COptional<bool> force;
    COptional<std::string> restoreFolder;
    COptional<std::string> reportFile;
    COptional<bool> strict;
    // Convert what is there: a record whose input does not exist is skipped.
    COptional<bool> skipMissing;
};

// A flag counts as on only when it is present and true.
bool IsOn(const COptional<bool>& flag);

// Parses the process arguments (argument 0, the program, is skipped). Throws a
// runtime error with the message of the first bad item.
CCommandLineOptions ParseCommandLine(int argumentCount, const char* const* arguments);
