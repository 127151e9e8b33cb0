#pragma once

// Free helpers on path texts and on the file system. Paths are byte texts; both '/'
// and '\' separate components, and the program joins its own paths with the build's
// separator ('/' on POSIX, '\' on Windows). No helper throws: failures come back as
// an empty text, no value, false or an empty list.

#include <optional>
#include <string>
#include <vector>

bool IsQualifiedPath(const std::string& path);

std::string ProgramDirectory();
std::string ProgramBaseName();

std::string AbsoluteToProgramDirectory(const std::string& path);
std::string AbsoluteToCurrentDirectory(const std::string& path);

// Joins and normalises; never truncates.
std::string CombinePath(const std::string& directory, const std::string& name);
// The text rule CombinePath falls back to where the system has no call or refuses.
std::string CombineAsText(const std::string& directory, const std::string& name);

// "." for the same directory, "./..." below it, no value otherwise.
std::optional<std::string> RelativePath(const std::string& fromDirectory, const std::string& toDirectory);
// The text rule of RelativePath: components compared exactly, "." or "./..." below.
std::optional<std::string> RelativeAsText(const std::string& fromDirectory, const std::string& toDirectory);

std::string DirectoryPart(const std::string& path);
std::string FileNamePart(const std::string& path);

bool IsDirectory(const std::string& path);
bool MakeDirectory(const std::string& path);
void CreateParentDirectories(const std::string& path);

// Entry names not beginning with '.', in the build's listing order.
std::vector<std::string> ListDirectory(const std::string& directory);

std::string ToLower(const std::string& text);

std::string LastErrorText();

// The build's own separator as a one-character text.
std::string Separator();

// The path as the build writes paths: on Windows every '/' becomes '\'; on POSIX it
// stays as it is.
std::string WithBuildSeparators(const std::string& path);
