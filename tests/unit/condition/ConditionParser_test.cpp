#include "condition/ConditionParser.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

using testing::StrEq;
using testing::Throws;
using testing::Property;

namespace {

void ExpectParseError(const std::string& text, const std::string& message)
{
    EXPECT_THAT([&] { ParseConditions(text); },
                Throws<std::exception>(Property(&std::exception::what, StrEq(message + " in line: " + text))))
        << text;
}

TEST(ConditionParser, OneTerm)
{
    const ConditionList terms = ParseConditions("Main.Version e 5");
    ASSERT_EQ(terms.size(), 1u);
    EXPECT_TRUE(terms[0].isAnd);
    EXPECT_EQ(terms[0].sectionName, "Main");
    EXPECT_EQ(terms[0].settingName, "Version");
    EXPECT_EQ(terms[0].sectionPattern, "");
    EXPECT_EQ(terms[0].op, ConditionOperator::Equal);
    EXPECT_EQ(terms[0].value.Value(), "5");
    EXPECT_FALSE(terms[0].defaultValue.HasValue());
}

TEST(ConditionParser, ConnectorsJoinTermsInOrder)
{
    const ConditionList terms = ParseConditions("a.b ex or c.d n_e 1 and e.f l_e 3");
    ASSERT_EQ(terms.size(), 3u);
    EXPECT_TRUE(terms[0].isAnd);
    EXPECT_FALSE(terms[1].isAnd);
    EXPECT_TRUE(terms[2].isAnd);
    EXPECT_EQ(terms[0].op, ConditionOperator::Exists);
    EXPECT_FALSE(terms[0].value.HasValue());
    EXPECT_EQ(terms[1].op, ConditionOperator::NotEqual);
    EXPECT_EQ(terms[2].op, ConditionOperator::LessOrEqual);
}

TEST(ConditionParser, EveryKeyword)
{
    const std::pair<const char*, ConditionOperator> keywords[] = {
        {"e", ConditionOperator::Equal},        {"n_e", ConditionOperator::NotEqual},
        {"l", ConditionOperator::Less},         {"m", ConditionOperator::More},
        {"l_e", ConditionOperator::LessOrEqual}, {"m_e", ConditionOperator::MoreOrEqual}};
    for (const auto& [keyword, op] : keywords) {
        EXPECT_EQ(ParseConditions(std::string("A.b ") + keyword + " 1").front().op, op) << keyword;
    }
    EXPECT_EQ(ParseConditions("A.b n_ex").front().op, ConditionOperator::NotExists);
}

TEST(ConditionParser, BracketDefaults)
{
    EXPECT_EQ(ParseConditions("A.b[ 7 ] e 3").front().defaultValue.Value(), "7");
    const ConditionList empty = ParseConditions("A.b[] e 3");
    EXPECT_TRUE(empty.front().defaultValue.HasValue());
    EXPECT_EQ(empty.front().defaultValue.Value(), "");
    EXPECT_EQ(ParseConditions("A.b[\t] e 3").front().defaultValue.Value(), "");
}

// Any setting name the rest of a scheme accepts: '-' and letters of any script, in either
// encoding, in the name and in its default.
TEST(ConditionParser, SettingNamesOfAnyScript)
{
    const struct {
        const char* text;
        const char* setting;
        const char* defaultValue;
    } rows[] = {
        {"Net.time-out e 1", "time-out", nullptr},
        {"\xD0\xA1\xD0\xB5\xD1\x82\xD1\x8C.\xD0\xA2\xD0\xB0\xD0\xB9\xD0\xBC l 100", "\xD0\xA2\xD0\xB0\xD0\xB9\xD0\xBC", nullptr},
        {"Net.\xD2\xE0\xE9\xEC[-1] e 1", "\xD2\xE0\xE9\xEC", "-1"},
    };
    for (const auto& row : rows) {
        const ConditionList terms = ParseConditions(row.text);
        ASSERT_EQ(terms.size(), 1u) << row.text;
        EXPECT_EQ(terms[0].settingName, row.setting);
        EXPECT_EQ(terms[0].defaultValue.HasValue(), row.defaultValue != nullptr);
        if (row.defaultValue != nullptr) {
            EXPECT_EQ(terms[0].defaultValue.Value(), row.defaultValue);
        }
    }
}

TEST(ConditionParser, TemplateInTheSectionPart)
{
    const ConditionList terms = ParseConditions("Sec*.b ex");
    EXPECT_EQ(terms.front().sectionPattern, "Sec[a-zA-Z0-9_.-]{0,100}[\\*]{0,1}");
    EXPECT_EQ(terms.front().sectionName, "Sec*");
    ExpectParseError("Sec**.b ex", "invalid syntax");
    ExpectParseError("S*c*.b ex", "invalid syntax");
}

TEST(ConditionParser, SyntaxErrors)
{
    for (const char* text : {"a.b.c e 1", "a e 1", "a. e 1", ".b e 1", "A.b+c e 1", "A.b[1.5] e 1", "A.b e",
                             "A.b e 1 2", "A.b ex or", "and A.b ex", "A.b e 1 AND c.d e 2", " A.b e 1", "A.b",
                             "A.[x] e 1", "A.b[x e 1"}) {
        ExpectParseError(text, "invalid syntax");
    }
}

TEST(ConditionParser, UnknownKeywordsAndExtraTokens)
{
    ExpectParseError("Main.Version eq 5", "unrecognized condition 'eq'");
    ExpectParseError("A.b E 1", "unrecognized condition 'E'");
    ExpectParseError("A.b ex 1", "unrecognized lexeme '1'");
    ExpectParseError("A.b n_ex x y", "unrecognized lexeme 'x'");
}

TEST(ConditionParser, TrailingBlanksAreHarmless)
{
    EXPECT_EQ(ParseConditions("A.b e 1  \t").size(), 1u);
}

TEST(AttachConditions, DefaultTextGoesToTheFirstTermOnly)
{
    ConditionList conditions;
    AttachConditions("Net.Port m 1024 and Net.Mode e 2", "0", conditions);
    ASSERT_EQ(conditions.size(), 2u);
    EXPECT_EQ(conditions[0].defaultValue.Value(), "0");
    EXPECT_FALSE(conditions[1].defaultValue.HasValue());

    AttachConditions("Net.Port[80] m 1024", "0", conditions);
    EXPECT_EQ(conditions[0].defaultValue.Value(), "80");

    AttachConditions("Net.Port m 1024", "", conditions);
    EXPECT_TRUE(conditions[0].defaultValue.HasValue());

    ConditionList untouched;
    AttachConditions("", "7", untouched);
    EXPECT_TRUE(untouched.empty());
}

}  // namespace
