#pragma once

// Everything the program says goes to standard output; nothing goes to standard error.

#include <string>

namespace Console {

void Print(const std::string& text);

// printf-style; user text is always an argument, never the format.
void Warn(const char* format, ...)
#if defined(__GNUC__)
    __attribute__((format(printf, 1, 2)))
#endif
    ;

void Flush();

// Test seam: while set, everything printed is appended to `sink` instead.
void CaptureForTesting(std::string* sink);

}  // namespace Console
