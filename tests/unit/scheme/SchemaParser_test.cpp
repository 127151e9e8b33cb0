#include "scheme/SchemeLoader.h"

#include "TestSupport.h"
#include "actions/SectionActions.h"
#include "actions/SectionContAction.h"
#include "actions/SettingActions.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

using testing::StrEq;
using testing::ThrowsMessage;

namespace {

using TestSupport::TempFolder;
using TestSupport::WriteFile;

std::vector<FileConversion> Load(const std::string& scheme, bool sectionNameRegex = false)
{
    TempFolder folder;
    WriteFile(folder / "s.xml", scheme);
    CSchemaParser parser(sectionNameRegex);
    return LoadScheme(parser, folder / "s.xml");
}

template <class Action>
Action* As(const std::shared_ptr<CSectionAction>& action)
{
    return dynamic_cast<Action*>(action.get());
}

TEST(SchemaParser, ConvertHoldingTwoFilesGivesThreeRecords)
{
    const auto records = Load("<Convert><File name=\"a.ini\"/><File name=\"b.ini\" output_file=\"c.ini\"/></Convert>");
    ASSERT_EQ(records.size(), 3u);
    EXPECT_FALSE(records[0].inputName.HasValue());
    EXPECT_FALSE(records[0].outputName.HasValue());
    EXPECT_TRUE(records[0].sectionActions.Empty());
    EXPECT_EQ(records[1].inputName.Value(), "a.ini");
    EXPECT_EQ(records[2].outputName.Value(), "c.ini");
}

TEST(SchemaParser, FileLevelAttributesFirstOccurrenceTrimmedOfSpacesOnly)
{
    const auto records = Load("<Convert file=\"  settings.ini  \" file=\"second\" output_file=\"\tx \"/>");
    EXPECT_EQ(records[0].inputName.Value(), "settings.ini");
    EXPECT_EQ(records[0].outputName.Value(), "\tx");
}

TEST(SchemaParser, AttributeErrors)
{
    const std::pair<const char*, const char*> cases[] = {
        {"<Convert><File/></Convert>", "'name' attribute not found in 'File' element"},
        {"<Convert><File name=\"   \"/></Convert>", "empty 'name' attribute in 'File' element"},
        {"<Convert><File name=\"a\" output_file=\"\"/></Convert>", "empty 'output_file' attribute in 'File' element"},
        {"<Convert file=\" \"/>", "empty 'file' attribute in 'Convert' element"},
        {"<Convert output_file=\"\"/>", "empty 'output_file' attribute in 'Convert' element"},
        {"<Root><Section section_name=\"A\"/><Convert/></Root>",
         "'Section' element found outside of 'Convert' or 'File' element"},
    };
    for (const auto& [scheme, message] : cases) {
        EXPECT_THAT([&] { Load(scheme); }, ThrowsMessage<std::runtime_error>(StrEq(message))) << scheme;
    }
}

TEST(SchemaParser, SectionTablePrecedence)
{
    const auto records = Load(
        "<Convert file=\"a.ini\">"
        "<Section section_name=\"A\" section_to=\"B\" copy_to=\"C\"/>"
        "<Section section_name=\"A\" section_to=\"-\"/>"
        "<Section section_name=\"A\" section_to=\"+\"/>"
        "<Section section_name=\"A\" section_to=\" - \"/>"
        "<Section section_name=\"A\" copy_to=\"C\"/>"
        "<Section section_name=\"A\"><Setting setting_name=\"k\" copy_to=\"X\"/></Section>"
        "<Section section_to=\"-\"/>"
        "<section section_name=\"lower\" section_to=\"-\"/>"
        "</Convert>");
    const auto& actions = records[0].sectionActions.actions;
    ASSERT_EQ(actions.size(), 6u);
    ASSERT_NE(As<CSectionRenameAction>(actions[0]), nullptr);
    EXPECT_EQ(As<CSectionRenameAction>(actions[0])->newName, "B");
    EXPECT_NE(As<CSectionRemoveAction>(actions[1]), nullptr);
    EXPECT_NE(As<CSectionAddAction>(actions[2]), nullptr);
    EXPECT_EQ(As<CSectionRenameAction>(actions[3])->newName, " - ");
    EXPECT_NE(As<CSectionCopyAction>(actions[4]), nullptr);
    ASSERT_NE(As<CSectionContAction>(actions[5]), nullptr);
    EXPECT_EQ(As<CSectionContAction>(actions[5])->settingActions.size(), 1u);
}

TEST(SchemaParser, SettingValuePresentButEmptyAndLastOccurrenceWins)
{
    const auto records = Load(
        "<Convert file=\"a.ini\"><Section section_name=\"S\">"
        "<Setting setting_name=\"k\" setting_to=\"+\" setting_value=\"\"/>"
        "<Setting setting_name=\"j\" setting_to=\"+\"/>"
        "<Setting setting_name=\"v\" setting_value=\"1\" setting_value=\"2\"/>"
        "<Setting setting_name=\"e\" setting_value=\"\"/>"
        "</Section></Convert>");
    const auto* section = As<CSectionContAction>(records[0].sectionActions.actions.at(0));
    ASSERT_EQ(section->settingActions.size(), 3u);
    const auto* withEmpty = dynamic_cast<CSettingAddAction*>(section->settingActions[0].get());
    const auto* withNone = dynamic_cast<CSettingAddAction*>(section->settingActions[1].get());
    const auto* setValue = dynamic_cast<CSettingSetValueAction*>(section->settingActions[2].get());
    ASSERT_TRUE(withEmpty && withNone && setValue);
    EXPECT_TRUE(withEmpty->value.HasValue());
    EXPECT_FALSE(withNone->value.HasValue());
    EXPECT_EQ(setValue->value, "2");
}

TEST(SchemaParser, NestedSectionInnerValuesWinAndBothBuild)
{
    const auto records = Load(
        "<Convert file=\"a.ini\"><Section section_name=\"Outer\" case_section=\"A.b ex\">"
        "<Section section_name=\"Inner\"><Setting setting_name=\"k\" setting_to=\"-\"/></Section>"
        "</Section></Convert>");
    const auto& actions = records[0].sectionActions.actions;
    ASSERT_EQ(actions.size(), 2u);
    EXPECT_EQ(actions[0]->name, "Inner");
    EXPECT_EQ(actions[1]->name, "Inner");
    EXPECT_EQ(As<CSectionContAction>(actions[0])->settingActions.size(), 1u);
    EXPECT_EQ(actions[0]->conditions.size(), 1u);
}

TEST(SchemaParser, RecordsShareTheirActionsAndRegexModeReachesSections)
{
    const auto records = Load("<Convert file=\"a.ini\"><Section section_name=\"Main\" section_to=\"-\"/></Convert>", true);
    EXPECT_EQ(records[0].sectionActions.actions[0]->namePattern, "Main");
    const FileConversion copy(SchemeFileEntry{records[0].inputName, records[0].outputName, records[0].sectionActions});
    EXPECT_EQ(copy.sectionActions.actions[0].get(), records[0].sectionActions.actions[0].get());
}

TEST(SchemaParser, ConditionErrorEndsTheLoad)
{
    EXPECT_THAT([] { Load("<Convert><File name=\"a\"><Section section_name=\"A\" case_section=\"A.b eq 1\"/></File></Convert>"); },
                testing::Throws<std::exception>(testing::Property(
                    &std::exception::what, StrEq("unrecognized condition 'eq' in line: A.b eq 1"))));
}

TEST(SchemeLoader, LoadAndSyntaxTexts)
{
    TempFolder folder;
    CSchemaParser parser;
    EXPECT_THAT([&] { LoadScheme(parser, folder / "missing.xml"); },
                ThrowsMessage<std::runtime_error>(
                    StrEq("Could not load converter's scheme from XML-file \"" + (folder / "missing.xml") + "\".")));
    WriteFile(folder / "empty.xml", "");
    EXPECT_THAT([&] { LoadScheme(parser, folder / "empty.xml"); },
                ThrowsMessage<std::runtime_error>(testing::StartsWith("Could not load converter's scheme")));
    WriteFile(folder / "bad.xml", "<Convert>\n\n</Convert");
    EXPECT_THAT([&] { LoadScheme(parser, folder / "bad.xml"); },
                ThrowsMessage<std::runtime_error>(StrEq(
                    "An error occurred while parsing XML-scheme! Invalid syntax in XML-file '" + (folder / "bad.xml") +
                    "'\n[Line=3,  Error=\"Need node end tag\"]")));
}

}  // namespace
