#pragma once

// One section of an INI file image: its parameters, indexed by name without regard to
// letter case, and its own header image.

#include "ini/ImageElements.h"
#include "platform/LetterCase.h"

#include <set>
#include <memory>
#include <string>
#include <utility>
#include <vector>

struct ScaleFactor;

// Orders parameters by their own name, without regard to letter case; a name text can be
// looked up directly. The name inside each parameter is its key, so it never changes
// while the parameter is in an index.
struct ParameterNameLess {
    using is_transparent = void;

    static const std::string& NameOf(const std::unique_ptr<CParameterImage>& parameter) { return parameter->name; }
    static const std::string& NameOf(const std::string& name) { return name; }

    template <class Left, class Right>
    bool operator()(const Left& left, const Right& right) const
    {
        return LetterCase::CompareNoCase(NameOf(left), NameOf(right)) < 0;
    }
};

class CIniParametersImaging {
public:
    // Equal names keep their insertion order.
    using Index = std::multiset<std::unique_ptr<CParameterImage>, ParameterNameLess>;
    using Entry = Index::iterator;
    using Range = std::pair<Entry, Entry>;

    CIniParametersImaging() = default;
    CIniParametersImaging(const CIniParametersImaging&) = delete;
    CIniParametersImaging& operator=(const CIniParametersImaging&) = delete;
    virtual ~CIniParametersImaging() = default;

    // The first parameter of that name (the earliest inserted), or none.
    CParameterImage* FindParameter(const std::string& name);
    // Every parameter of that name, in insertion order.
    Range FindParameters(const std::string& name);
    // Adds the parameter under its name; a name already present is kept as well.
    bool InsertParameter(std::unique_ptr<CParameterImage> parameter);
    // Takes one entry out of the index and hands its parameter over.
    std::unique_ptr<CParameterImage> DetachParameter(Entry entry);
    void RemoveParameters(const std::string& name);
    void ClearParameters();
    std::vector<const CParameterImage*> ParametersInOrder() const;
    bool DivideValues(const std::string& name, const std::string& dividerText);
    bool MultiplyValues(const std::string& name, const std::string& multiplierText);

    const Index& Parameters() const { return m_parameters; }

private:
    void ScaleValues(const std::string& name, const std::string& factorText,
                     std::string (*scale)(const std::string&, const ScaleFactor&));

    Index m_parameters;
};

class CIniSectionsImaging : public CIniParametersImaging {
public:
    CIniSectionsImaging(std::int32_t orderNumber, std::string name, std::vector<std::string> commentLines = {})
        : header(orderNumber, std::move(name), std::move(commentLines))
    {
    }

    CSectionImage header;
};
