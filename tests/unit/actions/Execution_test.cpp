#include "TestSupport.h"
#include "actions/ActionExecutorContainer.h"
#include "actions/SectionActions.h"
#include "actions/SectionContAction.h"
#include "actions/SettingActions.h"
#include "condition/ConditionParser.h"
#include "console/Messages.h"
#include "xml/XmlParser.h"

#include <gtest/gtest.h>

#include <functional>


namespace {

using TestSupport::CapturedConsole;
using TestSupport::ImageFromText;
using TestSupport::TextWithoutStamp;

std::unique_ptr<Xml::Library::DocumentNode<char>> ParseXml(const std::string& text)
{
    Xml::Library::Buffer<char> buffer;
    buffer.data = text.data();
    buffer.size = static_cast<std::uint32_t>(text.size());
    Xml::Library::XmlParser<char> state;
    EXPECT_TRUE(Xml::Library::ParseDocument(state, buffer)) << text;
    return std::move(state.document);
}

Xml::Library::ElementNode<char>& Root(Xml::Library::DocumentNode<char>& document)
{
    for (auto& child : document.children) {
        if (auto* element = dynamic_cast<Xml::Library::ElementNode<char>*>(child.get())) return *element;
    }
    throw std::runtime_error("no root");
}

TEST(Execution, FalseSectionConditionSkipsItsSettingsWithoutEvaluatingThem)
{
    CIniFileImage image = ImageFromText("[S]\nv=1\n");
    auto section = std::make_shared<CSectionContAction>("S", false);
    AttachConditions("S.v e 2", "", section->conditions);
    auto setting = std::make_unique<CSettingSetValueAction>(*section, "v", "9");
    // A pattern that cannot compile would throw if this condition were evaluated.
    AttachConditions("S(*.v ex", "", setting->conditions);
    section->settingActions.push_back(std::move(setting));
    EXPECT_NO_THROW(section->Execute(image));
    EXPECT_EQ(TextWithoutStamp(image), "\n[S]\nv=1\n");
}

TEST(Execution, LaterActionSeesAnEarlierOnesChange)
{
    CIniFileImage image = ImageFromText("[S]\n");
    CActionExecutorContainer container;
    auto adder = std::make_shared<CSectionContAction>("S", false);
    adder->settingActions.push_back(std::make_unique<CSettingAddAction>(*adder, "flag", std::string("1")));
    auto tester = std::make_shared<CSectionAddAction>("Seen", false);
    AttachConditions("S.flag e 1", "", tester->conditions);
    container.Add(adder);
    container.Add(nullptr);
    container.Add(tester);
    container.ExecuteAll(image);
    EXPECT_EQ(TextWithoutStamp(image), "\n[S]\nflag=1\n\n[Seen]\n");
}

TEST(Execution, SettingsAreBuiltAtAnyDepthAndInvalidOnesDroppedInOrder)
{
    CapturedConsole console;
    const auto document = ParseXml(
        "<Section section_name=\"S\">"
        "<Setting setting_name=\"a\" setting_value=\"1\"/>"
        "<Setting setting_name=\"b*\" setting_to=\"+\"/>"
        "<Group><Setting setting_name=\"c\" setting_to=\"-\" case_setting=\"S.c ex\"/></Group>"
        "<Setting setting_name=\"\" setting_to=\"-\"/>"
        "<Setting setting_name=\"d\"/>"
        "</Section>");
    ASSERT_NE(document, nullptr);
    CSectionContAction action("S", false);
    action.VisitElement(Root(*document));
    ASSERT_EQ(action.settingActions.size(), 2u);
    EXPECT_NE(dynamic_cast<CSettingSetValueAction*>(action.settingActions[0].get()), nullptr);
    EXPECT_NE(dynamic_cast<CSettingRemoveAction*>(action.settingActions[1].get()), nullptr);
    EXPECT_EQ(action.settingActions[1]->conditions.size(), 1u);
    EXPECT_EQ(console.Text(), TestSupport::Warning(Messages::kAddSettingTemplate, "b*"));

    CIniFileImage image = ImageFromText("[S]\na=0\nc=1\n");
    action.Execute(image);
    EXPECT_EQ(TextWithoutStamp(image), "\n[S]\na=1\n");
}

TEST(Execution, SettingTableRowsAndTheirPrecedence)
{
    const auto document = ParseXml(
        "<Section section_name=\"S\">"
        "<Setting setting_name=\"k\" setting_to=\"+\" setting_value=\"\"/>"
        "<Setting setting_name=\"r\" setting_to=\"n\" setting_value=\"x\"/>"
        "<Setting setting_name=\"v\" setting_value=\"1\" setting_value=\"2\" copy_to=\"T\"/>"
        "<Setting setting_name=\"c\" copy_to=\"T\" move_to=\"U\"/>"
        "<Setting setting_name=\"m\" move_to=\"T\" divider=\"2\"/>"
        "<Setting setting_name=\"d\" divider=\"2\" multiplier=\"3\"/>"
        "<Setting setting_name=\"x\" multiplier=\"3\"/>"
        "</Section>");
    ASSERT_NE(document, nullptr);
    CSectionContAction action("S", false);
    action.VisitElement(Root(*document));
    CIniFileImage image = ImageFromText("[S]\nr=1\nv=0\nc=1\nm=1\nd=9\nx=2\n[T]\n");
    action.Execute(image);
    EXPECT_EQ(TextWithoutStamp(image), "\n[S]\nn=1\nv=2\nc=1\nd=5\nx=6\nk=\n\n[T]\nc=1\nm=1\n");
}

}  // namespace

namespace {

// Setting steps that a section action runs section by section give what each step run
// over every section in turn gives: also with a target among the selected sections,
// two steps that carry settings away, or a condition on a later step.
TEST(Execution, StepsRunTogetherGiveWhatEachRunInTurnGives)
{
    using Build = std::function<void(CSectionContAction&)>;
    const Build rows[] = {
        [](CSectionContAction& owner) {
            owner.settingActions.push_back(std::make_unique<CSettingCopyAction>(owner, "k", "S1"));
            owner.settingActions.push_back(std::make_unique<CSettingMultiplyAction>(owner, "k", "2"));
        },
        [](CSectionContAction& owner) {
            owner.settingActions.push_back(std::make_unique<CSettingRenameAction>(owner, "k", "m"));
            owner.settingActions.push_back(std::make_unique<CSettingMoveAction>(owner, "m", "T"));
            owner.settingActions.push_back(std::make_unique<CSettingMoveAction>(owner, "j", "T"));
            owner.settingActions.push_back(std::make_unique<CSettingRemoveAction>(owner, "j"));
        },
        [](CSectionContAction& owner) {
            owner.settingActions.push_back(std::make_unique<CSettingMultiplyAction>(owner, "k", "2"));
            auto guarded = std::make_unique<CSettingSetValueAction>(owner, "j", "set");
            // False once k was multiplied in every section.
            AttachConditions("S2.k e 2", "", guarded->conditions);
            owner.settingActions.push_back(std::move(guarded));
        },
    };
    const std::string text = "[S1]\nk=1\nj=1\n[S2]\nj=2\nk=2\n[T]\nk=0\n";
    for (const Build& build : rows) {
        CIniFileImage together = ImageFromText(text);
        CIniFileImage inTurn = ImageFromText(text);
        CSectionContAction owner("S*", false);
        build(owner);
        owner.Execute(together);
        for (const auto& action : owner.settingActions) action->Execute(inTurn);
        EXPECT_EQ(TextWithoutStamp(together), TextWithoutStamp(inTurn));
        EXPECT_NE(TextWithoutStamp(together), TextWithoutStamp(ImageFromText(text)));
    }
}

}  // namespace
