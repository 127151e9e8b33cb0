#pragma once

// The section actions of one file conversion, in scheme order. Records that are copied
// share the same action objects; a record moved from holds none (the run lets each
// file's actions go once they have run).

#include "actions/SectionAction.h"

#include <memory>
#include <vector>

class CActionExecutorContainer {
public:
    void Add(std::shared_ptr<CSectionAction> action) { actions.push_back(std::move(action)); }

    // Each action sees the image as the earlier ones left it.
    void ExecuteAll(CIniFileImage& image) const
    {
        for (const auto& action : actions) {
            if (action) action->Execute(image);
        }
    }

    bool Empty() const { return actions.empty(); }

    std::vector<std::shared_ptr<CSectionAction>> actions;
};
