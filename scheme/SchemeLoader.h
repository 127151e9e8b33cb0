#pragma once

#include "scheme/FileConversion.h"
#include "scheme/SchemaParser.h"
#include "xml/Nodes.h"

#include <memory>
#include <string>
#include <vector>

// Reads and parses the scheme file, walks it with `parser` and returns one record per
// Convert or File element, in document order. Throws with the whole text of the
// first failure; nothing partial is returned.
std::vector<FileConversion> LoadScheme(CSchemaParser& parser, const std::string& schemePath);

// The two halves of LoadScheme, for a caller that looks at the tree itself.
std::unique_ptr<Xml::Library::DocumentNode<char>> ReadSchemeDocument(const std::string& schemePath);
std::vector<FileConversion> BuildConversions(CSchemaParser& parser, Xml::Library::DocumentNode<char>& document);
