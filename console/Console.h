#pragma once

// Everything the program says goes to standard output; nothing goes to standard error.
//
// A message is composed in UTF-8, whatever its parts were: the program's texts (the
// contract's Russian ones are Windows-1251 in the table), file names by ShownName, and
// texts of a file or the scheme converted from their encoding (a TextEncodingScope
// states it for warnings). The console shows it in its own encoding: the contract's
// Windows-1251 bytes in the C locale or when redirected on Windows, UTF-8 in a UTF-8
// locale, UTF-16 on a Windows console.

#include "text/TextEncoding.h"

#include <cstddef>
#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

namespace Console {

// Asks the system how standard output shows text, and the environment which language
// messages take (Messages.h says how); the run does it once at start.
void DetectOutputEncoding();

// While alive, warnings are about `path` (English warnings name it).
class FileScope {
public:
    explicit FileScope(const std::string& path);
    ~FileScope();
    FileScope(const FileScope&) = delete;
    FileScope& operator=(const FileScope&) = delete;

private:
    const std::string* m_previous;
    std::string m_path;
};
TextEncoding OutputEncoding();

// While alive, names inside warnings are taken to be in `encoding`.
class TextEncodingScope {
public:
    explicit TextEncodingScope(TextEncoding encoding);
    ~TextEncodingScope();
    TextEncodingScope(const TextEncodingScope&) = delete;
    TextEncodingScope& operator=(const TextEncodingScope&) = delete;

private:
    TextEncoding m_previous;
};

// While alive, the text of every warning, in UTF-8 and without its leading line break,
// is also appended to `texts`.
class WarningCollector {
public:
    explicit WarningCollector(std::vector<std::string>& texts);
    ~WarningCollector();
    WarningCollector(const WarningCollector&) = delete;
    WarningCollector& operator=(const WarningCollector&) = delete;

private:
    std::vector<std::string>* m_previous;
};

// Warnings printed since the process started (a muted one is not counted).
std::size_t WarningCount();

// While alive, nothing is printed.
class MuteScope {
public:
    MuteScope();
    ~MuteScope();
    MuteScope(const MuteScope&) = delete;
    MuteScope& operator=(const MuteScope&) = delete;

private:
    std::string* m_previousSink;
    bool m_previousMuted;
    std::string m_discarded;
};

// A message: the program's text in UTF-8 (a Russian text of the table by its Utf8()),
// each file name in it as ShownName gives it, each text of a file or the scheme
// converted from its encoding. A byte that is not part of well-formed UTF-8 (a name
// that skipped ShownName) makes the whole line shown by ShownName's rule.
void Print(const std::string& text);
// A text in an encoding the caller knows: a file's lines in a diff.
void Print(const std::string& text, TextEncoding encoding);

// A warning from the table: the format is Windows-1251, printf-style with "%s" for each
// of `names`, in the encoding of the innermost TextEncodingScope (Windows-1251 outside
// any); "%F" stands for the file of the innermost FileScope, quoted. Composed in UTF-8,
// which is also what a WarningCollector keeps.
void WarnWith(const char* format, std::initializer_list<std::string_view> names);
template <class... Names>
void Warn(const char* format, const Names&... names)
{
    WarnWith(format, {std::string_view(names)...});
}

void Flush();

// A file's name as messages show it, in UTF-8 whatever the console: a zero byte as
// "\0"; a name that is well-formed UTF-8 as it is; any other name, on the Windows-1251
// console, as its bytes taken for Windows-1251 characters (so it prints as its own
// bytes), elsewhere with each byte that is not part of a character as "\xNN".
std::string ShownName(const std::string& path);

// Test seams: while set, everything printed is appended to `sink` instead; the output
// encoding is set by hand.
void CaptureForTesting(std::string* sink);
void SetOutputEncodingForTesting(TextEncoding encoding);

}  // namespace Console
