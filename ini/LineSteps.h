#pragma once

// A step on the settings of one name in a section, whose result for each setting
// depends on that setting alone: its value set or rescaled, the setting renamed,
// removed, or moved or copied to other sections. A run of such steps can go over the
// lines of a section once, all of them in turn on each line
// (CIniParametersImaging::ApplyLineSteps).

#include "ini/ValueScaling.h"

#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

class CIniSectionsImaging;

struct LineStep {
    enum class Kind { SetValue, Rename, Remove, Multiply, Divide, Move, Copy };

    Kind kind = Kind::SetValue;
    // The settings the step works on.
    std::string name;
    // The new value, the new name, or the factor as the scheme gives it.
    std::string text;
    // Multiply, Divide: `text` read as a factor.
    ScaleFactor factor;
    // Move, Copy: the sections the settings go to, those that exist, in turn.
    std::vector<CIniSectionsImaging*> targets;

    static LineStep Make(Kind kind, std::string name, std::string text = std::string())
    {
        LineStep step;
        step.kind = kind;
        step.name = std::move(name);
        step.text = std::move(text);
        if (kind == Kind::Multiply || kind == Kind::Divide) step.factor = ParseScaleFactor(step.text);
        return step;
    }
    // Multiply, Divide: which.
    ScaleOperation Operation() const { return kind == Kind::Multiply ? ScaleOperation::Multiply : ScaleOperation::Divide; }
};

using LineSteps = std::vector<LineStep>;

// Steps to run as one over the lines of sections, with what the walk asks of them made
// once: which steps a line may be one of, by the print of its name (the steps of the
// same print and those whose name has none), and which lines can be one a step works
// on (those that open as a step's name does in either case, or with a byte a letter
// of another script may open with; every line when a name opens otherwise).
class CLineRun {
public:
    CLineRun(LineSteps steps);
    CLineRun(std::initializer_list<LineStep> steps) : CLineRun(LineSteps(steps)) {}

    const LineSteps& Steps() const { return m_steps; }
    // A bit for each step a setting of a name with that print may be one of.
    std::uint64_t StepsFor(std::uint32_t print) const;
    // The first line from `from` (which begins a line) that may be one a step works
    // on: where it begins, or the body's end.
    std::size_t NextLine(std::string_view body, std::size_t from) const;

private:
    static constexpr std::size_t kSlots = 128;  // twice the most steps a run holds
    static std::size_t Slot(std::uint32_t print) { return (print * 2654435761u) >> 25; }

    LineSteps m_steps;
    std::uint32_t m_prints[kSlots] = {};
    std::uint64_t m_printSteps[kSlots] = {};
    std::uint64_t m_allSteps = 0;
    std::uint64_t m_unprintedSteps = 0;
    bool m_opens[256] = {};
    bool m_everyLine = false;
};
