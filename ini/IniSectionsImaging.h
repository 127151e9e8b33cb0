#pragma once

// One section of an INI file image: its header and its parameters, kept in the order
// they are written (ascending order number). Names are compared without regard to
// letter case; several parameters may share a name, and among them the one inserted
// first is found first.

#include "ini/ImageElements.h"
#include "ini/TextArena.h"
#include "platform/TextEncoding.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

struct ScaleFactor;

// What the sections of one image share: the arena for texts that actions write, the
// image's comment lines, the counter that numbers insertions, and the file's encoding,
// which decides how names compare.
struct CImageStore {
    TextEncoding encoding = TextEncoding::Windows1251;
    CTextArena arena;
    std::vector<std::string_view> commentLines;
    std::uint32_t nextSequence = 1;
};

class CIniParametersImaging {
public:
    using List = std::vector<CParameterImage>;

    explicit CIniParametersImaging(CImageStore& store) : m_store(&store) {}
    CIniParametersImaging(const CIniParametersImaging&) = delete;
    CIniParametersImaging& operator=(const CIniParametersImaging&) = delete;

    // The first parameter of that name (the earliest inserted), or none.
    CParameterImage* FindParameter(std::string_view name);
    const CParameterImage* FindParameter(std::string_view name) const;
    // Every parameter of that name, the earliest inserted first. The pointers hold until
    // the section's parameters next change.
    std::vector<CParameterImage*> FindParameters(std::string_view name);
    // Puts the parameter in its place by order number (after those of equal number) and
    // numbers it as inserted last.
    void InsertParameter(CParameterImage parameter);
    void RemoveParameters(std::string_view name);
    void ClearParameters();
    // Gives every parameter of that name the new name; each counts as inserted anew.
    void RenameParameters(std::string_view name, std::string_view newName);
    // Stores a copy of the text as the parameter's value.
    void SetValue(CParameterImage& parameter, std::string_view value);
    // Takes parameters read in writing order, numbering them as inserted in that order.
    void AdoptParameters(std::vector<CParameterImage>& read);

    // In writing order.
    const List& ParametersInOrder() const { return m_parameters; }
    const List& Parameters() const { return m_parameters; }
    const CImageStore& Store() const { return *m_store; }

    bool DivideValues(std::string_view name, const std::string& dividerText);
    bool MultiplyValues(std::string_view name, const std::string& multiplierText);

private:
    void ScaleValues(std::string_view name, const std::string& factorText,
                     std::string (*scale)(const std::string&, const ScaleFactor&));

    CImageStore* m_store;
    List m_parameters;
};

class CIniSectionsImaging : public CIniParametersImaging {
public:
    CIniSectionsImaging(CImageStore& store, std::int32_t orderNumber, std::string name, CommentSpan commentLines = {})
        : CIniParametersImaging(store), header(orderNumber, std::string(), commentLines)
    {
        SetName(std::move(name));
    }

    void SetName(std::string name) { header.name = std::move(name); }

    CSectionImage header;
};
