#include "actions/SectionActions.h"

#include "TestSupport.h"
#include "condition/ConditionParser.h"
#include "match/NamePattern.h"
#include "console/Messages.h"

#include <gtest/gtest.h>

#include <regex>

namespace {

using TestSupport::CapturedConsole;
using TestSupport::Warning;
using TestSupport::ImageFromText;
using TestSupport::TextWithoutStamp;

TEST(NamePattern, TemplatesBecomeLowerCasedPatterns)
{
    EXPECT_EQ(MakeNamePattern("Port"), "");
    EXPECT_EQ(MakeNamePattern("Port*"), "port[a-zA-Z0-9_.-]{0,100}[\\*]{0,1}");
    EXPECT_EQ(MakeNamePattern("A*B*"),
              "a[a-zA-Z0-9_.-]{0,100}[\\*]{0,1}b[a-zA-Z0-9_.-]{0,100}[\\*]{0,1}");
}

TEST(SectionRemove, TemplateRemovesEveryMatchAndNothingElse)
{
    CIniFileImage image = ImageFromText("[a1]\n[A2]\n[b]\n[a 3]\n[Port*]\n");
    CSectionRemoveAction("A*", false).Execute(image);
    EXPECT_EQ(TextWithoutStamp(image), "\n[b]\n\n[a 3]\n\n[Port*]\n");
    CSectionRemoveAction("port*", false).Execute(image);
    EXPECT_EQ(TextWithoutStamp(image), "\n[b]\n\n[a 3]\n");
}

// In a UTF-8 file a template matches the folded names.
TEST(SectionRemove, Utf8TemplateMatchesFoldedNames)
{
    CIniFileImage image = ImageFromText("[Zone1]\n[zone2]\n[ZONE3]\n[Other]\nk=\xD0\xB8\n");
    ASSERT_EQ(image.FileEncoding(), TextEncoding::Utf8);
    CSectionRemoveAction("Zone*", false).Execute(image);
    EXPECT_EQ(TextWithoutStamp(image), "\n[Other]\nk=\xD0\xB8\n");
}

TEST(SectionRemove, TemplateMatchingNothingIsSilent)
{
    CapturedConsole console;
    CIniFileImage image = ImageFromText("[b]\nx=1\n");
    CSectionRemoveAction("zz*", false).Execute(image);
    CSectionRemoveAction("Missing", false).Execute(image);
    EXPECT_EQ(TextWithoutStamp(image), "\n[b]\nx=1\n");
    EXPECT_EQ(console.Text(), "");
}

TEST(SectionAdd, TemplateIsRefusedWithItsWarningEveryExecution)
{
    CapturedConsole console;
    CIniFileImage image;
    CSectionAddAction action("New*", false);
    action.Execute(image);
    action.Execute(image);
    EXPECT_TRUE(image.Sections().empty());
    EXPECT_EQ(console.Text(), Warning(Messages::kAddSectionTemplate, "New*") +
                                  Warning(Messages::kAddSectionTemplate, "New*"));
}

TEST(SectionAdd, ValidateWarnsBeforeConditionsAreLookedAt)
{
    CapturedConsole console;
    CIniFileImage image;
    CSectionAddAction action("New*", false);
    AttachConditions("A.b ex", "", action.conditions);
    action.Execute(image);
    EXPECT_EQ(console.Text(), Warning(Messages::kAddSectionTemplate, "New*"));
}

TEST(SectionRename, OntoAnExistingNameIsRefused)
{
    CapturedConsole console;
    CIniFileImage image = ImageFromText("[Old]\nx=1\n[new]\n");
    CSectionRenameAction("New", "Old", false).Execute(image);
    EXPECT_EQ(console.Take(), Warning(Messages::kCannotRenameSection, "Old", "New", "New"));
    CSectionRenameAction("old", "Old", false).Execute(image);
    EXPECT_EQ(console.Take(), Warning(Messages::kCannotRenameSection, "Old", "old", "old"));
    EXPECT_EQ(TextWithoutStamp(image), "\n[Old]\nx=1\n\n[new]\n");
}

TEST(SectionRename, TemplateRenamesTheFirstAndRefusesTheRest)
{
    CapturedConsole console;
    CIniFileImage image = ImageFromText("[Sec2]\nb=2\n[Sec1]\na=1\n");
    CSectionRenameAction("Joined", "Sec*", false).Execute(image);
    EXPECT_EQ(TextWithoutStamp(image), "\n[Sec2]\nb=2\n\n[Joined]\na=1\n");
    EXPECT_EQ(console.Text(), Warning(Messages::kCannotRenameSection, "Sec2", "Joined", "Joined"));
}

TEST(SectionRename, TemplateAsNewNameIsRefused)
{
    CapturedConsole console;
    CIniFileImage image = ImageFromText("[A]\n");
    CSectionRenameAction("B*", "A", false).Execute(image);
    CSectionCopyAction("C*", "A", false).Execute(image);
    EXPECT_EQ(console.Text(), Warning(Messages::kRenameSectionTemplate, "B*") + Warning(Messages::kCopySectionTemplate, "C*"));
    EXPECT_EQ(TextWithoutStamp(image), "\n[A]\n");
}

TEST(SectionCopy, CopyIsWrittenLastWithTheSettingsInOrder)
{
    CIniFileImage image = ImageFromText("; header comment\n[A]\nz=1\n; about y\ny\nx=\n[B]\nk=v\n");
    CSectionCopyAction("C", "A", false).Execute(image);
    EXPECT_EQ(TextWithoutStamp(image),
              "\n; header comment\n[A]\nz=1\n; about y\ny\nx=\n\n[B]\nk=v\n\n[C]\nz=1\n; about y\ny\nx=\n");
}

TEST(SectionRegexMode, NamesArePatternsOverLowerCasedNamesAndAddIsRefused)
{
    CapturedConsole console;
    CIniFileImage image = ImageFromText("[Main]\n[Other]\n");
    CSectionRemoveAction("Main", true).Execute(image);
    EXPECT_EQ(TextWithoutStamp(image), "\n[Main]\n\n[Other]\n");
    CSectionAddAction("plain", true).Execute(image);
    EXPECT_EQ(console.Text(), Warning(Messages::kAddSectionTemplate, "plain"));
    CSectionRemoveAction("m.in", true).Execute(image);
    EXPECT_EQ(TextWithoutStamp(image), "\n[Other]\n");
}

TEST(SectionActions, InvalidPatternThrowsOnlyWhenThereAreSections)
{
    CIniFileImage empty;
    EXPECT_NO_THROW(CSectionRemoveAction("(", true).Execute(empty));
    CIniFileImage image = ImageFromText("[A]\n");
    EXPECT_THROW(CSectionRemoveAction("(", true).Execute(image), std::regex_error);
    EXPECT_THROW(CSectionRemoveAction("a(*", false).Execute(image), std::regex_error);
}

TEST(SectionActions, FalseConditionChangesNothing)
{
    CIniFileImage image = ImageFromText("[A]\nv=1\n");
    CSectionRemoveAction action("A", false);
    AttachConditions("A.v e 2", "", action.conditions);
    action.Execute(image);
    EXPECT_NE(image.FindSection("A"), nullptr);
}

}  // namespace
