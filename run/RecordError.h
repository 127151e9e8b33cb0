#pragma once

// A failure of the run named by the record it arose in:
// "while converting '<input>' to '<output>': <message>".

#include "scheme/FileConversion.h"

#include <stdexcept>
#include <string>

std::runtime_error RecordError(const FileConversion& record, const std::string& message);
