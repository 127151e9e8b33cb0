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

void CSettingSetValueAction::ApplyTo(CIniFileImage&, CIniSectionsImaging& section, const std::string& settingName)
{
    for (CParameterImage* parameter : section.FindParameters(settingName)) section.SetValue(*parameter, value);
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
void CSettingRenameAction::ApplyTo(CIniFileImage&, CIniSectionsImaging& section, const std::string& settingName)
{
    section.RenameParameters(settingName, newName);
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

void CSettingMoveAction::ApplyTo(CIniFileImage& image, CIniSectionsImaging& section, const std::string& settingName)
{
    // The parameters as they are when the step starts: copies made into the section
    // itself are not copied again.
    std::vector<CParameterImage> sources;
    for (const CParameterImage* parameter : section.FindParameters(settingName)) sources.push_back(*parameter);
    bool copied = false;
    bool targetsItself = false;
    for (const std::string& targetName : m_targets) {
        CIniSectionsImaging* target = image.FindSection(targetName);
        if (target == nullptr) continue;
        if (target == &section && RemovesSource()) {
            targetsItself = true;
            continue;
        }
        for (const CParameterImage& source : sources) {
            target->InsertParameter(source);
            copied = true;
        }
    }
    if (RemovesSource() && copied && !targetsItself) section.RemoveParameters(settingName);
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

void CSettingRemoveAction::ApplyTo(CIniFileImage&, CIniSectionsImaging& section, const std::string& settingName)
{
    section.RemoveParameters(settingName);
}

CSettingDivideAction::CSettingDivideAction(CSectionContAction& holder, std::string settingName, std::string dividerArgument)
    : CSettingAction(holder, std::move(settingName)), divider(std::move(dividerArgument))
{
}

void CSettingDivideAction::Execute(CIniFileImage& image) { ForEachSetting(image); }

void CSettingDivideAction::ApplyTo(CIniFileImage&, CIniSectionsImaging& section, const std::string& settingName)
{
    section.DivideValues(settingName, divider);
}

CSettingMultiplyAction::CSettingMultiplyAction(CSectionContAction& holder, std::string settingName, std::string multiplierArgument)
    : CSettingAction(holder, std::move(settingName)), multiplier(std::move(multiplierArgument))
{
}

void CSettingMultiplyAction::Execute(CIniFileImage& image) { ForEachSetting(image); }

void CSettingMultiplyAction::ApplyTo(CIniFileImage&, CIniSectionsImaging& section, const std::string& settingName)
{
    section.MultiplyValues(settingName, multiplier);
}
