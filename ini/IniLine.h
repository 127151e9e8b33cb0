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

    bool Next(Line& line)
    {
        const std::size_t begin = m_at;
        if (begin >= m_text.size()) return false;
        constexpr std::size_t kNone = std::string_view::npos;
        std::size_t lineFeed = kNone;
        std::size_t equals = kNone;
        std::size_t firstReturn = kNone;
        for (std::size_t at = begin; at < m_text.size();) {
            const std::size_t start = at & ~std::size_t {63};
            if (m_block.start != start) Load(start);
            const int shift = static_cast<int>(at - start);
            const std::uint64_t lineFeeds = m_block.lineFeeds >> shift;
            std::uint64_t equalSigns = m_block.equalSigns >> shift;
            std::uint64_t returns = m_block.carriageReturns >> shift;
            if (lineFeeds != 0) {
                const int found = LowestBit(lineFeeds);
                const std::uint64_t before = (std::uint64_t {1} << found) - 1;
                equalSigns &= before;
                returns &= before;
                lineFeed = at + static_cast<std::size_t>(found);
            }
            if (equals == kNone && equalSigns != 0) equals = at + static_cast<std::size_t>(LowestBit(equalSigns)) - begin;
            if (firstReturn == kNone && returns != 0) firstReturn = at + static_cast<std::size_t>(LowestBit(returns));
            if (lineFeed != kNone) break;
            at = start + 64;
        }
        std::size_t end = lineFeed == kNone ? m_text.size() : lineFeed;
        bool carriageReturn = false;
        if (lineFeed != kNone) {
            carriageReturn = end > begin && m_text[end - 1] == '\r';
            if (carriageReturn) --end;
        }
        line.text = std::string_view(m_text.data() + begin, end - begin);
        line.next = lineFeed == kNone ? m_text.size() : lineFeed + 1;
        line.endsAsWritten = lineFeed != kNone && carriageReturn == m_crLf;
        line.equals = equals != kNone && equals < line.text.size() ? equals : kNone;
        line.holdsCarriageReturn = firstReturn != kNone && firstReturn < end;
        m_at = line.next;
        return true;
    }

private:
    static int LowestBit(std::uint64_t bits)
    {
#if defined(__GNUC__)
        return __builtin_ctzll(bits);
#else
        int index = 0;
        while ((bits & 1) == 0) {
            bits >>= 1;
            ++index;
        }
        return index;
#endif
    }

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

// A run of whole lines that the reader takes as they stand: each a comment line or a
// key line whose key is written back exactly as it stands, each ended by the file's
// line break, none empty, none dropped. Told from the bytes, 16 or 32 at a time, rather
// than line by line; a run that only might not stand (a blank before '=' in a value, say)
// is not plain, and the reader reads it line by line.
struct PlainRun {
    bool plain = false;
    // Its lines that make a parameter, when it is plain.
    std::uint32_t keyLines = 0;
};
// The lines of `text` from `begin` to `end`; both follow a line feed. `wide`: 32 bytes
// at a time where the processor can (the answer is the same either way).
PlainRun TellPlainRun(std::string_view text, std::size_t begin, std::size_t end, bool crLf, bool wide = true);

// The line that begins at `begin` and is ended by the line feed at `lineFeed`, or by
// the text's end there: what CLines gives for it.
inline Line LineAt(std::string_view text, std::size_t begin, std::size_t lineFeed, bool crLf)
{
    Line line;
    const bool fed = lineFeed < text.size();
    std::size_t end = fed ? lineFeed : text.size();
    const bool carriageReturn = fed && end > begin && text[end - 1] == '\r';
    if (carriageReturn) --end;
    line.text = text.substr(begin, end - begin);
    line.next = fed ? lineFeed + 1 : text.size();
    line.endsAsWritten = fed && carriageReturn == crLf;
    line.equals = line.text.find('=');
    line.holdsCarriageReturn = line.text.find('\r') != std::string_view::npos;
    return line;
}

// The first line from `from` (which begins a line) of `text` whose first byte `opens`
// marks: where it begins, or the text's end.
std::size_t NextLineOpeningWith(std::string_view text, std::size_t from, const bool (&opens)[256]);

// Where the line feed of the line at `from` stands (or the text's end), and where the
// first `kWanted` byte from `from` on the line does (`found`, npos when none does): one
// look at its bytes, sixteen at a time. Made for a key line's '=' and a header's ']'.
template <char kWanted>
std::size_t LineFeedAndFirst(std::string_view text, std::size_t from, std::size_t& found);
extern template std::size_t LineFeedAndFirst<'='>(std::string_view text, std::size_t from, std::size_t& found);
extern template std::size_t LineFeedAndFirst<']'>(std::string_view text, std::size_t from, std::size_t& found);

// Where the text after the last line feed from `begin` to `before` begins, or `begin`.
std::size_t AfterLastLineFeed(std::string_view text, std::size_t begin, std::size_t before);

Kind KindOfIndented(std::string_view line);

inline Kind KindOf(std::string_view line)
{
    if (line.empty()) return Kind::Empty;
    switch (line[0]) {
    case ';':
    case '#':
        return Kind::Comment;
    case '[':
        return Kind::Header;
    case ' ':
    case '\t':
        return KindOfIndented(line);
    default:
        return Kind::Key;
    }
}

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

inline KeyLine SplitKeyLine(const Line& line)
{
    KeyLine split;
    split.hasValue = line.equals != std::string_view::npos;
    const std::size_t keySize = split.hasValue ? line.equals : line.text.size();
    split.rawKey = line.text.substr(0, keySize);
    split.key = split.rawKey;
    if (!split.key.empty()) {
        const char first = split.key.front();
        const char last = split.key.back();
        if (first == ' ' || first == '\t' || last == ' ' || last == '\t') split.key = TrimBlanks(split.key);
    }
    // A line holds no LF; a CR may stand inside it.
    split.needsCleaning = line.holdsCarriageReturn && split.key.find('\r') != std::string_view::npos;
    if (split.hasValue) split.value = line.text.substr(keySize + 1);
    return split;
}

}  // namespace IniLine
