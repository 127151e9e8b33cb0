#include "condition/SafeRegex.h"

#include "platform/LetterCase.h"

#include <locale>

namespace {

// Letter case of the Windows-1251 code page for case-insensitive matching; the
// classification of characters stays that of the classic locale.
class Cp1251Ctype : public std::ctype<char> {
protected:
    char do_tolower(char byte) const override
    {
        return static_cast<char>(LetterCase::Lower(static_cast<unsigned char>(byte)));
    }
    const char* do_tolower(char* begin, const char* end) const override
    {
        for (; begin != end; ++begin) *begin = do_tolower(*begin);
        return end;
    }
    char do_toupper(char byte) const override
    {
        return static_cast<char>(LetterCase::Upper(static_cast<unsigned char>(byte)));
    }
    const char* do_toupper(char* begin, const char* end) const override
    {
        for (; begin != end; ++begin) *begin = do_toupper(*begin);
        return end;
    }
};

const std::locale& Cp1251Locale()
{
    static const std::locale locale(std::locale::classic(), new Cp1251Ctype);
    return locale;
}

std::regex Compile(const std::string& pattern, std::regex::flag_type flags)
{
    std::regex compiled;
    compiled.imbue(Cp1251Locale());
    compiled.assign(pattern, flags);
    return compiled;
}

}  // namespace

CSafeRegex::CSafeRegex(const std::string& pattern, LetterCase letterCase)
{
    std::regex::flag_type flags = std::regex::ECMAScript;
    if (letterCase == LetterCase::Insensitive) flags |= std::regex::icase;
    try {
        m_regex = Compile(pattern, flags | std::regex_constants::__polynomial);
    } catch (const std::regex_error&) {
        // Either the pattern is invalid (the plain compile below throws the engine's
        // own error for it) or it holds back-references, which only the backtracking
        // matcher can follow.
        m_regex = Compile(pattern, flags);
        m_backtracking = true;
    }
}

bool CSafeRegex::FallbackAllowed(const std::string& text) const
{
    return !m_backtracking || text.size() <= kMaxBacktrackingTextBytes;
}

bool CSafeRegex::Matches(const std::string& text) const
{
    return FallbackAllowed(text) && std::regex_match(text, m_regex);
}

bool CSafeRegex::Search(const std::string& text) const
{
    return FallbackAllowed(text) && std::regex_search(text, m_regex);
}
