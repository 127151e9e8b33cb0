#include "ini/IniSectionsImaging.h"

#include "ini/ValueScaling.h"

#include <algorithm>

CParameterImage* CIniParametersImaging::FindParameter(const std::string& name)
{
    const auto entry = m_parameters.lower_bound(name);
    if (entry == m_parameters.end() || !LetterCase::EqualNoCase((*entry)->name, name)) return nullptr;
    return entry->get();
}

CIniParametersImaging::Range CIniParametersImaging::FindParameters(const std::string& name)
{
    return m_parameters.equal_range(name);
}

bool CIniParametersImaging::InsertParameter(std::unique_ptr<CParameterImage> parameter)
{
    m_parameters.insert(std::move(parameter));
    return true;
}

std::unique_ptr<CParameterImage> CIniParametersImaging::DetachParameter(Entry entry)
{
    return std::move(m_parameters.extract(entry).value());
}

void CIniParametersImaging::RemoveParameters(const std::string& name)
{
    const Range range = FindParameters(name);
    m_parameters.erase(range.first, range.second);
}

void CIniParametersImaging::ClearParameters() { m_parameters.clear(); }

std::vector<const CParameterImage*> CIniParametersImaging::ParametersInOrder() const
{
    std::vector<const CParameterImage*> ordered;
    ordered.reserve(m_parameters.size());
    for (const auto& parameter : m_parameters) ordered.push_back(parameter.get());
    std::stable_sort(ordered.begin(), ordered.end(), [](const CParameterImage* left, const CParameterImage* right) {
        return left->orderNumber < right->orderNumber;
    });
    return ordered;
}

bool CIniParametersImaging::DivideValues(const std::string& name, const std::string& dividerText)
{
    ScaleValues(name, dividerText, DivideValueText);
    return true;
}

bool CIniParametersImaging::MultiplyValues(const std::string& name, const std::string& multiplierText)
{
    ScaleValues(name, multiplierText, MultiplyValueText);
    return true;
}

// The factor is parsed once; every parameter of the name gets the result as its value,
// also when it is unchanged, so a bare name gets one.
void CIniParametersImaging::ScaleValues(const std::string& name, const std::string& factorText,
                                        std::string (*scale)(const std::string&, const ScaleFactor&))
{
    const ScaleFactor factor = ParseScaleFactor(factorText);
    const Range range = FindParameters(name);
    for (auto entry = range.first; entry != range.second; ++entry) {
        CParameterImage& parameter = **entry;
        parameter.SetValue(scale(parameter.ValueOrEmpty(), factor));
    }
}
