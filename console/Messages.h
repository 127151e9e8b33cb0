#pragma once

// The program's messages in each language it speaks, one column a language: the
// contract's Russian (Windows-1251 bytes, written as escapes, with the wording in a
// comment) and English. A message stands where its text is wanted and gives the text of
// the run's language. In a warning's format, "%F" stands for the file the warning is
// about (English names it; the contract's Russian texts have no place for it).
//
// The language: English when the first non-empty of LC_ALL, LC_MESSAGES and LANG names a
// language other than Russian (C and POSIX count as Russian, so that LC_ALL=C keeps the
// contract's bytes); on Windows, when the user's interface language is not Russian.
// VELMARCH_LANG=en or ru decides over both.

#include <initializer_list>
#include <string>

namespace Messages {

enum class Language { Russian, English };

inline Language& CurrentLanguage()
{
    static Language language = Language::Russian;
    return language;
}

struct Message {
    const char* russian;
    const char* english;

    const char* Text() const { return CurrentLanguage() == Language::English ? english : russian; }
    operator const char*() const { return Text(); }
    // The text in UTF-8, as a message is composed.
    std::string Utf8() const;
};

// The language the environment asks for: `override` (VELMARCH_LANG) when it is "en" or
// "ru", else the locale's variables in their order (`localeNames`: LC_ALL, LC_MESSAGES,
// LANG), else `systemRussian` (Windows' interface language; true where there is none).
Language LanguageFor(const std::string& override, const std::string* localeNames, int count, bool systemRussian);

// The text with each "%s" replaced by the next of `values`, taken as they are.
std::string Fill(const char* format, std::initializer_list<std::string> values);

// \nВ качестве имени xml-схемы будет использовано значение по умолчанию '
// (the default value is used as the name of the XML scheme)
inline constexpr Message kDefaultSchemeName = {
    "\n\xC2 \xEA\xE0\xF7\xE5\xF1\xF2\xE2\xE5 \xE8\xEC\xE5\xED\xE8 xml-\xF1\xF5\xE5\xEC\xFB \xE1\xF3\xE4\xE5\xF2 \xE8\xF1\xEF\xEE\xEB\xFC\xE7\xEE\xE2\xE0\xED\xEE \xE7\xED\xE0\xF7\xE5\xED\xE8\xE5 \xEF\xEE \xF3\xEC\xEE\xEB\xF7\xE0\xED\xE8\xFE '",
    "\nThe default name is used for the XML scheme: '"};

// \n[WARNING] Секция [%s] включенная в Xml-схему как новая уже имеется в ini-файле! Данные о секции будут пропущены.
// (section [%s] added by the scheme already exists in the ini file; its data is skipped)
inline constexpr Message kSectionAlreadyExists = {
    "\n[WARNING] \xD1\xE5\xEA\xF6\xE8\xFF [%s] \xE2\xEA\xEB\xFE\xF7\xE5\xED\xED\xE0\xFF \xE2 Xml-\xF1\xF5\xE5\xEC\xF3 \xEA\xE0\xEA \xED\xEE\xE2\xE0\xFF \xF3\xE6\xE5 \xE8\xEC\xE5\xE5\xF2\xF1\xFF \xE2 ini-\xF4\xE0\xE9\xEB\xE5! \xC4\xE0\xED\xED\xFB\xE5 \xEE \xF1\xE5\xEA\xF6\xE8\xE8 \xE1\xF3\xE4\xF3\xF2 \xEF\xF0\xEE\xEF\xF3\xF9\xE5\xED\xFB.",
    "\n[WARNING] %F: section [%s], which the scheme adds, exists already; the scheme's data for it is skipped."};

// \n[WARNING] Невозможно переименовать секцию [%s] в [%s]. Секция [%s] уже определена в ini-файле.
// (cannot rename section [%s] to [%s]; section [%s] is already defined)
inline constexpr Message kCannotRenameSection = {
    "\n[WARNING] \xCD\xE5\xE2\xEE\xE7\xEC\xEE\xE6\xED\xEE \xEF\xE5\xF0\xE5\xE8\xEC\xE5\xED\xEE\xE2\xE0\xF2\xFC \xF1\xE5\xEA\xF6\xE8\xFE [%s] \xE2 [%s]. \xD1\xE5\xEA\xF6\xE8\xFF [%s] \xF3\xE6\xE5 \xEE\xEF\xF0\xE5\xE4\xE5\xEB\xE5\xED\xE0 \xE2 ini-\xF4\xE0\xE9\xEB\xE5.",
    "\n[WARNING] %F: section [%s] cannot be renamed to [%s]: section [%s] exists already."};

// \n[WARNING] Невозможно скопировать секцию [%s] в [%s]. Секция [%s] уже определена в ini-файле.
// (cannot copy section [%s] to [%s]; section [%s] is already defined)
inline constexpr Message kCannotCopySection = {
    "\n[WARNING] \xCD\xE5\xE2\xEE\xE7\xEC\xEE\xE6\xED\xEE \xF1\xEA\xEE\xEF\xE8\xF0\xEE\xE2\xE0\xF2\xFC \xF1\xE5\xEA\xF6\xE8\xFE [%s] \xE2 [%s]. \xD1\xE5\xEA\xF6\xE8\xFF [%s] \xF3\xE6\xE5 \xEE\xEF\xF0\xE5\xE4\xE5\xEB\xE5\xED\xE0 \xE2 ini-\xF4\xE0\xE9\xEB\xE5.",
    "\n[WARNING] %F: section [%s] cannot be copied to [%s]: section [%s] exists already."};

// \n[WARNING] Секция [%s] не определена в Xml-схеме! Данные параметра '%s' будут пропущены.
// (section [%s] is not defined; the data of parameter '%s' is skipped)
inline constexpr Message kSectionNotDefined = {
    "\n[WARNING] \xD1\xE5\xEA\xF6\xE8\xFF [%s] \xED\xE5 \xEE\xEF\xF0\xE5\xE4\xE5\xEB\xE5\xED\xE0 \xE2 Xml-\xF1\xF5\xE5\xEC\xE5! \xC4\xE0\xED\xED\xFB\xE5 \xEF\xE0\xF0\xE0\xEC\xE5\xF2\xF0\xE0 '%s' \xE1\xF3\xE4\xF3\xF2 \xEF\xF0\xEE\xEF\xF3\xF9\xE5\xED\xFB.",
    "\n[WARNING] %F: section [%s] does not exist; the data of setting '%s' is skipped."};

// \n[WARNING] Некорректный формат секции [line=%s]
// (malformed section header [line=%s])
inline constexpr Message kMalformedSectionHeader = {
    "\n[WARNING] \xCD\xE5\xEA\xEE\xF0\xF0\xE5\xEA\xF2\xED\xFB\xE9 \xF4\xEE\xF0\xEC\xE0\xF2 \xF1\xE5\xEA\xF6\xE8\xE8 [line=%s]",
    "\n[WARNING] %F: malformed section header [line=%s]"};

// \n[WARNING] Параметр '%s' определен вне секции! Данные параметра будут пропущены.
// (parameter '%s' is defined outside a section; its data is skipped)
inline constexpr Message kParameterOutsideSection = {
    "\n[WARNING] \xCF\xE0\xF0\xE0\xEC\xE5\xF2\xF0 '%s' \xEE\xEF\xF0\xE5\xE4\xE5\xEB\xE5\xED \xE2\xED\xE5 \xF1\xE5\xEA\xF6\xE8\xE8! \xC4\xE0\xED\xED\xFB\xE5 \xEF\xE0\xF0\xE0\xEC\xE5\xF2\xF0\xE0 \xE1\xF3\xE4\xF3\xF2 \xEF\xF0\xEE\xEF\xF3\xF9\xE5\xED\xFB.",
    "\n[WARNING] %F: setting '%s' stands outside any section; its data is skipped."};

// \n[WARNING] Обнаружено повторное определение секции [%s]. Данные в секции будут пропущены.
// (section [%s] is defined again; the data in it is skipped)
inline constexpr Message kRepeatedSection = {
    "\n[WARNING] \xCE\xE1\xED\xE0\xF0\xF3\xE6\xE5\xED\xEE \xEF\xEE\xE2\xF2\xEE\xF0\xED\xEE\xE5 \xEE\xEF\xF0\xE5\xE4\xE5\xEB\xE5\xED\xE8\xE5 \xF1\xE5\xEA\xF6\xE8\xE8 [%s]. \xC4\xE0\xED\xED\xFB\xE5 \xE2 \xF1\xE5\xEA\xF6\xE8\xE8 \xE1\xF3\xE4\xF3\xF2 \xEF\xF0\xEE\xEF\xF3\xF9\xE5\xED\xFB.",
    "\n[WARNING] %F: section [%s] is defined again; the data under the repeated header is skipped."};

// \n[WARNING!] Имя секции при создании секции не может быть шаблоном. [%s]
// (a new section's name cannot be a template [%s])
inline constexpr Message kAddSectionTemplate = {
    "\n[WARNING!] \xC8\xEC\xFF \xF1\xE5\xEA\xF6\xE8\xE8 \xEF\xF0\xE8 \xF1\xEE\xE7\xE4\xE0\xED\xE8\xE8 \xF1\xE5\xEA\xF6\xE8\xE8 \xED\xE5 \xEC\xEE\xE6\xE5\xF2 \xE1\xFB\xF2\xFC \xF8\xE0\xE1\xEB\xEE\xED\xEE\xEC. [%s]",
    "\n[WARNING!] %F: the name of a new section cannot be a template. [%s]"};

// \n[WARNING!] Новое имя секции при переименовании секции не может быть шаблоном. [%s]
// (the new name of a renamed section cannot be a template [%s])
inline constexpr Message kRenameSectionTemplate = {
    "\n[WARNING!] \xCD\xEE\xE2\xEE\xE5 \xE8\xEC\xFF \xF1\xE5\xEA\xF6\xE8\xE8 \xEF\xF0\xE8 \xEF\xE5\xF0\xE5\xE8\xEC\xE5\xED\xEE\xE2\xE0\xED\xE8\xE8 \xF1\xE5\xEA\xF6\xE8\xE8 \xED\xE5 \xEC\xEE\xE6\xE5\xF2 \xE1\xFB\xF2\xFC \xF8\xE0\xE1\xEB\xEE\xED\xEE\xEC. [%s]",
    "\n[WARNING!] %F: the new name of a renamed section cannot be a template. [%s]"};

// \n[WARNING!] Новое имя секции при копировании секции не может быть шаблоном. [%s]
// (the name of a section copy cannot be a template [%s])
inline constexpr Message kCopySectionTemplate = {
    "\n[WARNING!] \xCD\xEE\xE2\xEE\xE5 \xE8\xEC\xFF \xF1\xE5\xEA\xF6\xE8\xE8 \xEF\xF0\xE8 \xEA\xEE\xEF\xE8\xF0\xEE\xE2\xE0\xED\xE8\xE8 \xF1\xE5\xEA\xF6\xE8\xE8 \xED\xE5 \xEC\xEE\xE6\xE5\xF2 \xE1\xFB\xF2\xFC \xF8\xE0\xE1\xEB\xEE\xED\xEE\xEC. [%s]",
    "\n[WARNING!] %F: the name of a section's copy cannot be a template. [%s]"};

// \n[WARNING!] Имя параметра при переимениовании параметра не может быть шаблоном. [%s]
// (the new name of a renamed setting cannot be a template [%s])
inline constexpr Message kRenameSettingTemplate = {
    "\n[WARNING!] \xC8\xEC\xFF \xEF\xE0\xF0\xE0\xEC\xE5\xF2\xF0\xE0 \xEF\xF0\xE8 \xEF\xE5\xF0\xE5\xE8\xEC\xE5\xED\xE8\xEE\xE2\xE0\xED\xE8\xE8 \xEF\xE0\xF0\xE0\xEC\xE5\xF2\xF0\xE0 \xED\xE5 \xEC\xEE\xE6\xE5\xF2 \xE1\xFB\xF2\xFC \xF8\xE0\xE1\xEB\xEE\xED\xEE\xEC. [%s]",
    "\n[WARNING!] %F: the new name of a renamed setting cannot be a template. [%s]"};

// \n[WARNING!] Имя параметра при добавлении параметра не может быть шаблоном. [%s]
// (an added setting's name cannot be a template [%s])
inline constexpr Message kAddSettingTemplate = {
    "\n[WARNING!] \xC8\xEC\xFF \xEF\xE0\xF0\xE0\xEC\xE5\xF2\xF0\xE0 \xEF\xF0\xE8 \xE4\xEE\xE1\xE0\xE2\xEB\xE5\xED\xE8\xE8 \xEF\xE0\xF0\xE0\xEC\xE5\xF2\xF0\xE0 \xED\xE5 \xEC\xEE\xE6\xE5\xF2 \xE1\xFB\xF2\xFC \xF8\xE0\xE1\xEB\xEE\xED\xEE\xEC. [%s]",
    "\n[WARNING!] %F: the name of an added setting cannot be a template. [%s]"};

// Errors that refuse a file are in English in either language, as the run's other
// errors are: the Russian column repeats the English text.

// Unable to read file [%s]: it is not a text file (a zero byte at offset %s)
inline constexpr Message kNotTextFile = {
    "Unable to read file [%s]: it is not a text file (a zero byte at offset %s)",
    "Unable to read file [%s]: it is not a text file (a zero byte at offset %s)"};

// Unable to read file [%s]: it is not well-formed UTF-16 (at offset %s)
inline constexpr Message kNotWellFormedUtf16 = {
    "Unable to read file [%s]: it is not well-formed UTF-16 (at offset %s)",
    "Unable to read file [%s]: it is not well-formed UTF-16 (at offset %s)"};

}  // namespace Messages
