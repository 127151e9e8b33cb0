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
    // A plain name is the one setting name: nothing to list, and a step that works line
    // by line is made once.
    std::optional<CLineRun> run;
    if (namePattern.empty()) {
        std::optional<LineStep> step = LineStepFor(image, name);
        if (step) run.emplace(LineSteps {std::move(*step)});
    }
    // Setting actions never add, rename or remove a section: each is found once.
    CSectionContAction::VisitSections(owner.SelectedSectionImages(image), [&](CIniSectionsImaging& section) {
        if (namePattern.empty()) {
            if (run) section.ApplyLineSteps(*run);
            return;
        }
        for (const std::string& settingName : SettingNames(image, section, pattern)) ApplyTo(image, section, settingName);
    });
}

void CSettingAction::ApplyTo(CIniFileImage& image, CIniSectionsImaging& section, const std::string& settingName)
{
    if (std::optional<LineStep> step = LineStepFor(image, settingName)) section.ApplyLineSteps({std::move(*step)});
}

std::optional<LineStep> CSettingAction::LineStepFor(CIniFileImage&, const std::string&) const { return std::nullopt; }

std::optional<LineStep> CSettingAction::StepForRun(CIniFileImage& image) const
{
    if (!namePattern.empty() || !conditions.empty()) return std::nullopt;
    return LineStepFor(image, name);
}
