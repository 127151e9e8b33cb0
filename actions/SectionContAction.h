#pragma once

// The section action that carries setting actions. While the scheme loads it visits
// its own Section element and builds a setting action from every Setting element
// below it; when executed it runs them in order on the sections its name selects.

#include "actions/SectionAction.h"
#include "actions/SettingAction.h"
#include "xml/XmlVisitor.h"

#include <functional>
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

    // Each section of a selection in turn (a name the image does not hold is skipped),
    // each record asked for some turns ahead.
    static void VisitSections(const std::vector<CIniSectionsImaging*>& sections,
                              const std::function<void(CIniSectionsImaging&)>& visit);

private:
    // Runs the setting actions from `from` on that work line by line as one, when there
    // are two or more; the number of actions run.
    std::size_t RunLineSteps(CIniFileImage& image, std::size_t from);

    std::vector<std::string> m_selected;
    std::vector<CIniSectionsImaging*> m_selectedImages;
    bool m_haveImages = false;
    bool m_executing = false;
    bool m_haveSelection = false;
};
