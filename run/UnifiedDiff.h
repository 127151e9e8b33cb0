#pragma once

// The difference of two lists of lines as unified-diff hunks: a header line
// "@@ -a,b +c,d @@" and then the lines of the hunk, each after its mark (' ' for a
// common line, '-' for one only in the old list, '+' for one only in the new).
// The edit script is a shortest one, found by the O(ND) difference algorithm in its
// linear-space form (the middle snake, divide and conquer).

#include <string>
#include <vector>

// Every line of every hunk, in order; empty when the lists are equal.
std::vector<std::string> UnifiedDiffLines(const std::vector<std::string>& oldLines,
                                          const std::vector<std::string>& newLines, int contextLines = 3);
