#pragma once

// The one way this program matches a regular expression (ECMAScript grammar) against
// text that comes from a file or a folder. The standard library's default matcher
// recurses once per input character and can backtrack exponentially, so a hostile
// section name could crash or hang the run; here matching runs in the library's
// polynomial mode, which keeps no per-character stack and bounded time. Patterns
// with back-references cannot use that mode: they fall back to the backtracking
// matcher, but only on texts short enough for its recursion to stay safe.

#include <cstddef>
#include <regex>
#include <string>

class CSafeRegex {
public:
    enum class LetterCase { Sensitive, Insensitive };

    // Longest text the backtracking fallback is run on; longer texts never match.
    static constexpr std::size_t kMaxBacktrackingTextBytes = 1000;

    // Throws std::regex_error, with the engine's own message, for an invalid pattern.
    explicit CSafeRegex(const std::string& pattern, LetterCase letterCase = LetterCase::Sensitive);

    // The pattern matches the whole text.
    bool Matches(const std::string& text) const;

    // The pattern matches somewhere in the text. Meant for short texts (file names).
    bool Search(const std::string& text) const;

private:
    bool FallbackAllowed(const std::string& text) const;

    std::regex m_regex;
    bool m_backtracking = false;
};
