#pragma once

#include <string>

// The regular expression a name template stands for: the name lower-cased, each '*'
// replaced by the name template pattern, nothing else escaped. Empty for a plain name.
std::string MakeNamePattern(const std::string& name);

// The text with each '*' replaced by the name template pattern (output templates use
// it on a name they lower-case themselves).
std::string ReplaceStars(const std::string& text);
