// Messages in the user's language: which language the environment asks for, and English
// warnings that name their file.

#include "console/Console.h"
#include "console/Messages.h"

#include "TestSupport.h"

#include <gtest/gtest.h>

namespace {

using Messages::Language;

TEST(Messages, TheEnvironmentChoosesTheLanguage)
{
    const struct {
        const char* override;
        std::string locale[3];  // LC_ALL, LC_MESSAGES, LANG
        bool systemRussian;
        Language wanted;
    } rows[] = {
        {"", {"", "", ""}, true, Language::Russian},
        {"", {"", "", ""}, false, Language::English},
        {"", {"C", "", "en_US.UTF-8"}, false, Language::Russian},
        {"", {"POSIX", "", ""}, true, Language::Russian},
        {"", {"C.UTF-8", "", ""}, true, Language::Russian},
        {"", {"", "ru_RU.UTF-8", "en_US.UTF-8"}, true, Language::Russian},
        {"", {"", "", "en_US.UTF-8"}, true, Language::English},
        {"", {"de_DE@euro", "", ""}, true, Language::English},
        {"", {"", "", "ru_RU.CP1251"}, false, Language::Russian},
        {"en", {"C", "", ""}, true, Language::English},
        {"ru", {"en_GB.UTF-8", "", ""}, false, Language::Russian},
        {"fr", {"", "", "en_US"}, true, Language::English},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(Messages::LanguageFor(row.override, row.locale, 3, row.systemRussian), row.wanted)
            << row.override << "|" << row.locale[0] << "|" << row.locale[1] << "|" << row.locale[2];
    }
}

TEST(Messages, EnglishWarningsNameTheirFile)
{
    TestSupport::CapturedConsole console;
    const TextEncoding output = Console::OutputEncoding();
    Console::SetOutputEncodingForTesting(TextEncoding::Windows1251);
    Messages::CurrentLanguage() = Language::English;
    {
        const Console::FileScope file("/etc/app/settings.ini");
        Console::Warn(Messages::kRepeatedSection, "sync");
    }
    Console::Warn(Messages::kMalformedSectionHeader, "x");
    Messages::CurrentLanguage() = Language::Russian;
    Console::Warn(Messages::kMalformedSectionHeader, "x");
    Console::SetOutputEncodingForTesting(output);
    EXPECT_EQ(console.Text(),
              "\n[WARNING] '/etc/app/settings.ini': section [sync] is defined again; the data under the repeated header "
              "is skipped.\n[WARNING] the settings file: malformed section header [line=x]" +
                  std::string(Messages::kMalformedSectionHeader.russian).replace(
                      std::string(Messages::kMalformedSectionHeader.russian).find("%s"), 2, "x"));
}

}  // namespace
