#pragma once

// A setting action changes individual settings in the sections of the section action
// that holds it.

#include "condition/Condition.h"
#include "ini/LineSteps.h"
#include "match/SafeRegex.h"

#include <optional>
#include <string>
#include <vector>

class CIniFileImage;
class CIniSectionsImaging;
class CSectionContAction;

class CSettingAction {
public:
    CSettingAction(CSectionContAction& owner, std::string name);
    virtual ~CSettingAction() = default;

    virtual void Execute(CIniFileImage& image) = 0;
    virtual bool Validate() = 0;

    bool CanExecute(const CIniFileImage& image);

    // The step of an action with a plain name and no conditions, whose kind works line
    // by line: such steps one after another can run as one (CSectionContAction).
    virtual std::optional<LineStep> StepForRun(CIniFileImage& image) const;

    // The settings of section `sectionName` the action works on: the distinct names its
    // template selects, or the one plain name.
    std::vector<std::string> SettingNames(const CIniFileImage& image, const std::string& sectionName) const;

    CSectionContAction& owner;
    std::string name;
    std::string namePattern;
    ConditionList conditions;

protected:
    std::vector<std::string> SettingNames(const CIniFileImage& image, const std::string& sectionName,
                                          std::optional<CSafeRegex>& pattern) const;
    std::vector<std::string> SettingNames(const CIniFileImage& image, const CIniSectionsImaging& section,
                                          std::optional<CSafeRegex>& pattern) const;

    // The frame most kinds share: for every section of the owner and every setting
    // name in it, the kind's step on that section (skipped when it does not exist).
    void ForEachSetting(CIniFileImage& image);
    // The same loop for a caller that has checked CanExecute itself.
    void RunOverSettings(CIniFileImage& image);
    // A kind that works line by line runs its step; the others have their own.
    virtual void ApplyTo(CIniFileImage& image, CIniSectionsImaging& section, const std::string& settingName);
    // The step on the settings of that name, for a kind that works line by line.
    virtual std::optional<LineStep> LineStepFor(CIniFileImage& image, const std::string& settingName) const;
};
