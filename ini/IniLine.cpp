#include "ini/IniLine.h"

#include <algorithm>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace IniLine {

namespace {

bool IsBlank(char byte) { return byte == ' ' || byte == '\t'; }

}  // namespace

// Bit i of each mask stands for byte `start + i`; past the text's end no bit is set.
void CLines::Load(std::size_t start)
{
    m_block = Block();
    m_block.start = start;
    const char* bytes = m_text.data() + start;
    const std::size_t count = std::min<std::size_t>(64, m_text.size() - start);
#if defined(__SSE2__)
    if (count == 64) {
        const __m128i lineFeed = _mm_set1_epi8('\n');
        const __m128i equalSign = _mm_set1_epi8('=');
        const __m128i carriageReturn = _mm_set1_epi8('\r');
        for (int part = 0; part < 4; ++part) {
            const __m128i chunk = _mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes + 16 * part));
            const auto bits = [&chunk](__m128i wanted) {
                return static_cast<std::uint64_t>(static_cast<std::uint16_t>(_mm_movemask_epi8(_mm_cmpeq_epi8(chunk, wanted))));
            };
            m_block.lineFeeds |= bits(lineFeed) << (16 * part);
            m_block.equalSigns |= bits(equalSign) << (16 * part);
            m_block.carriageReturns |= bits(carriageReturn) << (16 * part);
        }
        return;
    }
#endif
    for (std::size_t index = 0; index < count; ++index) {
        const std::uint64_t bit = std::uint64_t {1} << index;
        if (bytes[index] == '\n') m_block.lineFeeds |= bit;
        if (bytes[index] == '=') m_block.equalSigns |= bit;
        if (bytes[index] == '\r') m_block.carriageReturns |= bit;
    }
}

namespace {

int LowestBit(std::uint64_t bits)
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

}  // namespace

bool CLines::Next(Line& line)
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
        std::uint64_t lineFeeds = m_block.lineFeeds >> shift;
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
    line.text = m_text.substr(begin, end - begin);
    line.next = lineFeed == kNone ? m_text.size() : lineFeed + 1;
    line.endsAsWritten = lineFeed != kNone && carriageReturn == m_crLf;
    line.equals = equals != kNone && equals < line.text.size() ? equals : kNone;
    line.holdsCarriageReturn = firstReturn != kNone && firstReturn < end;
    m_at = line.next;
    return true;
}

Kind KindOf(std::string_view line)
{
    if (line.empty()) return Kind::Empty;
    const char first = line[0];
    if (first == ';' || first == '#') return Kind::Comment;
    if (first == '[') return Kind::Header;
    if (IsBlank(first)) {
        // A line whose first byte that is no blank is '#' is a comment line, as one
        // that starts with ';' is: the convention of Linux settings files.
        const std::size_t firstShown = line.find_first_not_of(" \t");
        if (firstShown != std::string_view::npos && line[firstShown] == '#') return Kind::Comment;
    }
    return Kind::Key;
}

std::string_view TrimBlanks(std::string_view text)
{
    while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
    while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
    return text;
}

std::string CleanName(std::string_view raw)
{
    if (raw.find_first_of("\r\n") == std::string_view::npos) return std::string(TrimBlanks(raw));
    std::string name;
    name.reserve(raw.size());
    for (char byte : raw) {
        if (byte != '\r' && byte != '\n') name.push_back(byte);
    }
    return std::string(TrimBlanks(name));
}

KeyLine SplitKeyLine(const Line& line)
{
    KeyLine split;
    split.hasValue = line.equals != std::string_view::npos;
    const std::size_t keySize = split.hasValue ? line.equals : line.text.size();
    split.rawKey = line.text.substr(0, keySize);
    split.key = TrimBlanks(split.rawKey);
    // A line holds no LF; a CR may stand inside it.
    split.needsCleaning = line.holdsCarriageReturn && split.key.find('\r') != std::string_view::npos;
    if (split.hasValue) split.value = line.text.substr(keySize + 1);
    return split;
}

}  // namespace IniLine
