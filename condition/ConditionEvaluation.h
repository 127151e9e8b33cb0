#pragma once

#include "condition/Condition.h"

#include <string>

class CIniFileImage;

// Every term is evaluated and folded in from left to right, without precedence:
// `a or b and c` means (a or b) and c. An empty list holds.
bool EvaluateConditions(const ConditionList& conditions, const CIniFileImage& image);
bool EvaluateCondition(const CCondition& term, const CIniFileImage& image);

// Empty, or only the digits 0 to 9.
bool IsDigitsOnly(const std::string& text);
