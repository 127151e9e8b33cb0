#include "actions/SettingActions.h"

#include "condition/NamePattern.h"
#include "actions/SectionContAction.h"
#include "ini/IniFileImage.h"
#include "platform/Console.h"
#include "platform/LetterCase.h"
#include "platform/Messages.h"

#include <memory>

namespace {

std::vector<CParameterImage*> ParametersNamed(CIniSectionsImaging& section, const std::string& settingName)
{
    std::vector<CParameterImage*> parameters;
    const auto range = section.FindParameters(settingName);
    for (auto entry = range.first; entry != range.second; ++entry) parameters.push_back(entry->get());
    return parameters;
}

}  // namespace

CSettingSetValueAction::CSettingSetValueAction(CSectionContAction& holder, std::string settingName, std::string valueArgument)
    : CSettingAction(holder, std::move(settingName)), value(std::move(valueArgument))
{
}

void CSettingSetValueAction::Execute(CIniFileImage& image) { ForEachSetting(image); }

void CSettingSetValueAction::ApplyTo(CIniFileImage&, CIniSectionsImaging& section, const std::string& settingName)
{
    for (CParameterImage* parameter : ParametersNamed(section, settingName)) parameter->SetValue(value);
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

// Every parameter of the name is taken out first and put back renamed, so each one is
// renamed once even when the new name equals the old one but for letter case.
void CSettingRenameAction::ApplyTo(CIniFileImage&, CIniSectionsImaging& section, const std::string& settingName)
{
    std::vector<std::unique_ptr<CParameterImage>> renamed;
    auto range = section.FindParameters(settingName);
    while (range.first != range.second) renamed.push_back(section.DetachParameter(range.first++));
    for (std::unique_ptr<CParameterImage>& parameter : renamed) {
        parameter->name = newName;
        section.InsertParameter(std::move(parameter));
    }
}

CSettingMoveAction::CSettingMoveAction(CSectionContAction& holder, std::string settingName, std::string targetSectionArgument)
    : CSettingAction(holder, std::move(settingName)), targetSection(std::move(targetSectionArgument))
{
    targetPattern = MakeNamePattern(targetSection);
}

void CSettingMoveAction::Execute(CIniFileImage& image)
{
    if (!CanExecute(image)) return;
    m_targets = targetPattern.empty() ? std::vector<std::string>{targetSection} : image.SelectSections(targetPattern);
    if (!m_targets.empty()) RunOverSettings(image);
    m_targets.clear();
}

void CSettingMoveAction::ApplyTo(CIniFileImage& image, CIniSectionsImaging& section, const std::string& settingName)
{
    // The parameters as they are when the step starts: copies made into the section
    // itself are not copied again.
    const std::vector<CParameterImage*> sources = ParametersNamed(section, settingName);
    bool copied = false;
    bool targetsItself = false;
    for (const std::string& targetName : m_targets) {
        CIniSectionsImaging* target = image.FindSection(targetName);
        if (target == nullptr) continue;
        if (target == &section && RemovesSource()) {
            targetsItself = true;
            continue;
        }
        for (const CParameterImage* source : sources) {
            target->InsertParameter(std::make_unique<CParameterImage>(source->orderNumber, source->name,
                                                                      source->value, source->commentLines));
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
    for (const std::string& sectionName : owner.SectionNames(image)) image.AddParameter(sectionName, name, value);
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
