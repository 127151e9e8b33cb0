#include "ini/IniLine.h"

#include <algorithm>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif
// Where the compiler can build a function for processors with AVX2 beside the rest,
// runs are also told 32 bytes at a time on such processors.
#if defined(__SSE2__) && defined(__GNUC__) && defined(__x86_64__)
#define VELMARCH_WIDE_RUN_SCAN 1
#include <immintrin.h>
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

namespace {

// What 16 bytes of a run say: the bytes where a fault stands, and the count of lines
// that begin among them and make a parameter, one per byte lane (0xFF a line each,
// subtracted). `previous` points one byte before `current`.
#if defined(__SSE2__)
struct RunScan {
    __m128i faults = _mm_setzero_si128();
    __m128i keyLineLanes = _mm_setzero_si128();

    void Look(const char* previous, const char* current, bool crLf)
    {
        const __m128i before = _mm_loadu_si128(reinterpret_cast<const __m128i*>(previous));
        const __m128i byte = _mm_loadu_si128(reinterpret_cast<const __m128i*>(current));
        const auto is = [](__m128i bytes, char wanted) { return _mm_cmpeq_epi8(bytes, _mm_set1_epi8(wanted)); };
        const __m128i lineStart = is(before, '\n');
        const __m128i equalSign = is(byte, '=');
        // A line may not begin with a control byte or a blank (its break, an empty line),
        // '=' (no key) or '[' (a header).
        const __m128i low = _mm_cmpeq_epi8(_mm_min_epu8(byte, _mm_set1_epi8(' ')), byte);
        const __m128i badStart = _mm_and_si128(lineStart, _mm_or_si128(_mm_or_si128(low, equalSign), is(byte, '[')));
        // No blank before the key's end or the line's.
        const __m128i blankBefore = _mm_or_si128(is(before, ' '), is(before, '\t'));
        const __m128i lineBreak = crLf ? is(byte, '\r') : is(byte, '\n');
        const __m128i badEnd = _mm_and_si128(blankBefore, _mm_or_si128(equalSign, lineBreak));
        // Every CR begins a CR LF break; a file written with LF holds none.
        const __m128i badReturn = crLf ? _mm_xor_si128(is(before, '\r'), is(byte, '\n')) : is(byte, '\r');
        faults = _mm_or_si128(faults, _mm_or_si128(_mm_or_si128(badStart, badEnd), badReturn));
        const __m128i comment = _mm_or_si128(is(byte, ';'), is(byte, '#'));
        keyLineLanes = _mm_sub_epi8(keyLineLanes, _mm_andnot_si128(comment, lineStart));
    }
    std::uint64_t TakeKeyLines()
    {
        const __m128i sums = _mm_sad_epu8(keyLineLanes, _mm_setzero_si128());
        keyLineLanes = _mm_setzero_si128();
        return static_cast<std::uint64_t>(_mm_cvtsi128_si32(sums)) +
               static_cast<std::uint64_t>(_mm_cvtsi128_si32(_mm_srli_si128(sums, 8)));
    }
    bool Faulty() const { return _mm_movemask_epi8(faults) != 0; }
};
#else
struct RunScan {
    bool faulty = false;
    std::uint64_t keyLines = 0;

    void Look(const char* previous, const char* current, bool crLf)
    {
        for (int index = 0; index < 16; ++index) {
            const char before = previous[index];
            const char byte = current[index];
            const bool lineStart = before == '\n';
            const bool low = static_cast<unsigned char>(byte) <= ' ';
            faulty = faulty || (lineStart && (low || byte == '=' || byte == '['));
            faulty = faulty || ((before == ' ' || before == '\t') && (byte == '=' || byte == (crLf ? '\r' : '\n')));
            faulty = faulty || (crLf ? ((before == '\r') != (byte == '\n')) : byte == '\r');
            if (lineStart && byte != ';' && byte != '#') ++keyLines;
        }
    }
    std::uint64_t TakeKeyLines()
    {
        const std::uint64_t taken = keyLines;
        keyLines = 0;
        return taken;
    }
    bool Faulty() const { return faulty; }
};
#endif

}  // namespace

#if defined(VELMARCH_WIDE_RUN_SCAN)
// RunScan::Look over 32 bytes at a time, from `at` while 32 bytes are left before
// `end`: adds the lines that make a parameter to `keyLines`, tells whether a fault
// stands among them, and moves `at` past them.
__attribute__((target("avx2"))) bool WideScanFinds(const char* text, std::size_t& at, std::size_t end, bool crLf,
                                                   std::uint64_t& keyLines)
{
#define VELMARCH_IS(bytes, wanted) _mm256_cmpeq_epi8(bytes, _mm256_set1_epi8(wanted))
    __m256i faults = _mm256_setzero_si256();
    __m256i lanes = _mm256_setzero_si256();
    const auto takeLanes = [](__m256i& counts) __attribute__((target("avx2"))) {
        const __m256i sums = _mm256_sad_epu8(counts, _mm256_setzero_si256());
        counts = _mm256_setzero_si256();
        return static_cast<std::uint64_t>(_mm256_extract_epi64(sums, 0)) +
               static_cast<std::uint64_t>(_mm256_extract_epi64(sums, 1)) +
               static_cast<std::uint64_t>(_mm256_extract_epi64(sums, 2)) +
               static_cast<std::uint64_t>(_mm256_extract_epi64(sums, 3));
    };
    for (int turns = 0; end - at >= 32; at += 32) {
        const __m256i before = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(text + at - 1));
        const __m256i byte = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(text + at));
        const __m256i lineStart = VELMARCH_IS(before, '\n');
        const __m256i equalSign = VELMARCH_IS(byte, '=');
        const __m256i low = _mm256_cmpeq_epi8(_mm256_min_epu8(byte, _mm256_set1_epi8(' ')), byte);
        const __m256i badStart =
            _mm256_and_si256(lineStart, _mm256_or_si256(_mm256_or_si256(low, equalSign), VELMARCH_IS(byte, '[')));
        const __m256i blankBefore = _mm256_or_si256(VELMARCH_IS(before, ' '), VELMARCH_IS(before, '\t'));
        const __m256i lineBreak = crLf ? VELMARCH_IS(byte, '\r') : VELMARCH_IS(byte, '\n');
        const __m256i badEnd = _mm256_and_si256(blankBefore, _mm256_or_si256(equalSign, lineBreak));
        const __m256i badReturn =
            crLf ? _mm256_xor_si256(VELMARCH_IS(before, '\r'), VELMARCH_IS(byte, '\n')) : VELMARCH_IS(byte, '\r');
        faults = _mm256_or_si256(faults, _mm256_or_si256(_mm256_or_si256(badStart, badEnd), badReturn));
        const __m256i comment = _mm256_or_si256(VELMARCH_IS(byte, ';'), VELMARCH_IS(byte, '#'));
        lanes = _mm256_sub_epi8(lanes, _mm256_andnot_si256(comment, lineStart));
        if (++turns == 255) {
            keyLines += takeLanes(lanes);
            turns = 0;
        }
    }
#undef VELMARCH_IS
    keyLines += takeLanes(lanes);
    return _mm256_testz_si256(faults, faults) == 0;
}

bool HasWideScan()
{
    static const bool has = __builtin_cpu_supports("avx2");
    return has;
}
#endif

template <char kWanted>
std::size_t LineFeedAndFirst(std::string_view text, std::size_t from, std::size_t& found)
{
    found = std::string_view::npos;
    std::size_t at = from;
#if defined(__SSE2__) && defined(__GNUC__)
    const __m128i lineFeed = _mm_set1_epi8('\n');
    const __m128i wantedByte = _mm_set1_epi8(kWanted);
    for (; text.size() - at >= 16; at += 16) {
        const __m128i chunk = _mm_loadu_si128(reinterpret_cast<const __m128i*>(text.data() + at));
        const auto fed = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(chunk, lineFeed)));
        auto matches = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(chunk, wantedByte)));
        if (fed != 0) matches &= (fed & (0u - fed)) - 1;  // those before the line feed
        if (found == std::string_view::npos && matches != 0) {
            found = at + static_cast<std::size_t>(__builtin_ctz(matches));
        }
        if (fed != 0) return at + static_cast<std::size_t>(__builtin_ctz(fed));
    }
#endif
    for (; at < text.size() && text[at] != '\n'; ++at) {
        if (found == std::string_view::npos && text[at] == kWanted) found = at;
    }
    return at;
}

template std::size_t LineFeedAndFirst<'='>(std::string_view text, std::size_t from, std::size_t& found);
template std::size_t LineFeedAndFirst<']'>(std::string_view text, std::size_t from, std::size_t& found);

std::size_t AfterLastLineFeed(std::string_view text, std::size_t begin, std::size_t before)
{
    std::size_t at = before;
#if defined(__SSE2__) && defined(__GNUC__)
    const __m128i lineFeed = _mm_set1_epi8('\n');
    while (at - begin >= 16) {
        const __m128i chunk = _mm_loadu_si128(reinterpret_cast<const __m128i*>(text.data() + at - 16));
        const int found = _mm_movemask_epi8(_mm_cmpeq_epi8(chunk, lineFeed));
        if (found != 0) return at - 15 + static_cast<std::size_t>(31 - __builtin_clz(static_cast<unsigned>(found)));
        at -= 16;
    }
#endif
    for (; at > begin; --at) {
        if (text[at - 1] == '\n') return at;
    }
    return begin;
}

// Sixteen bytes at a time: the line feeds among the bytes before them tell where lines
// begin, and only those first bytes are looked up.
std::size_t NextLineOpeningWith(std::string_view text, std::size_t from, const bool (&opens)[256])
{
    const auto opening = [&opens](char byte) { return opens[static_cast<unsigned char>(byte)]; };
    if (from >= text.size() || opening(text[from])) return std::min(from, text.size());
    std::size_t at = from + 1;
#if defined(__SSE2__) && defined(__GNUC__)
    const __m128i lineFeed = _mm_set1_epi8('\n');
    for (; text.size() - at >= 16; at += 16) {
        const __m128i before = _mm_loadu_si128(reinterpret_cast<const __m128i*>(text.data() + at - 1));
        for (auto starts = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(before, lineFeed))); starts != 0;
             starts &= starts - 1) {
            const std::size_t start = at + static_cast<std::size_t>(__builtin_ctz(starts));
            if (opening(text[start])) return start;
        }
    }
#endif
    for (; at < text.size(); ++at) {
        if (text[at - 1] == '\n' && opening(text[at])) return at;
    }
    return text.size();
}

// Each byte is looked at beside the one before it, the first beside the line feed in
// front of the run: a line stands when it does not begin with a control byte, a blank,
// '=' or '[', no blank stands right before '=' or its break, and every CR is the first
// byte of a CR LF break (none in a file written with LF).
PlainRun TellPlainRun(std::string_view text, std::size_t begin, std::size_t end, bool crLf, bool wide)
{
    PlainRun run;
    if (begin == 0 || begin >= end || end > text.size() || text[begin - 1] != '\n' || text[end - 1] != '\n') {
        return run;
    }
    RunScan scan;
    std::uint64_t keyLines = 0;
    std::size_t at = begin;
#if defined(VELMARCH_WIDE_RUN_SCAN)
    if (wide && HasWideScan() && WideScanFinds(text.data(), at, end, crLf, keyLines)) return run;
#else
    (void)wide;
#endif
    // A lane counts up to 255 lines before it is emptied.
    for (int turns = 0; end - at >= 16; at += 16) {
        scan.Look(text.data() + at - 1, text.data() + at, crLf);
        if (++turns == 255) {
            keyLines += scan.TakeKeyLines();
            turns = 0;
        }
    }
    if (at < end) {
        // The last bytes are followed by ';', which neither begins a parameter nor is
        // a fault after the run's last line feed.
        char last[17];
        std::memset(last, ';', sizeof last);
        std::memcpy(last, text.data() + at - 1, end - at + 1);
        scan.Look(last, last + 1, crLf);
    }
    keyLines += scan.TakeKeyLines();
    if (scan.Faulty() || keyLines > 0xFFFFFFFFu) return run;
    run.plain = true;
    run.keyLines = static_cast<std::uint32_t>(keyLines);
    return run;
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
