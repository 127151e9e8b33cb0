#include "engine/FileIdentity.h"

#include "platform/Platform.h"

std::string FileKeyOf(const std::string& path) { return Platform::FileIdentity(path); }

bool SameFile(const std::string& left, const std::string& right) { return FileKeyOf(left) == FileKeyOf(right); }

std::string RealPathOf(const std::string& path) { return Platform::RealPath(path); }
