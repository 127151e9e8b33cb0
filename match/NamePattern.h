#pragma once

#include "text/TextEncoding.h"

#include <string>

// The regular expression a name template stands for: the name lower-cased, each '*'
// replaced by the name template pattern, nothing else escaped. Empty for a plain name.
std::string MakeNamePattern(const std::string& name);

// The text with each '*' replaced by the name template pattern (output templates use
// it on a name they lower-case themselves).
std::string ReplaceStars(const std::string& text);

// The pattern a section or setting name stands for in a file of `encoding`: in a
// Windows-1251 file MakeNamePattern's (or, in regex mode, the name as written); in a
// UTF-8 file the name folded before its '*' is replaced, and in both kinds every '.'
// matching one whole character. Empty for a plain name.
std::string NamePatternIn(TextEncoding encoding, const std::string& name, bool regexMode);

// The pattern with each '.' outside a bracket expression matching one whole UTF-8
// character (or one byte that is no character) instead of one byte.
std::string MatchWholeUtf8Characters(const std::string& pattern);
