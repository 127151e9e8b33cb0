#include "actions/SettingAction.h"

#include "actions/SectionContAction.h"
#include "condition/ConditionEvaluation.h"
#include "match/NamePattern.h"
#include "match/SafeRegex.h"
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
    std::optional<CSafeRegex> pattern;
    return SettingNames(image, sectionName, pattern);
}

// The template is compiled into `pattern` once, and only once there is a setting to
// test it on, so an invalid one raises nothing on an empty image.
std::vector<std::string> CSettingAction::SettingNames(const CIniFileImage& image, const std::string& sectionName,
                                                      std::optional<CSafeRegex>& pattern) const
{
    if (namePattern.empty()) return {name};
    const CIniSectionsImaging* section = image.FindSection(sectionName);
    return section == nullptr ? std::vector<std::string>() : SettingNames(image, *section, pattern);
}

std::vector<std::string> CSettingAction::SettingNames(const CIniFileImage& image, const CIniSectionsImaging& section,
                                                      std::optional<CSafeRegex>& pattern) const
{
    if (namePattern.empty()) return {name};
    if (section.Parameters().empty()) return {};
    if (!pattern) pattern.emplace(NamePatternIn(image.FileEncoding(), name, false));
    return image.SelectParameters(section, *pattern);
}

void CSettingAction::ForEachSetting(CIniFileImage& image)
{
    if (CanExecute(image)) RunOverSettings(image);
}

void CSettingAction::RunOverSettings(CIniFileImage& image)
{
    std::optional<CSafeRegex> pattern;  // compiled once per execution
    // Setting actions never add, rename or remove a section: each is found once.
    const std::vector<CIniSectionsImaging*>& sections = owner.SelectedSectionImages(image);
    constexpr std::size_t kRecordsAhead = 8;
    constexpr std::size_t kContentsAhead = 4;
    for (std::size_t index = 0; index < sections.size(); ++index) {
        if (index + kRecordsAhead < sections.size() && sections[index + kRecordsAhead] != nullptr) {
            sections[index + kRecordsAhead]->Foresee();
        }
        if (index + kContentsAhead < sections.size() && sections[index + kContentsAhead] != nullptr) {
            sections[index + kContentsAhead]->ForeseeAllContents();
        }
        CIniSectionsImaging* section = sections[index];
        if (section == nullptr) continue;
        // A plain name is the one setting name: nothing to list.
        if (namePattern.empty()) {
            ApplyTo(image, *section, name);
            continue;
        }
        for (const std::string& settingName : SettingNames(image, *section, pattern)) ApplyTo(image, *section, settingName);
    }
}

void CSettingAction::ApplyTo(CIniFileImage&, CIniSectionsImaging&, const std::string&) {}
