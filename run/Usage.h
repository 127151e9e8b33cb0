#pragma once

// The texts of -help and -version.

#include <string>

std::string UsageText();
std::string VersionText();
