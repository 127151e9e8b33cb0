#pragma once

// UTF-16 text, the form Windows' own profile functions write a Unicode settings file
// in: read into UTF-8, which every rule of the program works on, and written back from
// it in the same byte order, so that a file nothing changed keeps its bytes.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

// How a file's bytes hold its characters.
enum class ByteForm { SingleBytes, Utf16LittleEndian, Utf16BigEndian };

namespace Utf16 {

inline constexpr std::string_view kLittleEndianMark = "\xFF\xFE";
inline constexpr std::string_view kBigEndianMark = "\xFE\xFF";

// "utf-16le" or "utf-16be" (the order), or "utf-16" (SingleBytes: the mark tells),
// letter case free; false for other names.
bool ParseName(std::string_view name, ByteForm& order);

// The UTF-16 form a byte-order mark at the start names; SingleBytes without one.
ByteForm FormOfMark(std::string_view bytes);
std::string_view MarkOf(ByteForm form);

// Appends the UTF-8 text of the UTF-16 `bytes` (no mark among them). False when they do
// not decode, with `badOffset` the first place that fails, counted from the start of
// `bytes` plus `baseOffset`: an unpaired surrogate at its own unit (a high surrogate
// the end cuts included), else, for an odd length, the lone last byte.
bool DecodeToUtf8(std::string_view bytes, ByteForm form, std::size_t baseOffset, std::string& utf8,
                  std::size_t& badOffset);

// What a file's bytes hold, as DecodeText found it.
struct TextForm {
    ByteForm form = ByteForm::SingleBytes;
    bool marked = false;  // a UTF-16 mark opens the bytes
    // Where the bytes stop being text (a zero byte in single bytes, UTF-16 that does not
    // decode), counted from the first byte; kText when they are text.
    static constexpr std::size_t kText = static_cast<std::size_t>(-1);
    std::size_t badOffset = kText;
    // Where the first Ctrl-Z stands, which ends the text as the end of the file does:
    // in the bytes, or in a UTF-16 file's decoded text (the text's size without one).
    std::size_t endOfText = 0;
    bool IsText() const { return badOffset == kText; }
};

// A file's text: UTF-16 when its bytes start with a mark, unless `singleBytes` says
// every file is single bytes; else in the form `assumed` (a UTF-16 order, or single
// bytes). UTF-16 is decoded into `utf8`; single bytes stay where they are.
TextForm DecodeText(std::string_view bytes, bool singleBytes, ByteForm assumed, std::string& utf8);

// Writes UTF-8 text given in chunks as UTF-16; a character a chunk's end cuts waits for
// the next chunk.
class CEncoder {
public:
    explicit CEncoder(ByteForm form) : m_bigEndian(form == ByteForm::Utf16BigEndian) {}
    // Appends the UTF-16 bytes of `utf8` to `out`. False when the text holds a byte that
    // is no character (the program's own texts are well-formed: a fault, never data).
    bool Encode(std::string_view utf8, std::string& out);
    // Nothing waits for a next chunk.
    bool Finished() const { return m_pending.empty(); }

private:
    void AppendUnit(std::uint16_t unit, std::string& out) const;
    bool m_bigEndian;
    std::string m_pending;
};

}  // namespace Utf16
