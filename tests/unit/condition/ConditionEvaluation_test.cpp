#include "condition/ConditionEvaluation.h"

#include "TestSupport.h"
#include "condition/ConditionParser.h"
#include "ini/IniFileImage.h"

#include <gtest/gtest.h>

#include <regex>

namespace {

using TestSupport::ImageFromText;

bool Holds(const std::string& condition, const std::string& iniText, const std::string& defaultText = "")
{
    const CIniFileImage image = ImageFromText(iniText);
    ConditionList conditions;
    AttachConditions(condition, defaultText, conditions);
    return EvaluateConditions(conditions, image);
}

TEST(ConditionEvaluation, NumbersAndTexts)
{
    EXPECT_TRUE(Holds("Main.Version e 5", "[Main]\nVersion=05\n"));
    EXPECT_FALSE(Holds("Main.Version e 5", "[Main]\nVersion=5.0\n"));
    EXPECT_TRUE(Holds("Main.Version l 10", "[Main]\nVersion=9\n"));
    EXPECT_FALSE(Holds("Main.Version l 10", "[Main]\nVersion=9a\n"));
    EXPECT_FALSE(Holds("Main.Level m 3", "[Main]\nLevel=-5\n"));
    EXPECT_FALSE(Holds("Main.Level m 3", "[Main]\nLevel=-1\n"));
    EXPECT_FALSE(Holds("Main.Mode e On", "[Main]\nMode=on\n"));
    EXPECT_TRUE(Holds("main.mode e on", "[Main]\nMode=on\n"));
    EXPECT_TRUE(Holds("Main.Mode m \xE0", "[Main]\nMode=\xE1\n"));
    EXPECT_TRUE(Holds("Main.Mode l ab", "[Main]\nMode=a\n"));
}

TEST(ConditionEvaluation, LongDigitStringsCompareExactly)
{
    const std::string big = "123456789012345678901234567890";
    EXPECT_TRUE(Holds("S.v m " + big, "[S]\nv=" + big + "1\n"));
    EXPECT_TRUE(Holds("S.v e " + big, "[S]\nv=000" + big + "\n"));
    EXPECT_TRUE(Holds("S.v l " + big, "[S]\nv=99999999999999999999999\n"));
    EXPECT_TRUE(Holds("S.v e 0", "[S]\nv=0000\n"));
}

TEST(ConditionEvaluation, DefaultsOnlyForMissingSettings)
{
    EXPECT_TRUE(Holds("Main.Missing e 0", "[Main]\n"));
    EXPECT_TRUE(Holds("Main.Missing[7] e 7", "[Main]\n"));
    EXPECT_FALSE(Holds("Main.Missing[7] e 7", "[Main]\nMissing=3\n"));
    EXPECT_TRUE(Holds("Main.Key e 0", "[Main]\nKey\n", "5"));
    EXPECT_TRUE(Holds("Gone.Key e 5", "[Main]\n", "5"));
}

TEST(ConditionEvaluation, ExistenceIgnoresDefaults)
{
    EXPECT_FALSE(Holds("Main.Key ex", "[Other]\nKey=1\n"));
    EXPECT_TRUE(Holds("Main.Key n_ex", "[Other]\nKey=1\n"));
    EXPECT_TRUE(Holds("main.KEY ex", "[Main]\nKey\n"));
    EXPECT_FALSE(Holds("Main.Key[1] ex", "[Main]\n"));
}

TEST(ConditionEvaluation, ConnectorsFoldLeftWithoutPrecedence)
{
    EXPECT_FALSE(Holds("P.x e 1 or Q.y e 2 and R.z e 3", "[P]\nx=1\n[Q]\ny=0\n[R]\nz=0\n"));
    EXPECT_TRUE(Holds("P.x e 0 and Q.y e 2 or R.z e 0", "[P]\nx=1\n[Q]\ny=0\n[R]\nz=0\n"));
}

TEST(ConditionEvaluation, SectionPatternTakesTheFirstMatchCaseSensitively)
{
    const std::string ini = "[Sec2]\nPort=80\n[Sec1]\nPort=81\n[net1]\nPort=80\n";
    EXPECT_FALSE(Holds("Sec*.Port e 80", ini));
    EXPECT_TRUE(Holds("Sec*.Port e 81", ini));
    EXPECT_FALSE(Holds("Net*.Port ex", ini));
    EXPECT_FALSE(Holds("Zed*.Port ex", ini));
    // A UTF-8 file too: letter case counts in either encoding.
    const std::string utf8 = "[net]\ntimeout=1\n[\xD1\x81\xD0\xB5\xD1\x82\xD1\x8C]\nk=1\n";
    EXPECT_FALSE(Holds("N*.timeout ex", utf8));
    EXPECT_TRUE(Holds("n*.timeout ex", utf8));
}

// Each operator at a value smaller than, equal to and larger than the operand, as
// numbers and as texts.
TEST(ConditionEvaluation, EveryComparisonAtSmallerEqualAndLarger)
{
    const struct {
        const char* op;
        bool smaller, equal, larger;
    } table[] = {
        {"e", false, true, false}, {"n_e", true, false, true}, {"l", true, false, false},
        {"m", false, false, true}, {"l_e", true, true, false}, {"m_e", false, true, true},
    };
    for (const auto& row : table) {
        const std::string condition = std::string("S.v ") + row.op + " 5";
        EXPECT_EQ(Holds(condition, "[S]\nv=4\n"), row.smaller) << row.op;
        EXPECT_EQ(Holds(condition, "[S]\nv=5\n"), row.equal) << row.op;
        EXPECT_EQ(Holds(condition, "[S]\nv=12\n"), row.larger) << row.op;
        const std::string text = std::string("S.v ") + row.op + " b";
        EXPECT_EQ(Holds(text, "[S]\nv=a\n"), row.smaller) << row.op;
        EXPECT_EQ(Holds(text, "[S]\nv=b\n"), row.equal) << row.op;
        EXPECT_EQ(Holds(text, "[S]\nv=c\n"), row.larger) << row.op;
    }
}

// An invalid section pattern fails on any file, one without sections included.
TEST(ConditionEvaluation, InvalidSectionPatternFailsEvenWithoutSections)
{
    for (const std::string ini : {"", "k=1\n", "[A]\n"}) {
        EXPECT_THROW(Holds("S(*.x n_ex", ini), std::regex_error) << ini;
    }
}

TEST(ConditionEvaluation, DigitsOnly)
{
    EXPECT_TRUE(IsDigitsOnly(""));
    EXPECT_TRUE(IsDigitsOnly("0123"));
    EXPECT_FALSE(IsDigitsOnly("-1"));
    EXPECT_FALSE(IsDigitsOnly("1.0"));
    EXPECT_FALSE(IsDigitsOnly("\xB9"));
}

}  // namespace
