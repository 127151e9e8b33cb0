#pragma once

// Unicode simple case folding (the C and S mappings of the Unicode Character
// Database), generated into CaseFoldingTable.cpp by scripts/gen-case-folding.py.

#include <cstddef>
#include <cstdint>

namespace CaseFolding {

struct Pair {
    std::uint32_t from;
    std::uint32_t to;
};

// Sorted by `from`.
extern const Pair kPairs[];
extern const std::size_t kPairCount;
// The file the table came from, such as "CaseFolding-15.0.0.txt".
extern const char* const kUnicodeVersion;

// The code point a code point folds to; itself when the table does not list it.
std::uint32_t Fold(std::uint32_t codePoint);

}  // namespace CaseFolding
