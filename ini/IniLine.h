#pragma once

// One line of an INI file as the reader sees it: the lines of a text one by one, what
// kind each is, and the key and value of a key line. The reader and a section that
// reads its own lines later go through the same rules.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace IniLine {

enum class Kind {
    Empty,    // nothing, or only the CR of a CR LF break
    Comment,  // first byte ';', or '#' as the first byte that is no blank
    Header,   // first byte '['
    Key,
};

struct Line {
    // Without its line feed, and without the CR in front of it.
    std::string_view text;
    // Where the next line begins.
    std::size_t next = 0;
    // Ended by exactly `lineEnd` (the break the file is written with): written back
    // unchanged, such a line keeps its bytes.
    bool endsAsWritten = false;
    // Where the first '=' stands in `text`, or npos.
    std::size_t equals = std::string_view::npos;
    // `text` holds a CR.
    bool holdsCarriageReturn = false;
};

// The lines of `text` from `at`, the last one also without a line feed. The text is
// looked at 64 bytes at a time, with a bit for every line feed, '=' and CR among them,
// so that a short line costs a few bit operations rather than searches of its own.
class CLines {
public:
    CLines(std::string_view text, std::string_view lineEnd, std::size_t at = 0)
        : m_text(text), m_at(at), m_crLf(lineEnd == "\r\n")
    {
    }

    bool Next(Line& line);

private:
    struct Block {
        std::size_t start = std::string_view::npos;
        std::uint64_t lineFeeds = 0;
        std::uint64_t equalSigns = 0;
        std::uint64_t carriageReturns = 0;
    };
    void Load(std::size_t start);

    std::string_view m_text;
    std::size_t m_at;
    bool m_crLf;
    Block m_block;
};

Kind KindOf(std::string_view line);

std::string_view TrimBlanks(std::string_view text);
// Names lose every CR and LF byte, then blanks and tabs at both ends.
std::string CleanName(std::string_view raw);

// KeyLine := Key ['=' Value]; the value is kept exactly as written.
struct KeyLine {
    std::string_view rawKey;
    // The key with blanks trimmed; when `needsCleaning` it holds a CR that CleanName
    // takes out.
    std::string_view key;
    bool needsCleaning = false;
    bool hasValue = false;
    std::string_view value;

    // The line holds its key exactly as the key is written back.
    bool KeyAsWritten() const { return !needsCleaning && !key.empty() && key.size() == rawKey.size(); }
    // No key is left once it is cleaned: the line is dropped.
    bool KeyIsEmpty() const { return key.empty() || (needsCleaning && CleanName(rawKey).empty()); }
};

KeyLine SplitKeyLine(const Line& line);

}  // namespace IniLine
