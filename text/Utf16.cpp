#include "text/Utf16.h"

#include "text/TextEncoding.h"

#include <algorithm>
#include <cstring>
#include <utility>

#if defined(__SSE2__) && defined(__GNUC__)
#include <emmintrin.h>
#endif

namespace Utf16 {

namespace {

bool IsHigh(std::uint32_t unit) { return unit >= 0xD800 && unit <= 0xDBFF; }
bool IsLow(std::uint32_t unit) { return unit >= 0xDC00 && unit <= 0xDFFF; }

// Where the first Ctrl-Z and the first zero byte stand (npos for none), in one pass over
// the bytes: a large file is read from memory once, not once for each.
void FindEndAndZero(std::string_view bytes, std::size_t& endOfText, std::size_t& zero)
{
    endOfText = zero = std::string_view::npos;
    const auto look = [&](std::size_t from, std::size_t to) {
        for (std::size_t at = from; at < to; ++at) {
            if (bytes[at] == '\x1A' && endOfText == std::string_view::npos) endOfText = at;
            if (bytes[at] == '\0' && zero == std::string_view::npos) zero = at;
        }
    };
    std::size_t at = 0;
#if defined(__SSE2__) && defined(__GNUC__)
    const __m128i ctrlZ = _mm_set1_epi8('\x1A');
    const __m128i nothing = _mm_setzero_si128();
    const auto either = [&](std::size_t offset) {
        const __m128i chunk = _mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes.data() + offset));
        return _mm_or_si128(_mm_cmpeq_epi8(chunk, ctrlZ), _mm_cmpeq_epi8(chunk, nothing));
    };
    for (; bytes.size() - at >= 64 && (endOfText == std::string_view::npos || zero == std::string_view::npos);
         at += 64) {
        const __m128i found =
            _mm_or_si128(_mm_or_si128(either(at), either(at + 16)), _mm_or_si128(either(at + 32), either(at + 48)));
        if (_mm_movemask_epi8(found) != 0) look(at, at + 64);
    }
#endif
    if (endOfText == std::string_view::npos || zero == std::string_view::npos) look(at, bytes.size());
}

}  // namespace

bool ParseName(std::string_view name, ByteForm& order)
{
    const std::pair<const char*, ByteForm> names[] = {{"utf-16", ByteForm::SingleBytes},
                                                      {"utf-16le", ByteForm::Utf16LittleEndian},
                                                      {"utf-16be", ByteForm::Utf16BigEndian}};
    for (const auto& [known, form] : names) {
        if (!Encoding::EqualAsciiNoCase(name, known)) continue;
        order = form;
        return true;
    }
    return false;
}

ByteForm FormOfMark(std::string_view bytes)
{
    if (bytes.substr(0, 2) == kLittleEndianMark) return ByteForm::Utf16LittleEndian;
    if (bytes.substr(0, 2) == kBigEndianMark) return ByteForm::Utf16BigEndian;
    return ByteForm::SingleBytes;
}

std::string_view MarkOf(ByteForm form)
{
    switch (form) {
    case ByteForm::Utf16LittleEndian: return kLittleEndianMark;
    case ByteForm::Utf16BigEndian: return kBigEndianMark;
    case ByteForm::SingleBytes: break;
    }
    return std::string_view();
}

bool DecodeToUtf8(std::string_view bytes, ByteForm form, std::size_t baseOffset, std::string& utf8,
                  std::size_t& badOffset)
{
    const unsigned char* data = reinterpret_cast<const unsigned char*>(bytes.data());
    const bool bigEndian = form == ByteForm::Utf16BigEndian;
    const auto unitAt = [&](std::size_t at) -> std::uint32_t {
        return bigEndian ? (std::uint32_t(data[at]) << 8) | data[at + 1] : (std::uint32_t(data[at + 1]) << 8) | data[at];
    };
    // Most settings text is ASCII: one byte of UTF-8 for two of UTF-16.
    utf8.reserve(utf8.size() + bytes.size() / 2 + 16);
    const std::size_t units = bytes.size() / 2;
    for (std::size_t index = 0; index < units; ++index) {
        const std::uint32_t unit = unitAt(index * 2);
        if (unit < 0x80) {
            utf8 += static_cast<char>(unit);
            continue;
        }
        if (IsLow(unit)) {
            badOffset = baseOffset + index * 2;
            return false;
        }
        if (!IsHigh(unit)) {
            Encoding::AppendUtf8(utf8, unit);
            continue;
        }
        const std::uint32_t next = index + 1 < units ? unitAt(index * 2 + 2) : 0;
        if (!IsLow(next)) {
            badOffset = baseOffset + index * 2;
            return false;
        }
        Encoding::AppendUtf8(utf8, 0x10000 + ((unit - 0xD800) << 10) + (next - 0xDC00));
        ++index;
    }
    if (bytes.size() % 2 != 0) {
        badOffset = baseOffset + bytes.size() - 1;
        return false;
    }
    return true;
}

TextForm DecodeText(std::string_view bytes, bool singleBytes, ByteForm assumed, std::string& utf8)
{
    TextForm text;
    text.form = singleBytes ? ByteForm::SingleBytes : FormOfMark(bytes);
    text.marked = text.form != ByteForm::SingleBytes;
    if (!singleBytes && !text.marked) text.form = assumed;
    if (text.form == ByteForm::SingleBytes) {
        // No text holds a zero byte: such a file is a binary, never converted byte by byte.
        std::size_t zero = 0;
        FindEndAndZero(bytes, text.endOfText, zero);
        text.endOfText = std::min(text.endOfText, bytes.size());
        if (zero != std::string_view::npos) text.badOffset = zero;
        return text;
    }
    const std::size_t markSize = text.marked ? 2 : 0;
    std::size_t badOffset = 0;
    if (!DecodeToUtf8(bytes.substr(markSize), text.form, markSize, utf8, badOffset)) text.badOffset = badOffset;
    text.endOfText = std::min(utf8.find('\x1A'), utf8.size());
    return text;
}

void CEncoder::AppendUnit(std::uint16_t unit, std::string& out) const
{
    const char high = static_cast<char>(unit >> 8);
    const char low = static_cast<char>(unit & 0xFF);
    out += m_bigEndian ? high : low;
    out += m_bigEndian ? low : high;
}

bool CEncoder::Encode(std::string_view utf8, std::string& out)
{
    std::string joined;
    if (!m_pending.empty()) {
        joined = m_pending + std::string(utf8);
        utf8 = joined;
        m_pending.clear();
    }
    out.reserve(out.size() + utf8.size() * 2);
    std::size_t index = 0;
    while (index < utf8.size()) {
        const unsigned char lead = static_cast<unsigned char>(utf8[index]);
        if (lead < 0x80) {
            AppendUnit(lead, out);
            ++index;
            continue;
        }
        std::uint32_t codePoint = 0;
        const std::size_t length = Encoding::DecodeUtf8(utf8, index, codePoint);
        if (length == 0) {
            // A sequence the chunk's end cuts waits; anything else is no character.
            const std::size_t needed = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC2 ? 2 : 0;
            if (needed == 0 || index + needed <= utf8.size()) return false;
            m_pending.assign(utf8.substr(index));
            return true;
        }
        if (codePoint >= 0x10000) {
            AppendUnit(static_cast<std::uint16_t>(0xD800 + ((codePoint - 0x10000) >> 10)), out);
            AppendUnit(static_cast<std::uint16_t>(0xDC00 + ((codePoint - 0x10000) & 0x3FF)), out);
        } else {
            AppendUnit(static_cast<std::uint16_t>(codePoint), out);
        }
        index += length;
    }
    return true;
}

}  // namespace Utf16
