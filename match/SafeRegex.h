#pragma once

// The one way this program matches a regular expression (ECMAScript grammar) against
// text that comes from a file or a folder. The standard library's default matcher
// recurses once per input character and can backtrack exponentially, so a hostile
// section name could crash or hang the run; here matching runs in the library's
// polynomial mode, which keeps no per-character stack and takes time in proportion to
// the text's length times the size of the compiled pattern (nothing is captured, so
// the number of groups adds no factor). A repeated group can make a short pattern a
// large one, so a text longer than kMaxUnbudgetedTextBytes is matched under a time
// budget, kPolynomialBudgetMilliseconds, generous enough that only a pattern and text
// costing minutes or more reach it.
//
// Patterns with back-references cannot use that mode. They run on the backtracking
// matcher on a thread of their own with a large stack, under a time budget per text:
// the true result, or an error naming the pattern ("regular expression too costly to
// match: ...") when the text is too long for that stack or the budget runs out.
//
// The pattern itself comes from the scheme, and the library's compiler recurses once
// per character and group: a pattern longer than kMaxPatternBytes, nested deeper than
// kMaxGroupDepth or with a repetition count above kMaxRepetitionCount is refused with
// the engine's own kind of error, as an invalid pattern is.
//
// A name template's pattern (plain text, one template '*', plain text) is matched in
// full by a direct comparison that gives the engine's answer without the engine.

#include <cstddef>
#include <memory>
#include <regex>
#include <string>

class CSafeRegex {
public:
    enum class LetterCase { Sensitive, Insensitive };

    static constexpr std::size_t kMaxPatternBytes = 10000;
    static constexpr int kMaxGroupDepth = 256;
    static constexpr unsigned long kMaxRepetitionCount = 10000;
    // Longest text the backtracking matcher is run on, and its stack and budget.
    static constexpr std::size_t kMaxBacktrackingTextBytes = 100000;
    static constexpr std::size_t kBacktrackingStackBytes = std::size_t {256} << 20;
    static constexpr long kBacktrackingBudgetMilliseconds = 3000;
    static constexpr long kBacktrackingGraceMilliseconds = 2000;
    // The wait for the backtracking thread, on the clock, in budgets: a busy machine
    // gives it less of the processor, never another answer.
    static constexpr long kBacktrackingWaitFactor = 20;
    // Longest text the polynomial matcher is run on without a budget, and the budget.
    static constexpr std::size_t kMaxUnbudgetedTextBytes = 65536;
    static constexpr long kPolynomialBudgetMilliseconds = 10000;

    // Costly matching (the budgeted kinds above) shares one budget for the whole run:
    // once it is spent, every costly match fails as too costly at once.
    static constexpr long kRunBudgetMilliseconds = 10000;
    static void ResetRunBudget(long milliseconds = kRunBudgetMilliseconds);

    // Throws std::regex_error, with the engine's own message, for an invalid or a
    // refused pattern.
    explicit CSafeRegex(const std::string& pattern, LetterCase letterCase = LetterCase::Sensitive);

    // The pattern matches the whole text.
    bool Matches(const std::string& text) const;
    // The pattern matches the whole text lower-cased by the Windows-1251 table; a name
    // template compares as it goes, any other pattern gets the lowered text in `scratch`.
    bool MatchesLowered(std::string_view text, std::string& scratch) const;

    // The pattern matches somewhere in the text. Meant for short texts (file names).
    bool Search(const std::string& text) const;

    // True when the pattern is matched without the engine (a name template).
    bool IsPlainTemplate() const { return m_plainTemplate; }

private:
    bool NeedsBudget(const std::string& text) const;
    bool MatchUnderBudget(const std::string& text, bool whole) const;
    template <class Transform>
    bool TemplateMatches(std::string_view text, const Transform& transform) const;

    std::string m_pattern;
    bool m_plainTemplate = false;
    std::string m_prefix;  // the text before and after the template's '*'
    std::string m_suffix;
    // Compiled at once, or for a name template when a search first needs it.
    mutable std::shared_ptr<const std::regex> m_regex;
    bool m_backtracking = false;
};

// Throws the regex_error a pattern beyond the program's limits gets; nothing for others.
void CheckPatternLimits(const std::string& pattern);
