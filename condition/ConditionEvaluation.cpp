#include "condition/ConditionEvaluation.h"

#include "match/NamePattern.h"
#include "match/SafeRegex.h"
#include "ini/IniFileImage.h"
#include "text/LetterCase.h"

namespace {

// A section part with '*' names the first section, in index order, whose stored name
// the pattern matches as a whole, letter case counting in files of either encoding;
// none gives the empty name. The pattern is compiled, and an invalid one refused,
// whether or not there is a section.
std::string SectionNameOf(const CCondition& term, const CIniFileImage& image)
{
    if (term.sectionPattern.empty()) return term.sectionName;
    const CSafeRegex pattern(term.sectionPattern);
    std::string name;
    const CIniSectionsImaging* first = image.FirstInIndexOrder([&](const CIniSectionsImaging& section) {
        name.assign(section.header.Name());
        return pattern.Matches(name);
    });
    return first == nullptr ? std::string() : std::string(first->header.Name());
}

std::string WithoutLeadingZeros(const std::string& digits)
{
    const std::size_t first = digits.find_first_not_of('0');
    return first == std::string::npos ? std::string() : digits.substr(first);
}

// Digit strings of any length compare exactly as numbers.
int CompareDigits(const std::string& left, const std::string& right)
{
    const std::string leftDigits = WithoutLeadingZeros(left);
    const std::string rightDigits = WithoutLeadingZeros(right);
    if (leftDigits.size() != rightDigits.size()) return leftDigits.size() < rightDigits.size() ? -1 : 1;
    return leftDigits.compare(rightDigits);
}

int CompareTexts(const std::string& left, const std::string& right)
{
    // std::string compares through char_traits<char>, which orders bytes unsigned.
    const int result = left.compare(right);
    return result < 0 ? -1 : (result > 0 ? 1 : 0);
}

bool Compare(ConditionOperator op, int order)
{
    switch (op) {
    case ConditionOperator::Equal: return order == 0;
    case ConditionOperator::NotEqual: return order != 0;
    case ConditionOperator::Less: return order < 0;
    case ConditionOperator::More: return order > 0;
    case ConditionOperator::LessOrEqual: return order <= 0;
    case ConditionOperator::MoreOrEqual: return order >= 0;
    default: return false;
    }
}

}  // namespace

bool IsDigitsOnly(const std::string& text)
{
    for (char byte : text) {
        if (byte < '0' || byte > '9') return false;
    }
    return true;
}

bool EvaluateCondition(const CCondition& term, const CIniFileImage& image)
{
    const std::string section = SectionNameOf(term, image);
    if (term.op == ConditionOperator::Exists) return image.HasParameter(section, term.settingName);
    if (term.op == ConditionOperator::NotExists) return !image.HasParameter(section, term.settingName);

    const std::string defaultText = term.defaultValue.HasValue() ? term.defaultValue.Value() : std::string();
    const std::string actual = image.GetParameterValue(section, term.settingName, defaultText);
    const std::string& expected = term.value.Value();
    const int order = IsDigitsOnly(actual) && IsDigitsOnly(expected) ? CompareDigits(actual, expected)
                                                                      : CompareTexts(actual, expected);
    return Compare(term.op, order);
}

bool EvaluateConditions(const ConditionList& conditions, const CIniFileImage& image)
{
    bool result = true;
    for (const CCondition& term : conditions) {
        const bool holds = EvaluateCondition(term, image);
        result = term.isAnd ? (result && holds) : (result || holds);
    }
    return result;
}
