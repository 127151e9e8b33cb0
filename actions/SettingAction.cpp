#include "actions/SettingAction.h"

#include "actions/NamePattern.h"
#include "actions/SectionContAction.h"
#include "condition/ConditionEvaluation.h"
#include "condition/SafeRegex.h"
#include "ini/IniFileImage.h"

#include <optional>

CSettingAction::CSettingAction(CSectionContAction& holder, std::string settingName)
    : owner(holder), name(std::move(settingName))
{
    namePattern = MakeNamePattern(name);
}

bool CSettingAction::CanExecute(const CIniFileImage& image)
{
    return Validate() && EvaluateConditions(conditions, image);
}

std::vector<std::string> CSettingAction::SettingNames(const CIniFileImage& image, const std::string& sectionName) const
{
    if (namePattern.empty()) return {name};
    return image.SelectParameters(sectionName, namePattern);
}

void CSettingAction::ForEachSetting(CIniFileImage& image)
{
    if (CanExecute(image)) RunOverSettings(image);
}

void CSettingAction::RunOverSettings(CIniFileImage& image)
{
    // The template is compiled once per execution, and only once there is a setting
    // to test it on, so an invalid one raises nothing on an empty image.
    std::optional<CSafeRegex> pattern;
    for (const std::string& sectionName : owner.SectionNames(image)) {
        std::vector<std::string> settingNames{name};
        if (!namePattern.empty()) {
            const CIniSectionsImaging* section = image.FindSection(sectionName);
            if (section == nullptr || section->Parameters().empty()) continue;
            if (!pattern) pattern.emplace(namePattern);
            settingNames = image.SelectParameters(sectionName, *pattern);
        }
        for (const std::string& settingName : settingNames) {
            CIniSectionsImaging* section = image.FindSection(sectionName);
            if (section != nullptr) ApplyTo(image, *section, settingName);
        }
    }
}

void CSettingAction::ApplyTo(CIniFileImage&, CIniSectionsImaging&, const std::string&) {}
