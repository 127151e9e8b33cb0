#include "condition/ConditionParser.h"

#include "match/NameTemplate.h"

#include <exception>

namespace {

class CParserError : public std::exception {
public:
    CParserError(const std::string& conditionText, const std::string& message)
        : m_message(message + " in line: " + conditionText)
    {
    }
    const char* what() const noexcept override { return m_message.c_str(); }

private:
    std::string m_message;
};

bool IsWhiteSpace(char byte)
{
    return byte == ' ' || byte == '\t' || byte == '\n' || byte == '\r' || byte == '\v' || byte == '\f';
}

// A setting's name in a condition: ASCII letters and digits, '_', '-', and every byte
// from 0x80 up (letters of any script, in either encoding).
bool IsWordByte(char byte)
{
    return (byte >= 'a' && byte <= 'z') || (byte >= 'A' && byte <= 'Z') || (byte >= '0' && byte <= '9') ||
           byte == '_' || byte == '-' || static_cast<unsigned char>(byte) >= 0x80;
}

// White space right after '[' and right before ']' is dropped.
std::string TightenBrackets(const std::string& text)
{
    std::string tightened;
    tightened.reserve(text.size());
    for (std::size_t index = 0; index < text.size(); ++index) {
        const char byte = text[index];
        if (IsWhiteSpace(byte)) {
            std::size_t runEnd = index;
            while (runEnd < text.size() && IsWhiteSpace(text[runEnd])) ++runEnd;
            const bool afterOpening = !tightened.empty() && tightened.back() == '[';
            const bool beforeClosing = runEnd < text.size() && text[runEnd] == ']';
            if (!afterOpening && !beforeClosing) tightened.append(text, index, runEnd - index);
            index = runEnd - 1;
            continue;
        }
        tightened.push_back(byte);
    }
    return tightened;
}

// Splits as a field splitter does: text before the first separator run is a field even
// when empty; nothing is produced after a final run.
template <class IsSeparator>
std::vector<std::string> SplitFields(const std::string& text, IsSeparator isSeparator, bool runs)
{
    std::vector<std::string> fields;
    std::size_t start = 0;
    std::size_t index = 0;
    while (index < text.size()) {
        if (!isSeparator(text[index])) {
            ++index;
            continue;
        }
        fields.push_back(text.substr(start, index - start));
        ++index;
        while (runs && index < text.size() && isSeparator(text[index])) ++index;
        start = index;
    }
    if (start < text.size()) fields.push_back(text.substr(start));
    return fields;
}

bool ParseOperator(const std::string& keyword, ConditionOperator& op)
{
    static const struct {
        const char* keyword;
        ConditionOperator op;
    } kKeywords[] = {
        {"e", ConditionOperator::Equal},       {"n_e", ConditionOperator::NotEqual},
        {"l", ConditionOperator::Less},        {"m", ConditionOperator::More},
        {"l_e", ConditionOperator::LessOrEqual}, {"m_e", ConditionOperator::MoreOrEqual},
        {"ex", ConditionOperator::Exists},     {"n_ex", ConditionOperator::NotExists},
    };
    for (const auto& entry : kKeywords) {
        if (keyword == entry.keyword) {
            op = entry.op;
            return true;
        }
    }
    return false;
}

// SettingPart := Word+ ['[' Word* ']']
bool ParseSettingPart(const std::string& part, CCondition& term)
{
    std::size_t index = 0;
    while (index < part.size() && IsWordByte(part[index])) ++index;
    if (index == 0) return false;
    term.settingName = part.substr(0, index);
    if (index == part.size()) return true;
    if (part[index] != '[' || part.back() != ']' || part.size() - index < 2) return false;
    const std::string inside = part.substr(index + 1, part.size() - index - 2);
    for (char byte : inside) {
        if (!IsWordByte(byte)) return false;
    }
    term.defaultValue = inside;
    return true;
}

// Operand := SectionPart '.' SettingPart
void ParseOperand(const std::string& conditionText, const std::string& operand, CCondition& term)
{
    const CParserError invalid(conditionText, "invalid syntax");
    const std::vector<std::string> fields = SplitFields(operand, [](char byte) { return byte == '.'; }, false);
    if (fields.size() != 2) throw invalid;
    const std::string& sectionPart = fields[0];
    if (sectionPart.empty()) throw invalid;
    const std::size_t star = sectionPart.find('*');
    if (star != std::string::npos) {
        if (sectionPart.find('*', star + 1) != std::string::npos) throw invalid;
        term.sectionPattern = sectionPart.substr(0, star) + kNameTemplatePattern + sectionPart.substr(star + 1);
    }
    term.sectionName = sectionPart;
    if (fields[1].empty() || !ParseSettingPart(fields[1], term)) throw invalid;
}

// Term := Operand Keyword [Value]
CCondition ParseTerm(const std::string& conditionText, const ConditionGroup& group)
{
    const std::vector<std::string>& tokens = group.tokens;
    if (tokens.size() < 2) throw CParserError(conditionText, "invalid syntax");
    CCondition term;
    term.isAnd = group.isAnd;
    ParseOperand(conditionText, tokens[0], term);
    if (!ParseOperator(tokens[1], term.op)) {
        throw CParserError(conditionText, "unrecognized condition '" + tokens[1] + "'");
    }
    if (term.op == ConditionOperator::Exists || term.op == ConditionOperator::NotExists) {
        if (tokens.size() > 2) throw CParserError(conditionText, "unrecognized lexeme '" + tokens[2] + "'");
    } else {
        if (tokens.size() != 3) throw CParserError(conditionText, "invalid syntax");
        term.value = tokens[2];
    }
    return term;
}

}  // namespace

std::vector<ConditionGroup> SplitConditionText(const std::string& text)
{
    const std::vector<std::string> tokens = SplitFields(TightenBrackets(text), IsWhiteSpace, true);
    std::vector<ConditionGroup> groups;
    ConditionGroup current;
    for (const std::string& token : tokens) {
        if (token == "or" || token == "and") {
            groups.push_back(std::move(current));
            current = ConditionGroup();
            current.isAnd = token == "and";
        } else {
            current.tokens.push_back(token);
        }
    }
    groups.push_back(std::move(current));
    return groups;
}

ConditionList ParseConditions(const std::string& text)
{
    ConditionList terms;
    for (const ConditionGroup& group : SplitConditionText(text)) terms.push_back(ParseTerm(text, group));
    return terms;
}

void AttachConditions(const std::string& caseText, const std::string& defaultText, ConditionList& conditions)
{
    if (caseText.empty()) return;
    conditions = ParseConditions(caseText);
    if (!conditions.empty() && !conditions.front().defaultValue.HasValue()) {
        conditions.front().defaultValue = defaultText;
    }
}
