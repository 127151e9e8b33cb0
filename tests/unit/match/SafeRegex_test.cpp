#include "match/SafeRegex.h"

#include "TestSupport.h"
#include "condition/ConditionEvaluation.h"
#include "condition/ConditionParser.h"
#include "match/NamePattern.h"
#include "ini/IniFileImage.h"
#include "platform/Platform.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

#include <algorithm>
#include <regex>

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

// Invalid patterns and patterns beyond the limits get the engine's kind of error.
TEST(SafeRegex, InvalidAndOversizedPatternsRaiseTheEnginesError)
{
    const std::string nested = std::string(CSafeRegex::kMaxGroupDepth, '(') + "a" +
                               std::string(CSafeRegex::kMaxGroupDepth, ')');
    EXPECT_NO_THROW(CSafeRegex(nested).Matches("a"));
    EXPECT_NO_THROW(CSafeRegex("[(]{0,10000}" + std::string(9988, 'x')));
    EXPECT_NO_THROW(CSafeRegex("\\(x,123456"));
    for (const std::string& pattern :
         {std::string("("), std::string("a{2,1}"), std::string(CSafeRegex::kMaxPatternBytes + 1, 'x'),
          "(" + nested + ")", std::string("a{10001}"), std::string("a{1,99999999999999999999}"),
          std::string(20000, '(')}) {
        EXPECT_THROW(CSafeRegex{pattern}, std::regex_error) << pattern.substr(0, 40);
    }
}

// Back-references run on the backtracking matcher: the true result whatever the
// text's length, or an error naming the pattern, within seconds.
TEST(SafeRegex, BackReferencesGiveTheTrueResultOrAnError)
{
    CSafeRegex::ResetRunBudget();  // each test has a run\'s budget of its own
    const CSafeRegex pattern("(a+)b\\1");
    EXPECT_TRUE(pattern.Matches("aabaa"));
    EXPECT_FALSE(pattern.Matches("aaba"));
    const std::string half(20000, 'a');
    EXPECT_TRUE(pattern.Matches(half + "b" + half));
    EXPECT_FALSE(pattern.Matches(half + "b" + half + "c"));
    EXPECT_TRUE(CSafeRegex("(a)\\1.*").Matches(std::string(1500, 'a')));
    EXPECT_TRUE(CSafeRegex("(a)\\1.*").Matches(std::string(CSafeRegex::kMaxBacktrackingTextBytes, 'a')));
    const std::string tooCostly = "regular expression too costly to match: (a*)*\\1b";
    EXPECT_THAT([] { CSafeRegex("(a*)*\\1b").Matches(std::string(26, 'a')); },
                testing::ThrowsMessage<std::runtime_error>(testing::StrEq(tooCostly)));
    EXPECT_THROW(CSafeRegex("(a)\\1.*").Matches(std::string(CSafeRegex::kMaxBacktrackingTextBytes + 1, 'a')),
                 std::runtime_error);
}

// Many costly names share one budget: the run fails once it is spent, not after each
// name has had a budget of its own.
TEST(SafeRegex, CostlyNamesShareTheRunsBudget)
{
    CSafeRegex::ResetRunBudget(1500);
    const CSafeRegex pattern("^(a+)+\\1$");
    int matched = 0;
    try {
        for (; matched < 40; ++matched) pattern.Matches(std::string(28, 'a') + "b");
    } catch (const std::runtime_error& error) {
        EXPECT_THAT(error.what(), testing::StartsWith("regular expression too costly to match: "));
    }
    CSafeRegex::ResetRunBudget();
    EXPECT_LT(matched, 40);
}

// A 200,000-character name must neither overflow the stack nor take exponential time.
TEST(SafeRegex, LongNamesAgainstHostilePatterns)
{
    CSafeRegex::ResetRunBudget();  // each test has a run\'s budget of its own
    const std::string longName(200000, 'x');
    EXPECT_TRUE(CSafeRegex(".*").Matches(longName));
    EXPECT_TRUE(CSafeRegex("(x)*").Matches(longName));
    EXPECT_FALSE(CSafeRegex("((x|xx)+)+y").Matches(std::string(30, 'x')));
    EXPECT_FALSE(CSafeRegex("((x|xx)+)+y").Matches(longName));
    EXPECT_TRUE(CSafeRegex("(x|y)*", CSafeRegex::LetterCase::Insensitive).Matches(longName));
    // A short pattern that compiles large, against a long name it never stops matching:
    // an error, not minutes.
    EXPECT_THAT([] { CSafeRegex("((x|y)*){5000}z").Matches(std::string(1 << 20, 'x')); },
                testing::ThrowsMessage<std::runtime_error>(
                    testing::StrEq("regular expression too costly to match: ((x|y)*){5000}z")));
    // Groups only group (nothing is captured), in either letter case.
    EXPECT_TRUE(CSafeRegex("(x|y)*(xy)+((z))").Matches("yxxyxyz"));
    EXPECT_FALSE(CSafeRegex("(x|y)*(xy)+((z))").Matches("yxxyxz"));
    EXPECT_TRUE(CSafeRegex("(?:a|B)+(c)", CSafeRegex::LetterCase::Insensitive).Matches("AbaC"));
}

// Budgets are the matching thread's processor time: time it spends waiting for the
// processor (a busy machine) or asleep does not count; its own work does.
TEST(SafeRegex, BudgetsCountTheThreadsOwnProcessorTime)
{
    const std::int64_t beforeSleep = Platform::ThreadCpuMicroseconds();
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    EXPECT_LT(Platform::ThreadCpuMicroseconds() - beforeSleep, 100000);
    // Other threads keeping every processor busy while this one waits for it.
    std::atomic<bool> stop {false};
    std::vector<std::thread> spinners;
    for (unsigned index = 0; index < 2 * std::max(1u, std::thread::hardware_concurrency()); ++index) {
        spinners.emplace_back([&stop] {
            while (!stop) {
            }
        });
    }
    const std::int64_t beforeWork = Platform::ThreadCpuMicroseconds();
    volatile std::uint64_t sum = 0;
    for (std::uint64_t step = 0; step < 200000000u && Platform::ThreadCpuMicroseconds() - beforeWork < 50000; ++step) {
        sum = sum + step;
    }
    stop = true;
    for (std::thread& spinner : spinners) spinner.join();
    EXPECT_GE(Platform::ThreadCpuMicroseconds() - beforeWork, 50000);
}

TEST(SafeRegex, LongSectionNameThroughTheImageAndConditions)
{
    CSafeRegex::ResetRunBudget();  // each test has a run\'s budget of its own
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

namespace {

// Name templates are matched without the engine: the answer is the engine's for every
// template and name of a pseudo-random mix, '.' and the template's own bytes included.
TEST(SafeRegex, PlainTemplatesAnswerAsTheEngineDoes)
{
    const std::string alphabet = "ab.-_*\r\xE0Z9";
    unsigned seed = 11;
    const auto next = [&seed] { return seed = seed * 1103515245u + 12345u, (seed >> 16) % 10007; };
    const auto text = [&](std::size_t longest) {
        std::string made;
        for (std::size_t length = next() % (longest + 1); length > 0; --length) made += alphabet[next() % alphabet.size()];
        return made;
    };
    int plain = 0;
    for (int round = 0; round < 1000; ++round) {
        std::string before = text(3);
        std::string after = text(2);
        before.erase(std::remove(before.begin(), before.end(), '*'), before.end());
        after.erase(std::remove(after.begin(), after.end(), '*'), after.end());
        const std::string pattern = ReplaceStars(before + "*" + after);
        const CSafeRegex fast(pattern);
        plain += fast.IsPlainTemplate() ? 1 : 0;
        const std::regex engine(pattern);
        for (int name = 0; name < 8; ++name) {
            const std::string candidate = before.substr(0, next() % (before.size() + 1)) + text(4) + after;
            ASSERT_EQ(fast.Matches(candidate), std::regex_match(candidate, engine)) << pattern << " on " << candidate;
        }
    }
    EXPECT_EQ(plain, 1000);
    EXPECT_TRUE(CSafeRegex(ReplaceStars("x*")).Matches("x" + std::string(100, 'a') + "*"));
    EXPECT_FALSE(CSafeRegex(ReplaceStars("x*")).Matches("x" + std::string(101, 'a')));
    EXPECT_FALSE(CSafeRegex(ReplaceStars("x+*")).IsPlainTemplate());
}

}  // namespace
