// Messages in the user's language: which language the environment asks for, and English
// warnings that name their file.

#include "console/Console.h"
#include "console/Messages.h"

#include "TestSupport.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>

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

// A message is composed in UTF-8 and shown in the console's encoding: a name shows the
// same in an error as in a status line, and one line may mix a name in UTF-8 with a
// text in Windows-1251.
TEST(Messages, EachPartShowsInItsOwnEncoding)
{
    const std::string utf8Name = "/d/\xD0\xA1\xD1\x85\xD0\xB5\xD0\xBC\xD0\xB0.ini";  // "Схема", UTF-8
    const std::string cp1251Name = "/d/\xCF\xCE\xA8\xD2.ini";  // "ПОЁТ", Windows-1251: "ОЁ" reads as UTF-8
    const struct {
        const char* name;
        TextEncoding console;
        std::function<void()> say;
        std::string wanted;
    } rows[] = {
        {"a Windows-1251 name in a status line and an error", TextEncoding::Utf8,
         [&] {
             Console::Print("\nFile '" + Console::ShownName("/d/\xFF") + "'");
             Console::Print("\nUnable to read file [/d/\xFF]");
         },
         "\nFile '/d/\\xFF'\nUnable to read file [/d/\\xFF]"},
        {"a Windows-1251 name on its own console", TextEncoding::Windows1251,
         [&] { Console::Print("[" + Console::ShownName(cp1251Name) + "] " + Console::ShownName(utf8Name)); },
         "[" + cp1251Name + "] /d/\xD1\xF5\xE5\xEC\xE0.ini"},
        {"the contract's Russian with a UTF-8 name", TextEncoding::Windows1251,
         [&] { Console::Print(Messages::kDefaultSchemeName.Utf8() + Console::ShownName(utf8Name) + "'"); },
         std::string(Messages::kDefaultSchemeName.russian) + "/d/\xD1\xF5\xE5\xEC\xE0.ini'"},
        {"an English warning: a UTF-8 file, a Windows-1251 section", TextEncoding::Windows1251,
         [&] {
             const Console::FileScope file(utf8Name);
             Console::Warn(Messages::kRepeatedSection, "\xD1");
         },
         "\n[WARNING] '/d/\xD1\xF5\xE5\xEC\xE0.ini': section [\xD1] is defined again; the data under the "
         "repeated header is skipped."},
        {"a file named like a format", TextEncoding::Utf8,
         [&] {
             const Console::FileScope file("/d/100%s%%.ini");
             Console::Warn(Messages::kRepeatedSection, "%s");
         },
         "\n[WARNING] '/d/100%s%%.ini': section [%s] is defined again; the data under the repeated header is "
         "skipped."},
    };
    const TextEncoding output = Console::OutputEncoding();
    for (const auto& row : rows) {
        TestSupport::CapturedConsole console;
        Console::SetOutputEncodingForTesting(row.console);
        Messages::CurrentLanguage() = Language::English;
        if (row.wanted.find(Messages::kDefaultSchemeName.russian) == 0) Messages::CurrentLanguage() = Language::Russian;
        row.say();
        Messages::CurrentLanguage() = Language::Russian;
        Console::SetOutputEncodingForTesting(output);
        EXPECT_EQ(console.Text(), row.wanted) << row.name;
    }
}

}  // namespace
