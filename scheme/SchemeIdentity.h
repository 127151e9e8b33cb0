#pragma once

// A scheme is known by what it says, not by its bytes: a reformatted, reordered or
// re-encoded scheme is the same scheme, and a rerun leaves the files it converted as
// they are. A scheme may also name itself (`scheme_id` on its root element), so that
// another version of it leaves them too.

#include "text/TextEncoding.h"
#include "xml/Nodes.h"

#include <string>

struct SchemeIdentity {
    std::string bytesSha256;  // of the scheme file's bytes, as records of earlier releases knew it
    std::string digest;       // SchemeDigest of what it says
    std::string id;           // its root's scheme_id, in UTF-8; empty without one
};

// The SHA-256 (hex) of the loaded document: its elements in document order, each with
// its attributes sorted by name (repeated ones in their order), names and values as the
// program reads them, in UTF-8. Comments, text and blanks between elements, the XML
// declaration, quoting and the file's encoding do not count.
std::string SchemeDigest(const Xml::Library::DocumentNode<char>& document, TextEncoding encoding);

// The root element's scheme_id in UTF-8; empty without one.
std::string SchemeIdOf(const Xml::Library::DocumentNode<char>& document, TextEncoding encoding);
