#include "ini/IniSectionsImaging.h"

#include "actions/ValueScaling.h"

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
    const ScaleFactor factor = ParseScaleFactor(dividerText);
    const Range range = FindParameters(name);
    for (auto entry = range.first; entry != range.second; ++entry) {
        CParameterImage& parameter = **entry;
        parameter.SetValue(DivideValueText(parameter.ValueOrEmpty(), factor));
    }
    return true;
}

bool CIniParametersImaging::MultiplyValues(const std::string& name, const std::string& multiplierText)
{
    const ScaleFactor factor = ParseScaleFactor(multiplierText);
    const Range range = FindParameters(name);
    for (auto entry = range.first; entry != range.second; ++entry) {
        CParameterImage& parameter = **entry;
        parameter.SetValue(MultiplyValueText(parameter.ValueOrEmpty(), factor));
    }
    return true;
}
