#include "actions/SectionAction.h"

#include "condition/ConditionEvaluation.h"
#include "match/NamePattern.h"
#include "ini/IniFileImage.h"

CSectionAction::CSectionAction(std::string sectionName, bool regexMode)
    : name(std::move(sectionName)), m_regexMode(regexMode)
{
    namePattern = regexMode ? name : MakeNamePattern(name);
}

bool CSectionAction::CanExecute(const CIniFileImage& image)
{
    return Validate() && EvaluateConditions(conditions, image);
}

std::vector<std::string> CSectionAction::SectionNames(const CIniFileImage& image) const
{
    if (namePattern.empty()) return {name};
    return image.SelectSections(NamePatternIn(image.FileEncoding(), name, m_regexMode));
}

std::vector<CIniSectionsImaging*> CSectionAction::SectionImages(CIniFileImage& image) const
{
    if (namePattern.empty()) return {image.FindSection(name)};
    return image.SelectSectionImages(NamePatternIn(image.FileEncoding(), name, m_regexMode));
}

void CSectionAction::RemoveSections(CIniFileImage& image) const
{
    if (namePattern.empty()) {
        image.RemoveSection(name);
        return;
    }
    image.RemoveSections(NamePatternIn(image.FileEncoding(), name, m_regexMode));
}
