#include "run/UnifiedDiff.h"

#include <algorithm>
#include <climits>
#include <cstddef>

namespace {

// Marks the lines that a shortest edit script removes from the old list and adds from
// the new one.
class CEditScript {
public:
    CEditScript(const std::vector<std::string>& oldLines, const std::vector<std::string>& newLines)
        : before(oldLines), after(newLines), removed(oldLines.size(), false), added(newLines.size(), false)
    {
        const std::size_t diagonals = oldLines.size() + newLines.size() + 3;
        m_forward.assign(diagonals, 0);
        m_backward.assign(diagonals, 0);
        m_offset = static_cast<long>(newLines.size()) + 1;
        Compare(0, static_cast<long>(oldLines.size()), 0, static_cast<long>(newLines.size()));
    }

    const std::vector<std::string>& before;
    const std::vector<std::string>& after;
    std::vector<bool> removed;
    std::vector<bool> added;

private:
    bool Same(long x, long y) const { return before[static_cast<std::size_t>(x)] == after[static_cast<std::size_t>(y)]; }
    long& Forward(long diagonal) { return m_forward[static_cast<std::size_t>(diagonal + m_offset)]; }
    long& Backward(long diagonal) { return m_backward[static_cast<std::size_t>(diagonal + m_offset)]; }

    void Compare(long xLow, long xHigh, long yLow, long yHigh)
    {
        // Common lines at both ends take no part in the search.
        while (xLow < xHigh && yLow < yHigh && Same(xLow, yLow)) ++xLow, ++yLow;
        while (xHigh > xLow && yHigh > yLow && Same(xHigh - 1, yHigh - 1)) --xHigh, --yHigh;
        if (xLow == xHigh) {
            for (long y = yLow; y < yHigh; ++y) added[static_cast<std::size_t>(y)] = true;
            return;
        }
        if (yLow == yHigh) {
            for (long x = xLow; x < xHigh; ++x) removed[static_cast<std::size_t>(x)] = true;
            return;
        }
        long xMiddle = 0;
        long yMiddle = 0;
        MiddleSnake(xLow, xHigh, yLow, yHigh, xMiddle, yMiddle);
        Compare(xLow, xMiddle, yLow, yMiddle);
        Compare(xMiddle, xHigh, yMiddle, yHigh);
    }

    // Searches from both corners at once, one edit more each round, until the paths
    // meet; the meeting point splits the problem in two of about half the edits each.
    // A search that takes more than kMaxRounds rounds (changes all over a large file)
    // splits instead where the forward search got furthest, as version-control tools
    // do: the script may then not be the shortest, but the cost stays about linear in
    // the lines.
    static constexpr long kMaxRounds = 256;

    void MiddleSnake(long xLow, long xHigh, long yLow, long yHigh, long& xMiddle, long& yMiddle)
    {
        const long lowest = xLow - yHigh;
        const long highest = xHigh - yLow;
        const long forwardMiddle = xLow - yLow;
        const long backwardMiddle = xHigh - yHigh;
        const bool odd = ((forwardMiddle - backwardMiddle) & 1) != 0;
        long forwardMin = forwardMiddle, forwardMax = forwardMiddle;
        long backwardMin = backwardMiddle, backwardMax = backwardMiddle;
        Forward(forwardMiddle) = xLow;
        Backward(backwardMiddle) = xHigh;
        for (long round = 1;; ++round) {
            // (A furthest point at a corner would split nothing: the search goes on.)
            if (round > kMaxRounds && FurthestForward(forwardMin, forwardMax, xMiddle, yMiddle) &&
                !(xMiddle == xHigh && yMiddle == yHigh)) {
                return;
            }
            if (forwardMin > lowest) {
                Forward(--forwardMin - 1) = -1;
            } else {
                ++forwardMin;
            }
            if (forwardMax < highest) {
                Forward(++forwardMax + 1) = -1;
            } else {
                --forwardMax;
            }
            for (long diagonal = forwardMax; diagonal >= forwardMin; diagonal -= 2) {
                const long fromLow = Forward(diagonal - 1);
                const long fromHigh = Forward(diagonal + 1);
                long x = fromLow >= fromHigh ? fromLow + 1 : fromHigh;
                long y = x - diagonal;
                while (x < xHigh && y < yHigh && Same(x, y)) ++x, ++y;
                Forward(diagonal) = x;
                if (odd && backwardMin <= diagonal && diagonal <= backwardMax && Backward(diagonal) <= x) {
                    xMiddle = x;
                    yMiddle = y;
                    return;
                }
            }
            if (backwardMin > lowest) {
                Backward(--backwardMin - 1) = LONG_MAX;
            } else {
                ++backwardMin;
            }
            if (backwardMax < highest) {
                Backward(++backwardMax + 1) = LONG_MAX;
            } else {
                --backwardMax;
            }
            for (long diagonal = backwardMax; diagonal >= backwardMin; diagonal -= 2) {
                const long fromLow = Backward(diagonal - 1);
                const long fromHigh = Backward(diagonal + 1);
                long x = fromLow < fromHigh ? fromLow : fromHigh - 1;
                long y = x - diagonal;
                while (x > xLow && y > yLow && Same(x - 1, y - 1)) --x, --y;
                Backward(diagonal) = x;
                if (!odd && forwardMin <= diagonal && diagonal <= forwardMax && x <= Forward(diagonal)) {
                    xMiddle = x;
                    yMiddle = y;
                    return;
                }
            }
        }
    }

    // The point of the forward search's diagonals that lies furthest from its start.
    bool FurthestForward(long forwardMin, long forwardMax, long& xMiddle, long& yMiddle)
    {
        long best = LONG_MIN;
        for (long diagonal = forwardMax; diagonal >= forwardMin; diagonal -= 2) {
            const long x = Forward(diagonal);
            if (2 * x - diagonal > best) {
                best = 2 * x - diagonal;
                xMiddle = x;
                yMiddle = x - diagonal;
            }
        }
        return best != LONG_MIN;
    }

    std::vector<long> m_forward;
    std::vector<long> m_backward;
    long m_offset = 0;
};

struct ScriptLine {
    char mark;
    std::size_t oldIndex;  // the old line's index, or the count of old lines before it
    std::size_t newIndex;
    const std::string* text;
};

std::vector<ScriptLine> ScriptOf(const CEditScript& script)
{
    std::vector<ScriptLine> lines;
    std::size_t x = 0;
    std::size_t y = 0;
    while (x < script.before.size() || y < script.after.size()) {
        if (x < script.before.size() && script.removed[x]) {
            lines.push_back({'-', x, y, &script.before[x]});
            ++x;
        } else if (y < script.after.size() && script.added[y]) {
            lines.push_back({'+', x, y, &script.after[y]});
            ++y;
        } else {
            lines.push_back({' ', x, y, &script.before[x]});
            ++x;
            ++y;
        }
    }
    return lines;
}

// "-a,b": the first line's number, or for an empty side the number of the line before.
std::string Range(std::size_t first, std::size_t count)
{
    return std::to_string(count == 0 ? first : first + 1) + "," + std::to_string(count);
}

}  // namespace

std::vector<std::string> UnifiedDiffLines(const std::vector<std::string>& oldLines,
                                          const std::vector<std::string>& newLines, int contextLines)
{
    const CEditScript script(oldLines, newLines);
    const std::vector<ScriptLine> lines = ScriptOf(script);
    const std::size_t context = static_cast<std::size_t>(std::max(contextLines, 0));
    std::vector<std::string> output;
    std::size_t index = 0;
    while (index < lines.size()) {
        if (lines[index].mark == ' ') {
            ++index;
            continue;
        }
        // A hunk: the change with its context, taking in later changes whose context
        // would touch or overlap this one's.
        const std::size_t begin = index >= context ? index - context : 0;
        std::size_t end = index;
        for (;;) {
            while (end < lines.size() && lines[end].mark != ' ') ++end;
            std::size_t common = 0;
            while (end + common < lines.size() && lines[end + common].mark == ' ') ++common;
            if (end + common < lines.size() && common <= 2 * context) {
                end += common;
                continue;
            }
            end += std::min(common, context);
            break;
        }
        std::size_t oldCount = 0;
        std::size_t newCount = 0;
        for (std::size_t line = begin; line < end; ++line) {
            if (lines[line].mark != '+') ++oldCount;
            if (lines[line].mark != '-') ++newCount;
        }
        output.push_back("@@ -" + Range(lines[begin].oldIndex, oldCount) + " +" + Range(lines[begin].newIndex, newCount) +
                         " @@");
        for (std::size_t line = begin; line < end; ++line) output.push_back(lines[line].mark + *lines[line].text);
        index = end;
    }
    return output;
}
