#include "actions/SectionActions.h"

#include "match/NamePattern.h"
#include "ini/IniFileImage.h"
#include "console/Console.h"
#include "console/Messages.h"

CSectionAddAction::CSectionAddAction(std::string sectionName, bool regexMode)
    : CSectionAction(std::move(sectionName), regexMode)
{
}

bool CSectionAddAction::Validate()
{
    if (namePattern.empty()) return true;
    Console::Warn(Messages::kAddSectionTemplate, name.c_str());
    return false;
}

void CSectionAddAction::Execute(CIniFileImage& image)
{
    if (CanExecute(image)) image.AddSection(name);
}

CSectionRenameAction::CSectionRenameAction(std::string targetName, std::string sectionName, bool regexMode)
    : CSectionAction(std::move(sectionName), regexMode), newName(std::move(targetName))
{
    newNamePattern = MakeNamePattern(newName);
}

bool CSectionRenameAction::Validate()
{
    if (newNamePattern.empty()) return true;
    Console::Warn(Messages::kRenameSectionTemplate, newName.c_str());
    return false;
}

void CSectionRenameAction::Execute(CIniFileImage& image)
{
    if (!CanExecute(image)) return;
    for (const std::string& sectionName : SectionNames(image)) image.RenameSection(sectionName, newName);
}

CSectionRemoveAction::CSectionRemoveAction(std::string sectionName, bool regexMode)
    : CSectionAction(std::move(sectionName), regexMode)
{
}

bool CSectionRemoveAction::Validate() { return true; }

void CSectionRemoveAction::Execute(CIniFileImage& image)
{
    if (CanExecute(image)) RemoveSections(image);
}

CSectionCopyAction::CSectionCopyAction(std::string targetName, std::string sectionName, bool regexMode)
    : CSectionAction(std::move(sectionName), regexMode), newName(std::move(targetName))
{
    newNamePattern = MakeNamePattern(newName);
}

bool CSectionCopyAction::Validate()
{
    if (newNamePattern.empty()) return true;
    Console::Warn(Messages::kCopySectionTemplate, newName.c_str());
    return false;
}

void CSectionCopyAction::Execute(CIniFileImage& image)
{
    if (!CanExecute(image)) return;
    for (const std::string& sectionName : SectionNames(image)) image.CopySection(sectionName, newName);
}
