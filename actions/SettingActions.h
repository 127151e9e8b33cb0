#pragma once

// The eight kinds of setting action.

#include "actions/SettingAction.h"
#include "support/Optional.h"

class CSettingSetValueAction : public CSettingAction {
public:
    CSettingSetValueAction(CSectionContAction& owner, std::string name, std::string value);
    void Execute(CIniFileImage& image) override;
    bool Validate() override { return true; }

    std::string value;

protected:
    std::optional<LineStep> LineStepFor(CIniFileImage& image, const std::string& settingName) const override;
};

class CSettingRenameAction : public CSettingAction {
public:
    CSettingRenameAction(CSectionContAction& owner, std::string name, std::string newName);
    void Execute(CIniFileImage& image) override;
    bool Validate() override;

    std::string newName;
    std::string newNamePattern;

protected:
    std::optional<LineStep> LineStepFor(CIniFileImage& image, const std::string& settingName) const override;
};

// Copies a setting into the target sections, then removes it from its own section.
// A move never loses a setting: when no copy was made, the setting stays, and a
// target list holding the setting's own section leaves it in place.
class CSettingMoveAction : public CSettingAction {
public:
    CSettingMoveAction(CSectionContAction& owner, std::string name, std::string targetSection);
    void Execute(CIniFileImage& image) override;
    bool Validate() override { return true; }

    std::string targetSection;
    std::string targetPattern;

protected:
    virtual bool RemovesSource() const { return true; }
    std::optional<LineStep> LineStepFor(CIniFileImage& image, const std::string& settingName) const override;
    // Also only to a plain target.
    std::optional<LineStep> StepForRun(CIniFileImage& image) const override;

private:
    std::vector<std::string> m_targets;
};

// A move without the removal.
class CSettingCopyAction : public CSettingMoveAction {
public:
    using CSettingMoveAction::CSettingMoveAction;

protected:
    bool RemovesSource() const override { return false; }
};

class CSettingAddAction : public CSettingAction {
public:
    CSettingAddAction(CSectionContAction& owner, std::string name, COptional<std::string> value);
    void Execute(CIniFileImage& image) override;
    bool Validate() override;

    COptional<std::string> value;
};

class CSettingRemoveAction : public CSettingAction {
public:
    using CSettingAction::CSettingAction;
    void Execute(CIniFileImage& image) override;
    bool Validate() override { return true; }

protected:
    std::optional<LineStep> LineStepFor(CIniFileImage& image, const std::string& settingName) const override;
};

class CSettingDivideAction : public CSettingAction {
public:
    CSettingDivideAction(CSectionContAction& owner, std::string name, std::string divider);
    void Execute(CIniFileImage& image) override;
    bool Validate() override { return true; }

    std::string divider;

protected:
    std::optional<LineStep> LineStepFor(CIniFileImage& image, const std::string& settingName) const override;
};

class CSettingMultiplyAction : public CSettingAction {
public:
    CSettingMultiplyAction(CSectionContAction& owner, std::string name, std::string multiplier);
    void Execute(CIniFileImage& image) override;
    bool Validate() override { return true; }

    std::string multiplier;

protected:
    std::optional<LineStep> LineStepFor(CIniFileImage& image, const std::string& settingName) const override;
};
