#pragma once

// A failure of the run named by the record it arose in:
// "while converting '<input>' to '<output>': <message>".

#include "scheme/FileConversion.h"

#include <stdexcept>
#include <string>

std::runtime_error RecordError(const FileConversion& record, const std::string& message);

// A path as a message shows it: a zero byte as "\0", so the text is not cut there.
std::string PrintablePath(const std::string& path);
