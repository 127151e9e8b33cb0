#include "text/TextEncoding.h"

#include "text/CaseFolding.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace Encoding {
namespace {

// Windows-1251 bytes 0x80-0xBF; 0xC0-0xFF are U+0410-U+044F in order. 0x98, which the
// code page leaves empty, stands for U+0098 so that every byte converts both ways.
constexpr std::uint16_t kUpperHalf[64] = {
    0x0402, 0x0403, 0x201A, 0x0453, 0x201E, 0x2026, 0x2020, 0x2021, 0x20AC, 0x2030, 0x0409, 0x2039, 0x040A,
    0x040C, 0x040B, 0x040F, 0x0452, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014, 0x0098, 0x2122,
    0x0459, 0x203A, 0x045A, 0x045C, 0x045B, 0x045F, 0x00A0, 0x040E, 0x045E, 0x0408, 0x00A4, 0x0490, 0x00A6,
    0x00A7, 0x0401, 0x00A9, 0x0404, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x0407, 0x00B0, 0x00B1, 0x0406, 0x0456,
    0x0491, 0x00B5, 0x00B6, 0x00B7, 0x0451, 0x2116, 0x0454, 0x00BB, 0x0458, 0x0405, 0x0455, 0x0457,
};

char AsciiLower(char byte) { return byte >= 'A' && byte <= 'Z' ? static_cast<char>(byte - 'A' + 'a') : byte; }

void AppendEscape(std::string& text, const char* format, unsigned value)
{
    char escape[16];
    std::snprintf(escape, sizeof escape, format, value);
    text += escape;
}

}  // namespace

bool EqualAsciiNoCase(std::string_view left, std::string_view right)
{
    if (left.size() != right.size()) return false;
    for (std::size_t index = 0; index < left.size(); ++index) {
        if (AsciiLower(left[index]) != AsciiLower(right[index])) return false;
    }
    return true;
}

const char* Name(TextEncoding encoding) { return encoding == TextEncoding::Utf8 ? "UTF-8" : "Windows-1251"; }

bool ParseName(std::string_view name, TextEncoding& encoding)
{
    if (EqualAsciiNoCase(name, "utf-8") || EqualAsciiNoCase(name, "utf8")) {
        encoding = TextEncoding::Utf8;
        return true;
    }
    if (EqualAsciiNoCase(name, "windows-1251") || EqualAsciiNoCase(name, "cp1251")) {
        encoding = TextEncoding::Windows1251;
        return true;
    }
    return false;
}

bool StartsWithByteOrderMark(std::string_view bytes)
{
    return bytes.size() >= kByteOrderMark.size() && bytes.compare(0, kByteOrderMark.size(), kByteOrderMark) == 0;
}

std::size_t DecodeUtf8(std::string_view text, std::size_t index, std::uint32_t& codePoint)
{
    const auto at = [&](std::size_t offset) { return static_cast<unsigned char>(text[index + offset]); };
    const unsigned char lead = at(0);
    if (lead < 0x80) {
        codePoint = lead;
        return 1;
    }
    std::size_t length = 0;
    std::uint32_t value = 0;
    std::uint32_t least = 0;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2, value = lead & 0x1Fu, least = 0x80;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3, value = lead & 0x0Fu, least = 0x800;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4, value = lead & 0x07u, least = 0x10000;
    } else {
        return 0;
    }
    if (text.size() - index < length) return 0;
    for (std::size_t offset = 1; offset < length; ++offset) {
        if ((at(offset) & 0xC0u) != 0x80u) return 0;
        value = (value << 6) | (at(offset) & 0x3Fu);
    }
    if (value < least || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) return 0;
    codePoint = value;
    return length;
}

void AppendUtf8(std::string& text, std::uint32_t codePoint)
{
    if (codePoint < 0x80) {
        text.push_back(static_cast<char>(codePoint));
    } else if (codePoint < 0x800) {
        text.push_back(static_cast<char>(0xC0 | (codePoint >> 6)));
        text.push_back(static_cast<char>(0x80 | (codePoint & 0x3F)));
    } else if (codePoint < 0x10000) {
        text.push_back(static_cast<char>(0xE0 | (codePoint >> 12)));
        text.push_back(static_cast<char>(0x80 | ((codePoint >> 6) & 0x3F)));
        text.push_back(static_cast<char>(0x80 | (codePoint & 0x3F)));
    } else {
        text.push_back(static_cast<char>(0xF0 | ((codePoint >> 18) & 0x07)));
        text.push_back(static_cast<char>(0x80 | ((codePoint >> 12) & 0x3F)));
        text.push_back(static_cast<char>(0x80 | ((codePoint >> 6) & 0x3F)));
        text.push_back(static_cast<char>(0x80 | (codePoint & 0x3F)));
    }
}

Utf8Form ClassifyUtf8(std::string_view bytes)
{
    std::size_t index = 0;
    bool multiByte = false;
    const std::size_t size = bytes.size();
    while (index < size) {
        // Runs of ASCII bytes 64 and then 8 at a time.
#if defined(__SSE2__)
        while (size - index >= 64) {
            const char* at = bytes.data() + index;
            const __m128i any = _mm_or_si128(
                _mm_or_si128(_mm_loadu_si128(reinterpret_cast<const __m128i*>(at)),
                             _mm_loadu_si128(reinterpret_cast<const __m128i*>(at + 16))),
                _mm_or_si128(_mm_loadu_si128(reinterpret_cast<const __m128i*>(at + 32)),
                             _mm_loadu_si128(reinterpret_cast<const __m128i*>(at + 48))));
            if (_mm_movemask_epi8(any) != 0) break;
            index += 64;
        }
#endif
        if (size - index >= 8) {
            std::uint64_t word;
            std::memcpy(&word, bytes.data() + index, sizeof word);
            if ((word & 0x8080808080808080ull) == 0) {
                index += 8;
                continue;
            }
        }
        if (static_cast<unsigned char>(bytes[index]) < 0x80) {
            ++index;
            continue;
        }
        std::uint32_t codePoint = 0;
        const std::size_t length = DecodeUtf8(bytes, index, codePoint);
        if (length == 0) return Utf8Form::IllFormed;
        multiByte = true;
        index += length;
    }
    return multiByte ? Utf8Form::WellFormed : Utf8Form::Ascii;
}

TextEncoding Detect(std::string_view bytes, TextEncoding forAscii)
{
    if (StartsWithByteOrderMark(bytes)) return TextEncoding::Utf8;
    switch (ClassifyUtf8(bytes)) {
    case Utf8Form::Ascii: return forAscii;
    case Utf8Form::WellFormed: return TextEncoding::Utf8;
    default: return TextEncoding::Windows1251;
    }
}

std::uint32_t Cp1251ToUnicode(unsigned char byte)
{
    if (byte < 0x80) return byte;
    if (byte >= 0xC0) return 0x0410u + (byte - 0xC0u);
    return kUpperHalf[byte - 0x80];
}

int UnicodeToCp1251(std::uint32_t codePoint)
{
    if (codePoint < 0x80) return static_cast<int>(codePoint);
    if (codePoint >= 0x0410 && codePoint <= 0x044F) return static_cast<int>(0xC0 + (codePoint - 0x0410));
    for (int offset = 0; offset < 64; ++offset) {
        if (kUpperHalf[offset] == codePoint) return 0x80 + offset;
    }
    return -1;
}

bool Convert(std::string_view text, TextEncoding from, TextEncoding to, std::string& converted)
{
    converted.clear();
    if (from == to) {
        converted.assign(text);
        return true;
    }
    if (from == TextEncoding::Windows1251) {
        for (char byte : text) AppendUtf8(converted, Cp1251ToUnicode(static_cast<unsigned char>(byte)));
        return true;
    }
    for (std::size_t index = 0; index < text.size();) {
        std::uint32_t codePoint = 0;
        const std::size_t length = DecodeUtf8(text, index, codePoint);
        if (length == 0) {
            converted.push_back(text[index++]);
            continue;
        }
        const int byte = UnicodeToCp1251(codePoint);
        if (byte < 0) return false;
        converted.push_back(static_cast<char>(byte));
        index += length;
    }
    return true;
}

std::string ForDisplay(std::string_view text, TextEncoding from, TextEncoding to)
{
    if (from == to && from == TextEncoding::Windows1251) return std::string(text);
    std::string shown;
    shown.reserve(text.size());
    for (std::size_t index = 0; index < text.size();) {
        std::uint32_t codePoint = 0;
        std::size_t length = 1;
        if (from == TextEncoding::Windows1251) {
            codePoint = Cp1251ToUnicode(static_cast<unsigned char>(text[index]));
        } else {
            length = DecodeUtf8(text, index, codePoint);
            if (length == 0) {
                AppendEscape(shown, "\\x%02X", static_cast<unsigned char>(text[index++]));
                continue;
            }
        }
        index += length;
        if (to == TextEncoding::Utf8) {
            AppendUtf8(shown, codePoint);
            continue;
        }
        const int byte = UnicodeToCp1251(codePoint);
        if (byte < 0) {
            AppendEscape(shown, "\\u%04X", codePoint);
        } else {
            shown.push_back(static_cast<char>(byte));
        }
    }
    return shown;
}

std::uint32_t NextFolded(std::string_view text, std::size_t& index)
{
    const unsigned char lead = static_cast<unsigned char>(text[index]);
    if (lead < 0x80) {
        ++index;
        return lead >= 'A' && lead <= 'Z' ? lead + ('a' - 'A') : lead;
    }
    std::uint32_t codePoint = 0;
    const std::size_t length = DecodeUtf8(text, index, codePoint);
    if (length == 0) {
        ++index;
        return 0x110000u + lead;
    }
    index += length;
    return CaseFolding::Fold(codePoint);
}

std::string FoldUtf8(std::string_view text)
{
    std::string folded;
    folded.reserve(text.size());
    for (std::size_t index = 0; index < text.size();) {
        const std::size_t start = index;
        const std::uint32_t codePoint = NextFolded(text, index);
        if (codePoint >= 0x110000u) {
            folded.push_back(text[start]);
        } else {
            AppendUtf8(folded, codePoint);
        }
    }
    return folded;
}

}  // namespace Encoding

namespace CaseFolding {

std::uint32_t Fold(std::uint32_t codePoint)
{
    const Pair* end = kPairs + kPairCount;
    const Pair* found =
        std::lower_bound(kPairs, end, codePoint, [](const Pair& pair, std::uint32_t value) { return pair.from < value; });
    return found != end && found->from == codePoint ? found->to : codePoint;
}

}  // namespace CaseFolding
