#pragma once

#include "scheme/FileConversion.h"
#include "scheme/SchemaParser.h"
#include "scheme/SchemeEncoding.h"
#include "scheme/SchemeIdentity.h"
#include "xml/Nodes.h"

#include <memory>
#include <string>
#include <vector>

// Reads and parses the scheme file, walks it with `parser` and returns one record per
// Convert or File element, in document order. Throws with the whole text of the
// first failure; nothing partial is returned.
std::vector<FileConversion> LoadScheme(CSchemaParser& parser, const std::string& schemePath);

struct SchemeDocument {
    std::unique_ptr<Xml::Library::DocumentNode<char>> tree;
    SchemeEncoding encoding;
    SchemeIdentity identity;
};

// The two halves of LoadScheme, for a caller that looks at the tree itself.
SchemeDocument ReadSchemeDocument(const std::string& schemePath);
// Walks the tree twice: once with the scheme's texts as they are, once with them in
// the other encoding (its warnings, the same as the first walk's, unprinted).
std::vector<FileConversion> BuildConversions(CSchemaParser& parser, SchemeDocument& document);
