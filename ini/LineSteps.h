#pragma once

// A step on the settings of one name in a section, whose result for each setting
// depends on that setting alone: its value set or rescaled, the setting renamed,
// removed, or moved or copied to other sections. A run of such steps can go over the
// lines of a section once, all of them in turn on each line
// (CIniParametersImaging::ApplyLineSteps).

#include "ini/ValueScaling.h"

#include <string>
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
};

using LineSteps = std::vector<LineStep>;
