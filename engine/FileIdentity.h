#pragma once

// How the program tells that two names are one file, in every check, in the history of
// runs and for backup names alike: while a file exists, by what the file system says it
// is (device and inode; Windows: volume serial and file index); a name that names
// nothing, by its real path (links and "." or ".." resolved). Records store real paths.

#include <string>

// Equal for two names exactly when they name one file.
std::string FileKeyOf(const std::string& path);
bool SameFile(const std::string& left, const std::string& right);
std::string RealPathOf(const std::string& path);
