#pragma once

// What the run checks after every file is read and converted and before anything on
// disk changes, so that no step of the writing can lose a file: no path holds a zero
// byte, no two records write one file, no two different inputs need one backup file,
// and an output that exists is a regular file (or a link to one). Records that share an
// input, or read a file another record writes, are fine. Fills each record's input and
// output identities, whether a record writes its input, and, with backups on, whether
// its existing output needs a backup of its own.

#include "scheme/FileConversion.h"

#include <vector>

void CheckConversions(std::vector<FileConversion>& conversions, bool noBackup);
