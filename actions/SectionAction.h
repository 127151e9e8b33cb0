#pragma once

// A section action is one step of a file conversion: it works on the section its
// name gives, or on every section its template or pattern selects.

#include "condition/Condition.h"

#include <string>
#include <vector>

class CIniFileImage;
class CIniSectionsImaging;

class CSectionAction {
public:
    // In regex mode the name is taken as a pattern exactly as written.
    CSectionAction(std::string name, bool sectionNameRegex);
    virtual ~CSectionAction() = default;

    virtual void Execute(CIniFileImage& image) = 0;
    // False, after a warning, when a name that must be plain is a template.
    virtual bool Validate() = 0;

    // Validate first (its warning prints even when the conditions would fail), then
    // the conditions on the image as it is now.
    bool CanExecute(const CIniFileImage& image);

    // The names the action works on: what the pattern selects, or the one plain name.
    std::vector<std::string> SectionNames(const CIniFileImage& image) const;
    // The sections SectionNames names, found in the image (nullptr for a name it does
    // not hold).
    std::vector<CIniSectionsImaging*> SectionImages(CIniFileImage& image) const;
    // Removes them; the order they go in changes nothing, so none is sorted.
    void RemoveSections(CIniFileImage& image) const;

    std::string name;
    std::string namePattern;
    ConditionList conditions;

private:
    bool m_regexMode = false;
};
