#pragma once

// Everything the program says goes to standard output; nothing goes to standard error.
//
// The program's own texts are Windows-1251. The console shows them in its own
// encoding: the contract's Windows-1251 bytes in the C locale or when redirected on
// Windows, UTF-8 in a UTF-8 locale, UTF-16 on a Windows console. Names inside messages
// come from a file or the scheme and are converted from their encoding, which the
// caller states with a TextEncodingScope.

#include "text/TextEncoding.h"

#include <cstddef>
#include <string>
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

// A text of the program's, where paths and names stand as bytes: a text that is
// well-formed UTF-8 holding a multi-byte character is taken as UTF-8, any other as
// Windows-1251.
void Print(const std::string& text);
// A text whose encoding the caller knows.
void Print(const std::string& text, TextEncoding encoding);

// printf-style with %s only: the format is Windows-1251, each argument in the
// encoding of the innermost TextEncodingScope (Windows-1251 outside any); "%F" stands
// for the file of the innermost FileScope, quoted.
void Warn(const char* format, ...)
#if defined(__GNUC__)
    __attribute__((format(printf, 1, 2)))
#endif
    ;

void Flush();

// A file's name as messages show it: a zero byte as "\0"; on a console that shows
// UTF-8, each byte that is not part of well-formed UTF-8 as "\xNN" (on the Windows-1251
// console the bytes stand as they are).
std::string ShownName(const std::string& path);

// Test seams: while set, everything printed is appended to `sink` instead; the output
// encoding is set by hand.
void CaptureForTesting(std::string* sink);
void SetOutputEncodingForTesting(TextEncoding encoding);

}  // namespace Console
