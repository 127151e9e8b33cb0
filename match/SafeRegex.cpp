#include "match/SafeRegex.h"

#include "match/NameTemplate.h"
#include "text/LetterCase.h"
#include "platform/Platform.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstddef>
#include <exception>
#include <iterator>
#include <optional>
#include <stdexcept>
#include <string_view>

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

void CheckPatternLimits(const std::string& pattern)
{
    if (pattern.size() > CSafeRegex::kMaxPatternBytes) throw std::regex_error(std::regex_constants::error_complexity);
    int depth = 0;
    bool inClass = false;
    for (std::size_t index = 0; index < pattern.size(); ++index) {
        const char byte = pattern[index];
        if (byte == '\\') {
            ++index;
        } else if (inClass) {
            inClass = byte != ']';
        } else if (byte == '[') {
            inClass = true;
        } else if (byte == '(') {
            if (++depth > CSafeRegex::kMaxGroupDepth) throw std::regex_error(std::regex_constants::error_complexity);
        } else if (byte == ')') {
            if (depth > 0) --depth;
        } else if (byte == '{') {
            // The counts of {n}, {n,} and {n,m}.
            std::size_t digit = index + 1;
            for (int count = 0; count < 2; ++count) {
                unsigned long value = 0;
                for (; digit < pattern.size() && pattern[digit] >= '0' && pattern[digit] <= '9'; ++digit) {
                    value = value * 10 + static_cast<unsigned long>(pattern[digit] - '0');
                    if (value > CSafeRegex::kMaxRepetitionCount) {
                        throw std::regex_error(std::regex_constants::error_badbrace);
                    }
                }
                if (digit >= pattern.size() || pattern[digit] != ',') break;
                ++digit;
            }
        }
    }
}

namespace {

// A byte that stands for itself in a pattern, or '.' (any byte but a line end).
bool IsLiteralOrAnyByte(char byte) { return std::string_view("\\^$|?*+()[]{}").find(byte) == std::string_view::npos; }

bool LiteralMatches(char patternByte, char textByte)
{
    return patternByte == '.' ? textByte != '\n' && textByte != '\r' : patternByte == textByte;
}

bool IsTemplateByte(char byte)
{
    return (byte >= 'a' && byte <= 'z') || (byte >= 'A' && byte <= 'Z') || (byte >= '0' && byte <= '9') || byte == '_' ||
           byte == '.' || byte == '-';
}

}  // namespace

CSafeRegex::CSafeRegex(const std::string& pattern, LetterCase letterCase) : m_pattern(pattern)
{
    CheckPatternLimits(pattern);
    const std::string_view star = kNameTemplatePattern;
    const std::size_t at = pattern.find(star);
    if (letterCase == LetterCase::Sensitive && at != std::string::npos &&
        pattern.find(star, at + star.size()) == std::string::npos) {
        m_prefix = pattern.substr(0, at);
        m_suffix = pattern.substr(at + star.size());
        m_plainTemplate = std::all_of(m_prefix.begin(), m_prefix.end(), IsLiteralOrAnyByte) &&
                          std::all_of(m_suffix.begin(), m_suffix.end(), IsLiteralOrAnyByte);
    }
    std::regex::flag_type flags = std::regex::ECMAScript;
    if (letterCase == LetterCase::Insensitive) flags |= std::regex::icase;
    // A name template is valid as it stands and matched without the engine: it is
    // compiled only if a search asks for the engine.
    if (m_plainTemplate) return;
    try {
        m_regex = std::make_shared<const std::regex>(Compile(pattern, flags | std::regex::nosubs | std::regex_constants::__polynomial));
    } catch (const std::regex_error&) {
        // Either the pattern is invalid (the plain compile below throws the engine's
        // own error for it) or it holds back-references, which only the backtracking
        // matcher can follow.
        m_regex = std::make_shared<const std::regex>(Compile(pattern, flags));
        m_backtracking = true;
    }
}

namespace {

struct DeadlinePassed {};

// A position in the text that gives up once the deadline has passed. The library's
// matcher cannot be stopped from outside, but it walks the text with its iterator, so
// the iterator stops it.
class DeadlineIterator {
public:
    using iterator_category = std::bidirectional_iterator_tag;
    using value_type = char;
    using difference_type = std::ptrdiff_t;
    using pointer = const char*;
    using reference = const char&;

    // Measured in the matching thread's processor time: however busy the machine, a
    // pattern and text get the same answer.
    struct Deadline {
        std::int64_t endMicroseconds = 0;
        unsigned steps = 0;
    };

    DeadlineIterator() = default;
    DeadlineIterator(const char* at, Deadline* deadline) : m_at(at), m_deadline(deadline) {}

    reference operator*() const { return *m_at; }
    DeadlineIterator& operator++()
    {
        ++m_at;
        Tick();
        return *this;
    }
    DeadlineIterator operator++(int)
    {
        DeadlineIterator before = *this;
        ++*this;
        return before;
    }
    DeadlineIterator& operator--()
    {
        --m_at;
        Tick();
        return *this;
    }
    DeadlineIterator operator--(int)
    {
        DeadlineIterator before = *this;
        --*this;
        return before;
    }
    bool operator==(const DeadlineIterator& other) const { return m_at == other.m_at; }
    bool operator!=(const DeadlineIterator& other) const { return m_at != other.m_at; }

private:
    void Tick()
    {
        if ((++m_deadline->steps & 0x3FFu) == 0 && Platform::ThreadCpuMicroseconds() > m_deadline->endMicroseconds) {
            throw DeadlinePassed {};
        }
    }

    const char* m_at = nullptr;
    Deadline* m_deadline = nullptr;
};

// The match, or nothing when the budget ran out first; `spentMilliseconds` gets the
// processor time it took.
std::optional<bool> MatchWithin(const std::regex& regex, const std::string& text, bool whole, long budgetMilliseconds,
                                long& spentMilliseconds)
{
    const std::int64_t start = Platform::ThreadCpuMicroseconds();
    DeadlineIterator::Deadline deadline {start + static_cast<std::int64_t>(budgetMilliseconds) * 1000};
    const DeadlineIterator begin(text.data(), &deadline);
    const DeadlineIterator end(text.data() + text.size(), &deadline);
    std::optional<bool> matched;
    try {
        matched = whole ? std::regex_match(begin, end, regex) : std::regex_search(begin, end, regex);
    } catch (const DeadlinePassed&) {
    }
    spentMilliseconds = static_cast<long>((Platform::ThreadCpuMicroseconds() - start) / 1000);
    return matched;
}

}  // namespace

namespace {

// What is left of the run's budget for costly matching.
std::atomic<long> g_runBudgetLeft {CSafeRegex::kRunBudgetMilliseconds};

}  // namespace

void CSafeRegex::ResetRunBudget(long milliseconds) { g_runBudgetLeft = milliseconds; }

bool CSafeRegex::MatchUnderBudget(const std::string& text, bool whole) const
{
    const std::runtime_error tooCostly("regular expression too costly to match: " + m_pattern);
    const long left = g_runBudgetLeft;
    if (left <= 0) throw tooCostly;
    if (!m_backtracking) {
        long spent = 0;
        const std::optional<bool> matched =
            MatchWithin(*m_regex, text, whole, std::min(kPolynomialBudgetMilliseconds, left), spent);
        g_runBudgetLeft -= spent;
        if (!matched) throw tooCostly;
        return *matched;
    }
    if (text.size() > kMaxBacktrackingTextBytes) throw tooCostly;
    // The backtracking matcher recurses once per step, so it runs on a thread with a
    // large stack. It stops itself at its budget of processor time; the wait, in time
    // on the clock, allows for a busy machine many times over, and a worker that
    // overran even that is left running while the run ends (it owns what it reads).
    struct Job {
        std::shared_ptr<const std::regex> regex;
        std::string text;
        std::optional<bool> matched;
        long spentMilliseconds = 0;
        std::exception_ptr failure;
    };
    auto job = std::make_shared<Job>();
    job->regex = m_regex;
    job->text = text;
    const long budget = std::min(kBacktrackingBudgetMilliseconds, left);
    const bool finished = Platform::RunOnOwnStack(
        [job, whole, budget] {
            try {
                job->matched = MatchWithin(*job->regex, job->text, whole, budget, job->spentMilliseconds);
            } catch (...) {
                job->failure = std::current_exception();
            }
        },
        kBacktrackingStackBytes, budget * kBacktrackingWaitFactor + kBacktrackingGraceMilliseconds);
    if (!finished) {
        g_runBudgetLeft -= budget;
        throw tooCostly;
    }
    g_runBudgetLeft -= job->spentMilliseconds;
    if (job->failure) std::rethrow_exception(job->failure);
    if (!job->matched) throw tooCostly;
    return *job->matched;
}

// text = prefix + middle + suffix, where the middle is up to 100 template bytes and at
// most one '*' after them: the lengths of prefix and suffix fix the middle, so one
// comparison gives the answer a full match of the pattern gives.
template <class Transform>
bool CSafeRegex::TemplateMatches(std::string_view text, const Transform& transform) const
{
    if (text.size() < m_prefix.size() + m_suffix.size()) return false;
    for (std::size_t index = 0; index < m_prefix.size(); ++index) {
        if (!LiteralMatches(m_prefix[index], transform(text[index]))) return false;
    }
    const std::size_t suffixStart = text.size() - m_suffix.size();
    for (std::size_t index = 0; index < m_suffix.size(); ++index) {
        if (!LiteralMatches(m_suffix[index], transform(text[suffixStart + index]))) return false;
    }
    std::string_view middle(text.data() + m_prefix.size(), suffixStart - m_prefix.size());
    if (!middle.empty() && middle.back() == '*') middle.remove_suffix(1);
    return middle.size() <= 100 && std::all_of(middle.begin(), middle.end(), IsTemplateByte);
}

bool CSafeRegex::NeedsBudget(const std::string& text) const
{
    return m_backtracking || text.size() > kMaxUnbudgetedTextBytes;
}

bool CSafeRegex::Matches(const std::string& text) const
{
    if (m_plainTemplate) return TemplateMatches(text, [](char byte) { return byte; });
    return NeedsBudget(text) ? MatchUnderBudget(text, true) : std::regex_match(text, *m_regex);
}

// Letter case changes no byte's membership of the template's class: the middle is
// checked as it stands.
bool CSafeRegex::MatchesLowered(std::string_view text, std::string& scratch) const
{
    if (m_plainTemplate) {
        return TemplateMatches(
            text, [](char byte) { return static_cast<char>(::LetterCase::Lower(static_cast<unsigned char>(byte))); });
    }
    scratch.assign(text);
    for (char& byte : scratch) byte = static_cast<char>(::LetterCase::Lower(static_cast<unsigned char>(byte)));
    return Matches(scratch);
}

bool CSafeRegex::Search(const std::string& text) const
{
    if (!m_regex) {
        m_regex = std::make_shared<const std::regex>(
            Compile(m_pattern, std::regex::ECMAScript | std::regex::nosubs | std::regex_constants::__polynomial));
    }
    return NeedsBudget(text) ? MatchUnderBudget(text, false) : std::regex_search(text, *m_regex);
}
