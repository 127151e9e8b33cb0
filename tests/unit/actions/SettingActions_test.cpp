#include "actions/SettingActions.h"

#include "TestSupport.h"
#include "actions/SectionContAction.h"
#include "console/Messages.h"

#include <gtest/gtest.h>


namespace {

using TestSupport::CapturedConsole;
using TestSupport::Warning;
using TestSupport::ImageFromText;
using TestSupport::TextWithoutStamp;

// Runs one setting action, held by a section action for `sectionName`, on the text.
template <class Action, class... Arguments>
std::string After(const std::string& iniText, const std::string& sectionName, const std::string& settingName,
                  Arguments... arguments)
{
    CIniFileImage image = ImageFromText(iniText);
    CSectionContAction owner(sectionName, false);
    owner.settingActions.push_back(std::make_unique<Action>(owner, settingName, arguments...));
    owner.Execute(image);
    return TextWithoutStamp(image);
}

TEST(SettingSetValue, EveryDuplicateGetsTheValueAndMissingOnesAreNotCreated)
{
    EXPECT_EQ(After<CSettingSetValueAction>("[S]\nPort=1\nx\nport\n", "S", "PORT", std::string("8080")),
              "\n[S]\nPort=8080\nx\nport=8080\n");
    EXPECT_EQ(After<CSettingSetValueAction>("[S]\nx=1\n", "S", "Port", std::string("8080")), "\n[S]\nx=1\n");
}

TEST(SettingRename, DuplicatesStayInPlaceAndAnExistingNameIsNotChecked)
{
    EXPECT_EQ(After<CSettingRenameAction>("[S]\na=1\nb=2\nA=3\n", "S", "a", std::string("b")),
              "\n[S]\nb=1\nb=2\nb=3\n");
}

TEST(SettingRename, NewNameDifferingOnlyInCaseRenamesEachOnce)
{
    EXPECT_EQ(After<CSettingRenameAction>("[S]\nkey=1\nKEY=2\n", "S", "key", std::string("Key")),
              "\n[S]\nKey=1\nKey=2\n");
}

TEST(SettingAdd, ExistingAbsentAndEmptyValues)
{
    EXPECT_EQ(After<CSettingAddAction>("[S]\nk=1\nz=2\n", "S", "k", COptional<std::string>()), "\n[S]\nk=1\nz=2\nk\n");
    EXPECT_EQ(After<CSettingAddAction>("[S]\n", "S", "k", COptional<std::string>(std::string())), "\n[S]\nk=\n");
}

TEST(SettingAdd, MissingSectionWarnsAndTemplateNameIsRefused)
{
    CapturedConsole console;
    EXPECT_EQ(After<CSettingAddAction>("[S]\n", "T", "k", COptional<std::string>(std::string("1"))), "\n[S]\n");
    EXPECT_EQ(console.Take(), Warning(Messages::kSectionNotDefined, "T", "k"));

    CSectionContAction owner("S", false);
    CSettingAddAction action(owner, "k*", COptional<std::string>());
    EXPECT_FALSE(action.Validate());
    EXPECT_EQ(console.Take(), Warning(Messages::kAddSettingTemplate, "k*"));
    CSettingRenameAction rename(owner, "k", "n*");
    EXPECT_FALSE(rename.Validate());
    EXPECT_EQ(console.Take(), Warning(Messages::kRenameSettingTemplate, "n*"));
}

TEST(SettingCopy, CopyTakesTheSourceOrderNumber)
{
    EXPECT_EQ(After<CSettingCopyAction>("[A]\n; c\nk=1\n[B]\nx=2\n", "A", "k", std::string("B")),
              "\n[A]\n; c\nk=1\n\n[B]\n; c\nk=1\nx=2\n");
}

TEST(SettingCopy, IntoItsOwnSectionCopiesEachSettingOnce)
{
    EXPECT_EQ(After<CSettingCopyAction>("[A]\nk=1\nk=2\n", "A", "k", std::string("A")), "\n[A]\nk=1\nk=1\nk=2\nk=2\n");
}

TEST(SettingMove, ToATemplateTargetCopiesIntoEachThenRemoves)
{
    EXPECT_EQ(After<CSettingMoveAction>("[Src]\nk=1\nx=0\n[T1]\n[T2]\n[Other]\n", "Src", "k", std::string("t*")),
              "\n[Src]\nx=0\n\n[T1]\nk=1\n\n[T2]\nk=1\n\n[Other]\n");
}

TEST(SettingMove, NothingCopiedMeansNothingRemoved)
{
    EXPECT_EQ(After<CSettingMoveAction>("[A]\nk=1\n", "A", "k", std::string("Missing")), "\n[A]\nk=1\n");
    EXPECT_EQ(After<CSettingMoveAction>("[A]\nk=1\n", "A", "k", std::string("Z*")), "\n[A]\nk=1\n");
}

TEST(SettingMove, TargetsHoldingItsOwnSectionLeaveTheSettingInPlace)
{
    EXPECT_EQ(After<CSettingMoveAction>("[A1]\nk=1\n[A2]\n", "A1", "k", std::string("a*")),
              "\n[A1]\nk=1\n\n[A2]\nk=1\n");
}

TEST(SettingRemove, TemplateRemovesEveryMatchingSetting)
{
    EXPECT_EQ(After<CSettingRemoveAction>("[S]\nport1=1\nPORT2=2\nhost=3\nport1\n", "S", "port*"), "\n[S]\nhost=3\n");
}

TEST(SettingScale, EmptyAndBareValues)
{
    EXPECT_EQ(After<CSettingMultiplyAction>("[S]\na=\nb\nc= 5\n", "S", "a", std::string("5")), "\n[S]\na=0\nb\nc= 5\n");
    EXPECT_EQ(After<CSettingMultiplyAction>("[S]\nb\n", "S", "b", std::string("1.5")), "\n[S]\nb=0.0\n");
    EXPECT_EQ(After<CSettingDivideAction>("[S]\nc= 5\nd=9\n", "S", "*", std::string("2")), "\n[S]\nc= 5\nd=5\n");
}

TEST(SettingActions, SectionTemplateOfTheOwnerSelectsEverySection)
{
    EXPECT_EQ(After<CSettingSetValueAction>("[Net1]\np=1\n[Net2]\np=2\n[Other]\np=3\n", "net*", "p", std::string("0")),
              "\n[Net1]\np=0\n\n[Net2]\np=0\n\n[Other]\np=3\n");
}

}  // namespace

namespace {

// A move or a copy selects its own sections first: an invalid template there fails the
// step whether or not a section matches the target.
TEST(SettingMoveAndCopy, AnInvalidOwnerTemplateFailsWhetherOrNotATargetExists)
{
    for (const bool copy : {false, true}) {
        for (const char* ini : {"[b]\nk=1\n", "[b]\nk=1\n[t1]\n"}) {
            CIniFileImage image = TestSupport::ImageFromText(ini);
            auto section = std::make_shared<CSectionContAction>("a(*", false);
            if (copy) {
                section->settingActions.push_back(std::make_unique<CSettingCopyAction>(*section, "k", "t*"));
            } else {
                section->settingActions.push_back(std::make_unique<CSettingMoveAction>(*section, "k", "t*"));
            }
            EXPECT_THROW(section->Execute(image), std::regex_error) << ini << (copy ? " copy" : " move");
        }
    }
}

}  // namespace
