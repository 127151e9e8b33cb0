#include "actions/SectionContAction.h"

#include "actions/SettingActions.h"
#include "condition/ConditionParser.h"
#include "ini/IniFileImage.h"
#include "xml/XmlValue.h"

#include <algorithm>

namespace {

// The attributes of a Setting element: its own, then those of everything below it;
// the last occurrence of a name wins.
struct SettingAttributes {
    explicit SettingAttributes(Xml::Library::ElementNode<char>& setting)
    {
        const TS::CXMLValue valueLookup = TS::ValueBelow(setting, "setting_value");
        name = TS::ValueBelow(setting, "setting_name").value;
        to = TS::ValueBelow(setting, "setting_to").value;
        value = valueLookup.value;
        valuePresent = valueLookup.found;
        copyTo = TS::ValueBelow(setting, "copy_to").value;
        moveTo = TS::ValueBelow(setting, "move_to").value;
        divider = TS::ValueBelow(setting, "divider").value;
        multiplier = TS::ValueBelow(setting, "multiplier").value;
        caseText = TS::ValueBelow(setting, "case_setting").value;
        caseDefault = TS::ValueBelow(setting, "case_default_setting").value;
    }

    std::string name, to, value, copyTo, moveTo, divider, multiplier, caseText, caseDefault;
    bool valuePresent = false;
};

// The first row that applies decides; attributes of later rows are ignored.
std::unique_ptr<CSettingAction> BuildSettingAction(CSectionContAction& owner, const SettingAttributes& attributes)
{
    const std::string& name = attributes.name;
    if (name.empty()) return nullptr;
    if (attributes.to == "-") return std::make_unique<CSettingRemoveAction>(owner, name);
    if (attributes.to == "+") {
        COptional<std::string> value;
        if (attributes.valuePresent) value = attributes.value;
        return std::make_unique<CSettingAddAction>(owner, name, value);
    }
    if (!attributes.to.empty()) return std::make_unique<CSettingRenameAction>(owner, name, attributes.to);
    if (!attributes.value.empty()) return std::make_unique<CSettingSetValueAction>(owner, name, attributes.value);
    if (!attributes.copyTo.empty()) return std::make_unique<CSettingCopyAction>(owner, name, attributes.copyTo);
    if (!attributes.moveTo.empty()) return std::make_unique<CSettingMoveAction>(owner, name, attributes.moveTo);
    if (!attributes.divider.empty()) return std::make_unique<CSettingDivideAction>(owner, name, attributes.divider);
    if (!attributes.multiplier.empty()) {
        return std::make_unique<CSettingMultiplyAction>(owner, name, attributes.multiplier);
    }
    return nullptr;
}

}  // namespace

CSectionContAction::CSectionContAction(std::string sectionName, bool regexMode)
    : CSectionAction(std::move(sectionName), regexMode)
{
}

void CSectionContAction::Execute(CIniFileImage& image)
{
    if (!CanExecute(image)) return;
    m_executing = true;
    m_haveSelection = false;
    m_haveImages = false;
    try {
        for (std::size_t index = 0; index < settingActions.size();) {
            const std::size_t run = RunLineSteps(image, index);
            if (run == 0) settingActions[index]->Execute(image);
            index += std::max<std::size_t>(run, 1);
        }
    } catch (...) {
        m_executing = false;
        throw;
    }
    m_executing = false;
    // A large file's selection is let go of: the step is over.
    std::vector<std::string>().swap(m_selected);
    std::vector<CIniSectionsImaging*>().swap(m_selectedImages);
    m_haveImages = false;
}

// Steps one after another that work line by line each read and change only the
// section they work on, and the targets of a move or copy: with no target among the
// selected sections and at most one step that carries settings to others, running all
// the steps on one section before the next gives what running each step over all the
// sections gives, and each section's lines are gone over once.
std::size_t CSectionContAction::RunLineSteps(CIniFileImage& image, std::size_t from)
{
    constexpr std::size_t kMostSteps = 64;
    LineSteps steps;
    bool carries = false;
    for (std::size_t index = from; index < settingActions.size() && steps.size() < kMostSteps; ++index) {
        std::optional<LineStep> step = settingActions[index]->StepForRun(image);
        if (!step) break;
        const bool carrying = step->kind == LineStep::Kind::Move || step->kind == LineStep::Kind::Copy;
        if (carrying && carries) break;
        carries = carries || carrying;
        steps.push_back(std::move(*step));
    }
    if (steps.size() < 2) return 0;
    const std::vector<CIniSectionsImaging*>& sections = SelectedSectionImages(image);
    for (const LineStep& step : steps) {
        for (const CIniSectionsImaging* target : step.targets) {
            if (std::find(sections.begin(), sections.end(), target) != sections.end()) return 0;
        }
    }
    const CLineRun run(std::move(steps));
    VisitSections(sections, [&](CIniSectionsImaging& section) { section.ApplyLineSteps(run); });
    return run.Steps().size();
}

void CSectionContAction::VisitSections(const std::vector<CIniSectionsImaging*>& sections,
                                       const std::function<void(CIniSectionsImaging&)>& visit)
{
    constexpr std::size_t kRecordsAhead = 8;
    constexpr std::size_t kContentsAhead = 4;
    for (std::size_t index = 0; index < sections.size(); ++index) {
        if (index + kRecordsAhead < sections.size() && sections[index + kRecordsAhead] != nullptr) {
            sections[index + kRecordsAhead]->Foresee();
        }
        if (index + kContentsAhead < sections.size() && sections[index + kContentsAhead] != nullptr) {
            sections[index + kContentsAhead]->ForeseeAllContents();
        }
        if (sections[index] != nullptr) visit(*sections[index]);
    }
}

const std::vector<CIniSectionsImaging*>& CSectionContAction::SelectedSectionImages(CIniFileImage& image)
{
    if (!m_executing || !m_haveImages) {
        m_selectedImages = SectionImages(image);
        m_haveImages = m_executing;
    }
    return m_selectedImages;
}

const std::vector<std::string>& CSectionContAction::SelectedSections(const CIniFileImage& image)
{
    if (!m_executing || !m_haveSelection) {
        m_selected = SectionNames(image);
        m_haveSelection = m_executing;
    }
    return m_selected;
}

bool CSectionContAction::VisitElement(Xml::Library::ElementNode<char>& element)
{
    if (element.name == "Setting") {
        const SettingAttributes attributes(element);
        std::unique_ptr<CSettingAction> action = BuildSettingAction(*this, attributes);
        // A refused template has printed its warning; the element adds nothing.
        if (action && action->Validate()) {
            AttachConditions(attributes.caseText, attributes.caseDefault, action->conditions);
            settingActions.push_back(std::move(action));
        }
    }
    return XmlVisitor<char>::VisitElement(element);
}

