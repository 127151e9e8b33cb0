#pragma once

// The scheme check (-check): what a run would ignore without a word, so that a typo
// cannot silently skip a migration step. Findings: unknown elements (unless they only
// group recognised ones), unknown attributes of the four elements, Section and Setting
// elements whose attributes fit no row of the action tables, attributes an earlier row
// overrules, Setting elements that no section container reads, and default texts
// without their condition. Attributes are looked up as the loader looks them up.

#include "xml/Nodes.h"

#include <cstdint>
#include <string>
#include <vector>

struct LintFinding {
    std::int64_t line = 0;  // of the element's start tag
    std::string text;       // a plain English sentence
};

std::vector<LintFinding> LintScheme(Xml::Library::DocumentNode<char>& document);
