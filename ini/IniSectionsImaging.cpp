#include "ini/IniSectionsImaging.h"

#include "ini/IniLine.h"
#include "ini/ValueScaling.h"
#include "text/LetterCase.h"

#include <algorithm>
#include <utility>

CParameterImage* CIniParametersImaging::FindParameter(std::string_view name)
{
    return const_cast<CParameterImage*>(std::as_const(*this).FindParameter(name));
}

const CParameterImage* CIniParametersImaging::FindParameter(std::string_view name) const
{
    ReadOnce();
    const CParameterImage* first = nullptr;
    for (const CParameterImage& parameter : m_parameters) {
        if (!m_store->NameIs(parameter, name)) continue;
        if (first == nullptr || parameter.sequence < first->sequence) first = &parameter;
    }
    return first;
}

std::vector<CParameterImage*> CIniParametersImaging::FindParameters(std::string_view name)
{
    ReadOnce();
    std::vector<CParameterImage*> found;
    for (CParameterImage& parameter : m_parameters) {
        if (m_store->NameIs(parameter, name)) found.push_back(&parameter);
    }
    if (found.size() < 2) return found;
    // Writing order and insertion order differ only after a move or copy brought in an
    // older parameter.
    std::stable_sort(found.begin(), found.end(),
                     [](const CParameterImage* left, const CParameterImage* right) { return left->sequence < right->sequence; });
    return found;
}

void CIniParametersImaging::InsertParameter(CParameterImage parameter)
{
    ReadOnce();
    m_store->Renumber(parameter, true);
    if (!m_parameters.empty() && m_parameters.back().orderNumber > parameter.orderNumber) m_outOfOrder = true;
    m_parameters.push_back(parameter);
}

// A stable sort keeps parameters of equal order number in the order they came.
void CIniParametersImaging::PutInOrder() const
{
    std::stable_sort(m_parameters.begin(), m_parameters.end(),
                     [](const CParameterImage& left, const CParameterImage& right) {
                         return left.orderNumber < right.orderNumber;
                     });
    m_outOfOrder = false;
}

// The lines go through the reader's rules: a line the reader dropped (an empty one, a
// header it warned about, a key that is empty once cleaned) is dropped again, and
// comment lines go with the next parameter.
void CIniParametersImaging::ReadBody() const
{
    m_read = true;
    CImageStore& store = *m_store;
    m_parameters.reserve(m_body.keyLines);
    std::int32_t order = m_body.firstOrder;
    std::vector<std::string_view> pending;
    IniLine::CLines lines(BodyAsRead(), "\n");
    for (IniLine::Line line; lines.Next(line);) {
        const IniLine::Kind kind = IniLine::KindOf(line.text);
        if (kind == IniLine::Kind::Comment) pending.push_back(line.text);
        if (kind != IniLine::Kind::Key) continue;
        const IniLine::KeyLine split = IniLine::SplitKeyLine(line);
        std::string_view key = split.key;
        if (split.needsCleaning) key = store.arena.Keep(IniLine::CleanName(split.rawKey));
        if (key.empty()) continue;
        CParameterImage& parameter = m_parameters.emplace_back();
        parameter.orderNumber = order++;
        parameter.sequence = store.nextSequence++;
        store.SetName(parameter, key);
        store.SetValue(parameter, split.value, split.hasValue);
        store.SetComments(parameter, store.KeepComments(pending));
        pending.clear();
    }
}

void CIniParametersImaging::RemoveParameters(std::string_view name)
{
    ReadOnce();
    m_parameters.erase(std::remove_if(m_parameters.begin(), m_parameters.end(),
                                      [this, name](const CParameterImage& parameter) {
                                          return m_store->NameIs(parameter, name);
                                      }),
                       m_parameters.end());
}

void CIniParametersImaging::ClearParameters()
{
    m_read = true;
    m_parameters.clear();
    m_outOfOrder = false;
}

void CIniParametersImaging::RenameParameters(std::string_view name, std::string_view newName)
{
    const std::string_view kept = m_store->arena.Keep(newName);
    for (CParameterImage* parameter : FindParameters(name)) {
        m_store->SetName(*parameter, kept);
        m_store->Renumber(*parameter, false);
    }
}

void CIniParametersImaging::SetValue(CParameterImage& parameter, std::string_view value)
{
    m_store->SetValue(parameter, m_store->arena.Keep(value), true);
}

bool CIniParametersImaging::DivideValues(std::string_view name, const std::string& dividerText)
{
    ScaleValues(name, dividerText, DivideValueText);
    return true;
}

bool CIniParametersImaging::MultiplyValues(std::string_view name, const std::string& multiplierText)
{
    ScaleValues(name, multiplierText, MultiplyValueText);
    return true;
}

// The factor is parsed once; every parameter of the name gets the result as its value,
// also when it is unchanged, so a bare name gets one.
void CIniParametersImaging::ScaleValues(std::string_view name, const std::string& factorText,
                                        std::string (*scale)(const std::string&, const ScaleFactor&))
{
    const ScaleFactor factor = ParseScaleFactor(factorText);
    for (CParameterImage* parameter : FindParameters(name)) {
        SetValue(*parameter, scale(std::string(m_store->ValueOf(*parameter)), factor));
    }
}
