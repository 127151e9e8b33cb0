#include "condition/SafeRegex.h"

#include "TestSupport.h"
#include "condition/ConditionParser.h"
#include "condition/ConditionEvaluation.h"
#include "ini/IniFileImage.h"

#include <gtest/gtest.h>

namespace {

TEST(SafeRegex, FullMatchAndSearch)
{
    const CSafeRegex pattern("ab+");
    EXPECT_TRUE(pattern.Matches("abbb"));
    EXPECT_FALSE(pattern.Matches("xabb"));
    EXPECT_TRUE(pattern.Search("xabb"));
}

TEST(SafeRegex, CaseInsensitiveFoldsCyrillicByTheCodePage)
{
    const CSafeRegex pattern("\xEA\xEB\xFE\xF7_[\xE0-\xFF]+", CSafeRegex::LetterCase::Insensitive);
    EXPECT_TRUE(pattern.Matches("\xCA\xCB\xDE\xD7_\xC0\xC1"));
    EXPECT_TRUE(CSafeRegex("client", CSafeRegex::LetterCase::Insensitive).Matches("CLIENT"));
    EXPECT_FALSE(CSafeRegex("client").Matches("CLIENT"));
}

TEST(SafeRegex, InvalidPatternsRaiseTheEnginesError)
{
    EXPECT_THROW(CSafeRegex("("), std::regex_error);
    EXPECT_THROW(CSafeRegex("a{2,1}"), std::regex_error);
}

TEST(SafeRegex, BackReferencesWorkOnShortTextsOnly)
{
    const CSafeRegex pattern("(a+)b\\1");
    EXPECT_TRUE(pattern.Matches("aabaa"));
    EXPECT_FALSE(pattern.Matches("aaba"));
    const std::string longText = std::string(3000, 'a') + "b" + std::string(3000, 'a');
    EXPECT_FALSE(pattern.Matches(longText));
}

// A 200,000-character name must neither overflow the stack nor take exponential time.
TEST(SafeRegex, LongNamesAgainstHostilePatterns)
{
    const std::string longName(200000, 'x');
    EXPECT_TRUE(CSafeRegex(".*").Matches(longName));
    EXPECT_TRUE(CSafeRegex("(x)*").Matches(longName));
    EXPECT_FALSE(CSafeRegex("((x|xx)+)+y").Matches(std::string(30, 'x')));
    EXPECT_FALSE(CSafeRegex("((x|xx)+)+y").Matches(longName));
    EXPECT_TRUE(CSafeRegex("(x|y)*", CSafeRegex::LetterCase::Insensitive).Matches(longName));
}

TEST(SafeRegex, LongSectionNameThroughTheImageAndConditions)
{
    const std::string longName(200000, 'a');
    const CIniFileImage image = TestSupport::ImageFromText("[" + longName + "]\nk=1\n");
    EXPECT_EQ(image.SelectSections(".*").size(), 1u);
    EXPECT_EQ(image.SelectSections("(a)*").size(), 1u);
    EXPECT_TRUE(image.SelectSections("((a|aa)+)+b").empty());
    ConditionList conditions;
    AttachConditions("a*.k ex", "", conditions);
    EXPECT_FALSE(EvaluateConditions(conditions, image));  // the template allows 100 characters only
}

}  // namespace
