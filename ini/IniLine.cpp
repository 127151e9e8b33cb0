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
        __m128i chunks[4];
        __m128i anyReturn = _mm_setzero_si128();
        for (int part = 0; part < 4; ++part) {
            chunks[part] = _mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes + 16 * part));
            const auto bits = [&chunks, part](__m128i wanted) {
                return static_cast<std::uint64_t>(
                    static_cast<std::uint16_t>(_mm_movemask_epi8(_mm_cmpeq_epi8(chunks[part], wanted))));
            };
            m_block.lineFeeds |= bits(lineFeed) << (16 * part);
            m_block.equalSigns |= bits(equalSign) << (16 * part);
            anyReturn = _mm_or_si128(anyReturn, _mm_cmpeq_epi8(chunks[part], carriageReturn));
        }
        // Most blocks hold no CR: its bits are only worked out where one stands.
        if (_mm_movemask_epi8(anyReturn) != 0) {
            for (int part = 0; part < 4; ++part) {
                const auto bits = static_cast<std::uint16_t>(_mm_movemask_epi8(_mm_cmpeq_epi8(chunks[part], carriageReturn)));
                m_block.carriageReturns |= static_cast<std::uint64_t>(bits) << (16 * part);
            }
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

Kind KindOfIndented(std::string_view line)
{
    // A line whose first byte that is no blank is '#' is a comment line, as one that
    // starts with ';' is: the convention of Linux settings files.
    const std::size_t firstShown = line.find_first_not_of(" \t");
    return firstShown != std::string_view::npos && line[firstShown] == '#' ? Kind::Comment : Kind::Key;
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

}  // namespace IniLine
