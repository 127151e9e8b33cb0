#pragma once

// The two encodings a settings file or a scheme may be in, how a file's is told from
// its bytes, and conversion between them. Windows-1251 is the program's first
// encoding: its texts and messages are in it unless a file says otherwise.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

enum class TextEncoding { Windows1251 = 0, Utf8 = 1 };

namespace Encoding {

// "Windows-1251" or "UTF-8", as messages name them.
const char* Name(TextEncoding encoding);

// Two texts equal but for the letter case of ASCII letters.
bool EqualAsciiNoCase(std::string_view left, std::string_view right);

// "utf-8", "utf8", "windows-1251" or "cp1251", letter case free; false for others.
bool ParseName(std::string_view name, TextEncoding& encoding);

inline constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";
bool StartsWithByteOrderMark(std::string_view bytes);

// The well-formed UTF-8 sequence starting at `index` (no overlong form, no surrogate,
// nothing above U+10FFFF): its length, with its code point; 0 when the bytes there
// start none.
std::size_t DecodeUtf8(std::string_view text, std::size_t index, std::uint32_t& codePoint);
// Appends a code point's UTF-8 form; values above U+10FFFF take the four-byte form's
// shape too, so that byte order stays the order of the numbers.
void AppendUtf8(std::string& text, std::uint32_t codePoint);

enum class Utf8Form { Ascii, WellFormed, IllFormed };
// One pass that stops at the first byte that is not well-formed UTF-8.
Utf8Form ClassifyUtf8(std::string_view bytes);

// A settings file's encoding from its bytes: UTF-8 with a byte-order mark or when
// well-formed with a multi-byte sequence; `forAscii` when no byte is above 0x7F;
// Windows-1251 otherwise.
TextEncoding Detect(std::string_view bytes, TextEncoding forAscii);

std::uint32_t Cp1251ToUnicode(unsigned char byte);
// The Windows-1251 byte of a code point, or -1 when the code page has none.
int UnicodeToCp1251(std::uint32_t codePoint);

// Converts a text between the encodings; false when `to` cannot hold one of its
// characters. A byte that is no character in a UTF-8 text stands for itself.
bool Convert(std::string_view text, TextEncoding from, TextEncoding to, std::string& converted);

// The text for a reader of `to`: what `to` cannot show is written \u and at least four
// hex digits, a byte of a UTF-8 text that is no character \x and two. Never fails.
std::string ForDisplay(std::string_view text, TextEncoding from, TextEncoding to);

// The UTF-8 text with every character folded by Unicode simple case folding; a byte
// that is no character stands for itself.
std::string FoldUtf8(std::string_view text);

// The next folded code point of a UTF-8 name from `index`, which moves past it; a byte
// that is no character gives 0x110000 plus its value, beyond every character.
std::uint32_t NextFolded(std::string_view text, std::size_t& index);

}  // namespace Encoding
