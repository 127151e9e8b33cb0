#pragma once

#include "scheme/FileConversion.h"
#include "scheme/SchemaParser.h"

#include <string>
#include <vector>

// Maps and parses the scheme file, walks it with `parser` and returns one record per
// Convert or File element, in document order. Throws with the whole text of the
// first failure; nothing partial is returned.
std::vector<FileConversion> LoadScheme(CSchemaParser& parser, const std::string& schemePath);
