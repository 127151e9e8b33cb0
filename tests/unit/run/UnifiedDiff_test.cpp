#include "run/UnifiedDiff.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace {

using Lines = std::vector<std::string>;

// The hunks as one text, a line each.
std::string Diff(const Lines& before, const Lines& after)
{
    std::string text;
    for (const std::string& line : UnifiedDiffLines(before, after)) text += line + "\n";
    return text;
}

// Applies the hunks to the old lines; a true diff gives the new lines back.
Lines Patched(const Lines& before, const Lines& after)
{
    Lines result;
    std::size_t next = 0;
    for (const std::string& line : UnifiedDiffLines(before, after)) {
        if (line.rfind("@@ -", 0) == 0) {
            const std::size_t start = std::stoul(line.substr(4));
            const std::size_t count = std::stoul(line.substr(line.find(',') + 1));
            const std::size_t first = count == 0 ? start : start - 1;
            while (next < first) result.push_back(before[next++]);
        } else if (line[0] == ' ') {
            result.push_back(before[next++]);
        } else if (line[0] == '-') {
            ++next;
        } else {
            result.push_back(line.substr(1));
        }
    }
    while (next < before.size()) result.push_back(before[next++]);
    return result;
}

TEST(UnifiedDiff, HunksOfTypicalChanges)
{
    const struct {
        Lines before;
        Lines after;
        std::string hunks;
    } table[] = {
        {{}, {}, ""},
        {{"a", "b"}, {"a", "b"}, ""},
        {{}, {"x", "y"}, "@@ -0,0 +1,2 @@\n+x\n+y\n"},
        {{"x", "y"}, {}, "@@ -1,2 +0,0 @@\n-x\n-y\n"},
        {{"a", "b"}, {"c", "d"}, "@@ -1,2 +1,2 @@\n-a\n-b\n+c\n+d\n"},
        {{"a", "1", "2", "3", "4", "5"}, {"A", "1", "2", "3", "4", "5"}, "@@ -1,4 +1,4 @@\n-a\n+A\n 1\n 2\n 3\n"},
        {{"1", "2", "3", "4", "5", "z"}, {"1", "2", "3", "4", "5"}, "@@ -3,4 +3,3 @@\n 3\n 4\n 5\n-z\n"},
        // Contexts that overlap make one hunk; farther apart, two.
        {{"a", "1", "2", "3", "4", "5", "6", "b"}, {"A", "1", "2", "3", "4", "5", "6", "B"},
         "@@ -1,8 +1,8 @@\n-a\n+A\n 1\n 2\n 3\n 4\n 5\n 6\n-b\n+B\n"},
        {{"a", "1", "2", "3", "4", "5", "6", "7", "b"}, {"A", "1", "2", "3", "4", "5", "6", "7", "B"},
         "@@ -1,4 +1,4 @@\n-a\n+A\n 1\n 2\n 3\n@@ -6,4 +6,4 @@\n 5\n 6\n 7\n-b\n+B\n"},
        // Lines are bytes: a CR or a byte above 0x7F is part of the line.
        {{"k=1\r", "\xE0\xE1"}, {"k=1", "\xE0\xE1"}, "@@ -1,2 +1,2 @@\n-k=1\r\n+k=1\n \xE0\xE1\n"},
    };
    for (const auto& row : table) {
        EXPECT_EQ(Diff(row.before, row.after), row.hunks) << row.hunks;
        EXPECT_EQ(Patched(row.before, row.after), row.after) << row.hunks;
    }
}

// The length of a longest common subsequence, by the plain quadratic table.
std::size_t CommonLength(const Lines& before, const Lines& after)
{
    std::vector<std::vector<std::size_t>> table(before.size() + 1, std::vector<std::size_t>(after.size() + 1, 0));
    for (std::size_t x = 1; x <= before.size(); ++x) {
        for (std::size_t y = 1; y <= after.size(); ++y) {
            table[x][y] = before[x - 1] == after[y - 1] ? table[x - 1][y - 1] + 1
                                                        : std::max(table[x - 1][y], table[x][y - 1]);
        }
    }
    return table[before.size()][after.size()];
}

// Pseudo-random edits: the hunks always turn the old lines into the new ones, and the
// script is a shortest one: as many changed lines as the longest common part leaves.
TEST(UnifiedDiff, RandomEditsPatchBackExactly)
{
    unsigned seed = 7;
    const auto next = [&seed] { return seed = seed * 1103515245u + 12345u, (seed >> 16) % 1000; };
    for (int round = 0; round < 200; ++round) {
        Lines before;
        const std::size_t size = next() % 40;
        for (std::size_t line = 0; line < size; ++line) before.push_back(std::to_string(next() % 6));
        Lines after = before;
        for (int edit = next() % 8; edit > 0; --edit) {
            const std::size_t at = after.empty() ? 0 : next() % (after.size() + 1);
            if (next() % 2 == 0 && at < after.size()) {
                after.erase(after.begin() + static_cast<long>(at));
            } else {
                after.insert(after.begin() + static_cast<long>(at), std::to_string(next() % 6));
            }
        }
        ASSERT_EQ(Patched(before, after), after) << "round " << round;
        std::size_t changed = 0;
        for (const std::string& line : UnifiedDiffLines(before, after)) {
            if (line[0] == '-' || (line[0] == '+')) ++changed;
        }
        EXPECT_EQ(changed, before.size() + after.size() - 2 * CommonLength(before, after)) << "round " << round;
    }
}

// Changes all over a large text (every section's value rescaled, sections dropped and
// added) still give hunks that patch back exactly, each changed line once: the search
// that would cost the square of the lines splits where it got furthest instead.
TEST(UnifiedDiff, ChangesEverywhereInALargeTextPatchBack)
{
    Lines before;
    Lines after;
    for (int section = 0; section < 6000; ++section) {
        before.push_back("[S" + std::to_string(section) + "]");
        before.push_back("k=" + std::to_string(section));
        before.push_back("x=1");
        if (section % 7 != 3) after.push_back("[S" + std::to_string(section) + "]");
        after.push_back("k=" + std::to_string(section * 2));
        after.push_back("x=1");
        if (section % 11 == 5) after.push_back("new=" + std::to_string(section));
    }
    ASSERT_EQ(Patched(before, after), after);
    std::size_t removed = 0;
    std::size_t added = 0;
    for (const std::string& line : UnifiedDiffLines(before, after)) {
        if (line.rfind("@@", 0) == 0) continue;
        removed += line[0] == '-';
        added += line[0] == '+';
    }
    // The lines that differ are the dropped headers and every value but k=0; the
    // script may keep a few fewer lines than the shortest one would, never many.
    const std::size_t differing = 857 + 5999;
    EXPECT_GE(removed, differing);
    EXPECT_LE(removed, differing + differing / 50);
    EXPECT_EQ(before.size() - removed, after.size() - added);
}

}  // namespace
