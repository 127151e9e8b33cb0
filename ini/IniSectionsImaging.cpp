#include "ini/IniSectionsImaging.h"

#include "ini/IniLine.h"
#include "ini/ValueScaling.h"
#include "text/LetterCase.h"

#include <algorithm>
#include <utility>

namespace {

// Where a line's text ends, as an offset into the file's bytes.
std::uint64_t LineEndOffset(const CImageStore& store, const IniLine::Line& line)
{
    return static_cast<std::uint64_t>(line.text.data() + line.text.size() - store.fileBytes.data());
}

}  // namespace

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
    // Values a step gave lines while the section was unread are taken over.
    const CImageStore::ValueEditRun edits = ValueEdits();
    m_editCount = 0;
    std::size_t nextEdit = 0;
    const auto take = [&](std::string_view key, std::string_view value, bool hasValue, std::string_view line) {
        CParameterImage& parameter = m_parameters.emplace_back();
        parameter.orderNumber = order++;
        parameter.sequence = store.nextSequence++;
        store.SetName(parameter, key);
        store.SetValue(parameter, value, hasValue);
        const auto lineEnd = static_cast<std::uint64_t>(line.data() + line.size() - store.fileBytes.data());
        if (nextEdit < edits.count && edits.first[nextEdit].end == lineEnd) {
            store.SetValue(parameter, edits.first[nextEdit].value, true);
            ++nextEdit;
        }
        store.SetComments(parameter, store.KeepComments(pending));
        pending.clear();
    };
    const std::string_view body = BodyAsRead();
    if (m_bodyAsWritten) {
        // Every line stands as written: a comment line, or a key line whose key runs
        // to its first '='.
        for (std::size_t at = 0; at < body.size();) {
            const std::size_t lineFeed = std::min(body.find('\n', at), body.size());
            std::size_t end = lineFeed;
            if (lineFeed < body.size() && end > at && body[end - 1] == '\r') --end;
            const std::string_view line = body.substr(at, end - at);
            at = lineFeed + 1;
            const IniLine::Kind kind = IniLine::KindOf(line);
            if (kind == IniLine::Kind::Comment) pending.push_back(line);
            if (kind != IniLine::Kind::Key) continue;
            const std::size_t equals = line.find('=');
            if (equals == std::string_view::npos) {
                take(line, std::string_view(), false, line);
            } else if (equals > 0) {
                take(line.substr(0, equals), line.substr(equals + 1), true, line);
            }
        }
        return;
    }
    IniLine::CLines lines(body, "\n");
    for (IniLine::Line line; lines.Next(line);) {
        const IniLine::Kind kind = IniLine::KindOf(line.text);
        if (kind == IniLine::Kind::Comment) pending.push_back(line.text);
        if (kind != IniLine::Kind::Key) continue;
        const IniLine::KeyLine split = IniLine::SplitKeyLine(line);
        std::string_view key = split.key;
        if (split.needsCleaning) key = store.arena.Keep(IniLine::CleanName(split.rawKey));
        if (key.empty()) continue;
        take(key, split.value, split.hasValue, line.text);
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
    m_editCount = 0;
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

// A section whose lines are written back as they were read keeps them unread: the lines
// of the name are found by the reader's own rules (their keys stand as written), and
// each gets its new value as an edit the writer makes as it copies the lines.
bool CIniParametersImaging::EditUnreadValues(std::string_view name,
                                             const std::function<std::string(std::string_view)>& newValue)
{
    if (m_read || !m_bodyAsWritten || m_editCount != 0) return false;
    CImageStore& store = *m_store;
    std::vector<CImageStore::ValueEdit>& edits = store.valueEdits;
    const std::size_t first = edits.size();
    const auto editLine = [&](const IniLine::Line& line) {
        if (IniLine::KindOf(line.text) != IniLine::Kind::Key) return;
        const IniLine::KeyLine split = IniLine::SplitKeyLine(line);
        if (!LetterCase::EqualNames(store.encoding, split.key, name)) return;
        const std::string value = newValue(split.value);
        const std::uint64_t end = LineEndOffset(store, line);
        const std::uint64_t begin = end - (split.hasValue ? split.value.size() : 0);
        edits.push_back(CImageStore::ValueEdit {begin, end, store.arena.Keep(value), !split.hasValue});
    };
    const std::string_view body = BodyAsRead();
    const auto opening = name.empty() ? 0 : static_cast<unsigned char>(name[0]);
    if (opening > ' ' && opening < 0x80 && opening != ';' && opening != '#' && opening != '=' && opening != '[') {
        // Every line of a section written as read stands as written: its key begins
        // the line. Only lines that begin as the name does in either case (or with a
        // byte a UTF-8 letter may begin with) are looked at.
        const char one = static_cast<char>(LetterCase::Upper(opening));
        const char other = static_cast<char>(LetterCase::Lower(opening));
        for (std::size_t at = IniLine::NextLineOpeningWith(body, 0, one, other); at < body.size();) {
            const std::size_t lineFeed = std::min(body.find('\n', at), body.size());
            const IniLine::Line line = IniLine::LineAt(body, at, lineFeed, false);
            editLine(line);
            at = IniLine::NextLineOpeningWith(body, line.next, one, other);
        }
    } else {
        IniLine::CLines lines(body, "\n");
        for (IniLine::Line line; lines.Next(line);) editLine(line);
    }
    if (edits.size() == first) return true;
    // A value that ends with CR is written with a line break of its own: the section is
    // read after all, and the values already made are given as they are.
    const bool endsWithReturn = std::any_of(edits.begin() + first, edits.end(), [](const CImageStore::ValueEdit& edit) {
        return !edit.value.empty() && edit.value.back() == '\r';
    });
    if (endsWithReturn) {
        const std::vector<CImageStore::ValueEdit> made(edits.begin() + first, edits.end());
        edits.resize(first);
        const std::vector<CParameterImage*> found = FindParameters(name);
        for (std::size_t index = 0; index < found.size() && index < made.size(); ++index) {
            SetValue(*found[index], made[index].value);
        }
        return true;
    }
    m_firstEdit = static_cast<std::uint32_t>(first);
    m_editCount = static_cast<std::uint32_t>(edits.size() - first);
    return true;
}

// The factor is parsed once; every parameter of the name gets the result as its value,
// also when it is unchanged, so a bare name gets one.
void CIniParametersImaging::ScaleValues(std::string_view name, const std::string& factorText,
                                        std::string (*scale)(const std::string&, const ScaleFactor&))
{
    const ScaleFactor factor = ParseScaleFactor(factorText);
    const auto scaled = [&](std::string_view value) { return scale(std::string(value), factor); };
    if (EditUnreadValues(name, scaled)) return;
    for (CParameterImage* parameter : FindParameters(name)) {
        SetValue(*parameter, scale(std::string(m_store->ValueOf(*parameter)), factor));
    }
}
