#pragma once

// One term of a condition such as `Main.Version e 5 and Net.Port[80] m_e 1024`.

#include "support/Optional.h"

#include <string>
#include <vector>

enum class ConditionOperator {
    Equal = 0,        // e
    NotEqual = 1,     // n_e
    Less = 2,         // l
    More = 3,         // m
    LessOrEqual = 4,  // l_e
    MoreOrEqual = 5,  // m_e
    Exists = 6,       // ex
    NotExists = 7,    // n_ex
};

struct CCondition {
    // How the term joins the terms before it; true (AND) for the first term.
    bool isAnd = true;
    std::string sectionName;
    std::string settingName;
    // Regular expression made from a section part holding '*'; empty otherwise.
    std::string sectionPattern;
    COptional<std::string> defaultValue;
    ConditionOperator op = ConditionOperator::Equal;
    // The compared value; held exactly by the six comparing operators.
    COptional<std::string> value;
};

using ConditionList = std::vector<CCondition>;
