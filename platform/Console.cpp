#include "platform/Console.h"

#include <cstdarg>
#include <cstdio>
#include <vector>

namespace Console {
namespace {

std::string* g_sink = nullptr;

}  // namespace

void Print(const std::string& text)
{
    if (g_sink != nullptr) {
        g_sink->append(text);
        return;
    }
    std::fwrite(text.data(), 1, text.size(), stdout);
}

void Warn(const char* format, ...)
{
    va_list arguments;
    va_start(arguments, format);
    if (g_sink == nullptr) {
        std::vprintf(format, arguments);
        va_end(arguments);
        return;
    }
    va_list measuring;
    va_copy(measuring, arguments);
    const int length = std::vsnprintf(nullptr, 0, format, measuring);
    va_end(measuring);
    if (length > 0) {
        std::vector<char> text(static_cast<std::size_t>(length) + 1);
        std::vsnprintf(text.data(), text.size(), format, arguments);
        g_sink->append(text.data(), static_cast<std::size_t>(length));
    }
    va_end(arguments);
}

void Flush() { std::fflush(stdout); }

void CaptureForTesting(std::string* sink) { g_sink = sink; }

}  // namespace Console
