#pragma once

// The bodies of the fuzz targets. Each takes arbitrary bytes and must return without a
// crash, a hang or a sanitizer report; a wrong result it can see aborts. The libFuzzer
// programs (one per target) and the unit tests that replay the regression inputs call
// them alike.

#include <cstddef>
#include <cstdint>
#include <string>

namespace Fuzz {

// The scheme's XML read into a node tree and walked by the scheme loader.
void XmlLoad(const std::uint8_t* data, std::size_t size);
// An INI file read, written and read again: the second text equals the first.
void IniRoundTrip(const std::uint8_t* data, std::size_t size);
// First line: a condition; the rest: an INI file it is evaluated against.
void ConditionParseEvaluate(const std::uint8_t* data, std::size_t size);
// First line: a name template (or with a leading '~' a regex-mode name); the other
// lines: names it is matched against.
void NamePatternMatch(const std::uint8_t* data, std::size_t size);
// Up to the first zero byte: a scheme; after it: the INI file it converts.
void WholeRun(const std::uint8_t* data, std::size_t size);
// A run's record read: one that reads is written back and read again the same; one that
// does not names the member at fault.
void RecordRead(const std::uint8_t* data, std::size_t size);
// Bytes decoded as UTF-16 in both orders: what decodes encodes back to the same bytes,
// in any chunks; what does not names an offset inside the bytes.
void Utf16Read(const std::uint8_t* data, std::size_t size);

// The target of that name, or null.
using Target = void (*)(const std::uint8_t*, std::size_t);
Target TargetNamed(const std::string& name);

}  // namespace Fuzz
