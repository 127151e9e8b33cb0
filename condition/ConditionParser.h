#pragma once

#include "condition/Condition.h"

#include <string>
#include <vector>

struct ConditionGroup {
    bool isAnd = true;
    std::vector<std::string> tokens;
};

// Splits a condition text into groups of tokens at the connectors `and` and `or`.
std::vector<ConditionGroup> SplitConditionText(const std::string& text);

// Parses a non-empty condition text. Throws the parser's error (a std::exception whose
// text is the message, " in line: " and the condition) at the first fault.
ConditionList ParseConditions(const std::string& text);

// Gives an action its conditions: nothing for an empty case text; otherwise the parsed
// terms, the first of which takes the default text when it has no default of its own.
void AttachConditions(const std::string& caseText, const std::string& defaultText, ConditionList& conditions);
