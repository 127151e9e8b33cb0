#pragma once

// The scheme check (-check): what a run would ignore without a word, so that a typo
// cannot silently skip a migration step. Findings: unknown elements (unless they only
// group recognised ones), unknown attributes of the four elements, Section and Setting
// elements whose attributes fit no row of the action tables, attributes an earlier row
// overrules, Setting elements that no section container reads, and default texts
// without their condition. Attributes are looked up as the loader looks them up.

#include "scheme/SchemeEncoding.h"
#include "xml/Nodes.h"

#include <cstdint>
#include <string>
#include <vector>

struct LintFinding {
    std::int64_t line = 0;  // of the element's start tag
    std::string text;       // a plain English sentence, in UTF-8 (quoting the scheme)
    // The scheme cannot be loaded for a run (a condition that does not parse, a 'File'
    // without 'name'): the loader's own error says nothing more.
    bool stopsLoading = false;
    // Something the scheme says that a run ignores (a misspelt or misplaced element or
    // attribute): -strict refuses such a scheme. Advice (a rescale no condition guards,
    // a '.' in a template) is not.
    bool ignoredByRun = false;
};

// Also the slips new users make: conditions that do not parse (each of them), a
// section_to or setting_to that reads like an action word, a '.' in a template's fixed
// part, a 'File' without 'name'.
// Also: an encoding declaration that names neither encoding or disagrees with the
// scheme's bytes, and templates whose fixed part holds letters beyond ASCII.
std::vector<LintFinding> LintScheme(Xml::Library::DocumentNode<char>& document,
                                    const SchemeEncoding& encoding = SchemeEncoding());
