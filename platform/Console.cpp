#include "platform/Console.h"

#include <cstdarg>
#include <cstdio>

namespace Console {

void Print(const std::string& text)
{
    std::fwrite(text.data(), 1, text.size(), stdout);
}

void Warn(const char* format, ...)
{
    va_list arguments;
    va_start(arguments, format);
    std::vprintf(format, arguments);
    va_end(arguments);
}

void Flush() { std::fflush(stdout); }

}  // namespace Console
