#include "actions/SettingActions.h"

#include "actions/SectionContAction.h"
#include "match/NamePattern.h"
#include "ini/IniFileImage.h"
#include "console/Console.h"
#include "text/LetterCase.h"
#include "console/Messages.h"

#include <memory>

CSettingSetValueAction::CSettingSetValueAction(CSectionContAction& holder, std::string settingName, std::string valueArgument)
    : CSettingAction(holder, std::move(settingName)), value(std::move(valueArgument))
{
}

void CSettingSetValueAction::Execute(CIniFileImage& image) { ForEachSetting(image); }

std::optional<LineStep> CSettingSetValueAction::LineStepFor(CIniFileImage&, const std::string& settingName) const
{
    return LineStep::Make(LineStep::Kind::SetValue, settingName, value);
}

CSettingRenameAction::CSettingRenameAction(CSectionContAction& holder, std::string settingName, std::string newNameArgument)
    : CSettingAction(holder, std::move(settingName)), newName(std::move(newNameArgument))
{
    newNamePattern = MakeNamePattern(newName);
}

bool CSettingRenameAction::Validate()
{
    if (newNamePattern.empty()) return true;
    Console::Warn(Messages::kRenameSettingTemplate, newName.c_str());
    return false;
}

void CSettingRenameAction::Execute(CIniFileImage& image) { ForEachSetting(image); }

// Every parameter of the name is renamed once, even when the new name equals the old
// one but for letter case, and counts as inserted anew under its new name.
std::optional<LineStep> CSettingRenameAction::LineStepFor(CIniFileImage&, const std::string& settingName) const
{
    return LineStep::Make(LineStep::Kind::Rename, settingName, newName);
}

CSettingMoveAction::CSettingMoveAction(CSectionContAction& holder, std::string settingName, std::string targetSectionArgument)
    : CSettingAction(holder, std::move(settingName)), targetSection(std::move(targetSectionArgument))
{
    targetPattern = MakeNamePattern(targetSection);
}

void CSettingMoveAction::Execute(CIniFileImage& image)
{
    if (!CanExecute(image)) return;
    // The owner's sections come first, as the steps' order says: its template is
    // compiled (and an invalid one refused) whether or not a target exists. The
    // selection is kept for the rest of the step.
    owner.SelectedSectionImages(image);
    m_targets = targetPattern.empty() ? std::vector<std::string>{targetSection} : image.SelectSections(NamePatternIn(image.FileEncoding(), targetSection, false));
    if (!m_targets.empty()) RunOverSettings(image);
    m_targets.clear();
}

// The targets the step found, those that exist, in turn.
std::optional<LineStep> CSettingMoveAction::LineStepFor(CIniFileImage& image, const std::string& settingName) const
{
    LineStep step = LineStep::Make(RemovesSource() ? LineStep::Kind::Move : LineStep::Kind::Copy, settingName);
    for (const std::string& targetName : targetPattern.empty() ? std::vector<std::string> {targetSection} : m_targets) {
        if (CIniSectionsImaging* target = image.FindSection(targetName)) step.targets.push_back(target);
    }
    return step;
}

std::optional<LineStep> CSettingMoveAction::StepForRun(CIniFileImage& image) const
{
    if (!targetPattern.empty()) return std::nullopt;
    return CSettingAction::StepForRun(image);
}

CSettingAddAction::CSettingAddAction(CSectionContAction& holder, std::string settingName, COptional<std::string> valueArgument)
    : CSettingAction(holder, std::move(settingName)), value(std::move(valueArgument))
{
}

bool CSettingAddAction::Validate()
{
    if (namePattern.empty()) return true;
    Console::Warn(Messages::kAddSettingTemplate, name.c_str());
    return false;
}

void CSettingAddAction::Execute(CIniFileImage& image)
{
    if (!CanExecute(image)) return;
    for (const std::string& sectionName : owner.SelectedSections(image)) image.AddParameter(sectionName, name, value);
}

void CSettingRemoveAction::Execute(CIniFileImage& image) { ForEachSetting(image); }

std::optional<LineStep> CSettingRemoveAction::LineStepFor(CIniFileImage&, const std::string& settingName) const
{
    return LineStep::Make(LineStep::Kind::Remove, settingName);
}

CSettingDivideAction::CSettingDivideAction(CSectionContAction& holder, std::string settingName, std::string dividerArgument)
    : CSettingAction(holder, std::move(settingName)), divider(std::move(dividerArgument))
{
}

void CSettingDivideAction::Execute(CIniFileImage& image) { ForEachSetting(image); }

std::optional<LineStep> CSettingDivideAction::LineStepFor(CIniFileImage&, const std::string& settingName) const
{
    return LineStep::Make(LineStep::Kind::Divide, settingName, divider);
}

CSettingMultiplyAction::CSettingMultiplyAction(CSectionContAction& holder, std::string settingName, std::string multiplierArgument)
    : CSettingAction(holder, std::move(settingName)), multiplier(std::move(multiplierArgument))
{
}

void CSettingMultiplyAction::Execute(CIniFileImage& image) { ForEachSetting(image); }

std::optional<LineStep> CSettingMultiplyAction::LineStepFor(CIniFileImage&, const std::string& settingName) const
{
    return LineStep::Make(LineStep::Kind::Multiply, settingName, multiplier);
}
