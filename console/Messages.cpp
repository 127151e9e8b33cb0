#include "console/Messages.h"

#include "text/TextEncoding.h"

#include <fmt/args.h>
#include <fmt/printf.h>

namespace Messages {

namespace {

// "ru", "ru_RU.UTF-8", "C", "POSIX" and "C.UTF-8" keep the contract's Russian.
bool NamesRussian(const std::string& locale)
{
    const std::string language = locale.substr(0, locale.find_first_of("_.@"));
    return language == "ru" || language == "C" || language == "POSIX";
}

}  // namespace

std::string Message::Utf8() const
{
    return Encoding::ForDisplay(Text(), TextEncoding::Windows1251, TextEncoding::Utf8);
}

Language LanguageFor(const std::string& override, const std::string* localeNames, int count, bool systemRussian)
{
    if (override == "en") return Language::English;
    if (override == "ru") return Language::Russian;
    for (int index = 0; index < count; ++index) {
        if (localeNames[index].empty()) continue;
        return NamesRussian(localeNames[index]) ? Language::Russian : Language::English;
    }
    return systemRussian ? Language::Russian : Language::English;
}

std::string Fill(const char* format, std::initializer_list<std::string> values)
{
    fmt::dynamic_format_arg_store<fmt::printf_context> arguments;
    for (const std::string& value : values) arguments.push_back(value);
    return fmt::vsprintf(fmt::string_view(format), arguments);
}

}  // namespace Messages
