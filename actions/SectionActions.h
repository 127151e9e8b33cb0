#pragma once

// The four actions that change whole sections.

#include "actions/SectionAction.h"

class CSectionAddAction : public CSectionAction {
public:
    CSectionAddAction(std::string name, bool sectionNameRegex);
    void Execute(CIniFileImage& image) override;
    bool Validate() override;
};

class CSectionRenameAction : public CSectionAction {
public:
    CSectionRenameAction(std::string newName, std::string name, bool sectionNameRegex);
    void Execute(CIniFileImage& image) override;
    bool Validate() override;

    std::string newName;
    std::string newNamePattern;
};

class CSectionRemoveAction : public CSectionAction {
public:
    CSectionRemoveAction(std::string name, bool sectionNameRegex);
    void Execute(CIniFileImage& image) override;
    bool Validate() override;
};

class CSectionCopyAction : public CSectionAction {
public:
    CSectionCopyAction(std::string newName, std::string name, bool sectionNameRegex);
    void Execute(CIniFileImage& image) override;
    bool Validate() override;

    std::string newName;
    std::string newNamePattern;
};
