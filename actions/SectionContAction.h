#pragma once

// The section action that carries setting actions. While the scheme loads it visits
// its own Section element and builds a setting action from every Setting element
// below it; when executed it runs them in order on the sections its name selects.

#include "actions/SectionAction.h"
#include "actions/SettingAction.h"
#include "xml/XmlVisitor.h"

#include <memory>
#include <vector>

class CSectionContAction : public CSectionAction, public Xml::Library::XmlVisitor<char> {
public:
    CSectionContAction(std::string name, bool sectionNameRegex);

    void Execute(CIniFileImage& image) override;
    bool Validate() override { return true; }

    bool VisitElement(Xml::Library::ElementNode<char>& element) override;

    // The sections the setting actions work on. While the action executes they are
    // selected once: setting actions never add, rename or remove a section.
    const std::vector<std::string>& SelectedSections(const CIniFileImage& image);
    // The same sections themselves, found once per execution (nullptr for a name the
    // image does not hold).
    const std::vector<CIniSectionsImaging*>& SelectedSectionImages(CIniFileImage& image);

    std::vector<std::unique_ptr<CSettingAction>> settingActions;

private:
    std::vector<std::string> m_selected;
    std::vector<CIniSectionsImaging*> m_selectedImages;
    bool m_haveImages = false;
    bool m_executing = false;
    bool m_haveSelection = false;
};
