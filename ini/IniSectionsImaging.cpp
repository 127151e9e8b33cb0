#include "ini/IniSectionsImaging.h"

#include "ini/IniLine.h"
#include "ini/ValueScaling.h"
#include "text/LetterCase.h"

#include <algorithm>
#include <cstdint>
#include <new>
#include <stdexcept>
#include <utility>

CParameterImage* CIniParametersImaging::FindParameter(std::string_view name)
{
    return const_cast<CParameterImage*>(std::as_const(*this).FindParameter(name));
}

const CParameterImage* CIniParametersImaging::FindParameter(std::string_view name) const
{
    ReadOnce();
    const CParameterImage* first = nullptr;
    for (const CParameterImage& parameter : m_contents.parameters) {
        if (!m_store->NameIs(parameter, name)) continue;
        if (first == nullptr || parameter.sequence < first->sequence) first = &parameter;
    }
    return first;
}

std::vector<CParameterImage*> CIniParametersImaging::FindParameters(std::string_view name)
{
    ReadOnce();
    std::vector<CParameterImage*> found;
    for (CParameterImage& parameter : m_contents.parameters) {
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
    List& parameters = m_contents.parameters;
    if (!parameters.empty() && parameters.back().orderNumber > parameter.orderNumber) m_outOfOrder = true;
    parameters.push_back(parameter);
}

// A stable sort keeps parameters of equal order number in the order they came.
void CIniParametersImaging::PutInOrder() const
{
    std::stable_sort(m_contents.parameters.begin(), m_contents.parameters.end(),
                     [](const CParameterImage& left, const CParameterImage& right) {
                         return left.orderNumber < right.orderNumber;
                     });
    m_outOfOrder = false;
}

// The lines go through the reader's rules: a line the reader dropped (an empty one, a
// header it warned about, a key that is empty once cleaned) is dropped again, and
// comment lines go with the next parameter. What steps made of the lines while the
// section was unread is taken over: a removed line keeps its order number from the
// others, and a renamed one counts as inserted after those never renamed, in the order
// the renames came (lines renamed by the same steps in the order of the lines).
void CIniParametersImaging::ReadBody() const
{
    ReadLines(BodyAsRead(), m_contents.unread.firstOrder, LineEdits());
}

void CIniParametersImaging::ReadLines(std::string_view body, std::int32_t firstOrder,
                                      CImageStore::LineEditRun edits) const
{
    BecomeRead();
    CImageStore& store = *m_store;
    // No more parameters than lines.
    m_contents.parameters.reserve(static_cast<std::size_t>(std::count(body.begin(), body.end(), '\n')) + 1);
    std::int32_t order = firstOrder;
    std::vector<std::string_view> pending;
    const bool renamed = std::any_of(edits.begin(), edits.end(), [](const CImageStore::LineEdit& edit) {
        return edit.What() == CImageStore::LineEdit::Kind::Name;
    });
    // With renamed lines the numbers wait until every line is read.
    std::vector<std::uint64_t> renames;
    std::vector<CommentSpan> comments;
    std::size_t nextEdit = 0;
    // The edits of a line begin before the next line does.
    const auto take = [&](std::string_view key, std::string_view value, bool hasValue, std::size_t next) {
        std::uint64_t lineRenames = 0;
        bool removed = false;
        for (; nextEdit < edits.count && edits.first[nextEdit].begin < next; ++nextEdit) {
            const CImageStore::LineEdit& edit = edits.first[nextEdit];
            if (edit.What() == CImageStore::LineEdit::Kind::Remove) removed = true;
            if (edit.What() == CImageStore::LineEdit::Kind::Name) {
                key = edit.Text();
                lineRenames = edit.renames;
            }
            if (edit.What() == CImageStore::LineEdit::Kind::Value ||
                edit.What() == CImageStore::LineEdit::Kind::ValueWithEqualSign) {
                value = edit.Text();
                hasValue = true;
            }
        }
        const std::int32_t lineOrder = order++;
        if (removed) {
            pending.clear();
            return;
        }
        CParameterImage& parameter = m_contents.parameters.emplace_back();
        parameter.orderNumber = lineOrder;
        store.SetName(parameter, key);
        store.SetValue(parameter, value, hasValue);
        if (renamed) {
            renames.push_back(lineRenames);
            comments.push_back(store.KeepComments(pending));
        } else {
            parameter.sequence = store.nextSequence++;
            store.SetComments(parameter, store.KeepComments(pending));
        }
        pending.clear();
    };
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
            const std::size_t next = std::min(at, body.size());
            if (equals == std::string_view::npos) {
                take(line, std::string_view(), false, next);
            } else if (equals > 0) {
                take(line.substr(0, equals), line.substr(equals + 1), true, next);
            }
        }
    } else {
        IniLine::CLines lines(body, "\n");
        for (IniLine::Line line; lines.Next(line);) {
            const IniLine::Kind kind = IniLine::KindOf(line.text);
            if (kind == IniLine::Kind::Comment) pending.push_back(line.text);
            if (kind != IniLine::Kind::Key) continue;
            const IniLine::KeyLine split = IniLine::SplitKeyLine(line);
            std::string_view key = split.key;
            if (split.needsCleaning) key = store.arena.Keep(IniLine::CleanName(split.rawKey));
            if (key.empty()) continue;
            take(key, split.value, split.hasValue, line.next);
        }
    }
    if (!renamed) return;
    std::vector<std::uint32_t> byNumber(m_contents.parameters.size());
    for (std::uint32_t index = 0; index < byNumber.size(); ++index) byNumber[index] = index;
    std::stable_sort(byNumber.begin(), byNumber.end(),
                     [&](std::uint32_t left, std::uint32_t right) { return renames[left] < renames[right]; });
    for (const std::uint32_t index : byNumber) {
        m_contents.parameters[index].sequence = store.nextSequence++;
        store.SetComments(m_contents.parameters[index], comments[index]);
    }
}

void CIniParametersImaging::RemoveParameters(std::string_view name)
{
    ReadOnce();
    List& parameters = m_contents.parameters;
    parameters.erase(std::remove_if(parameters.begin(), parameters.end(),
                                    [this, name](const CParameterImage& parameter) {
                                        return m_store->NameIs(parameter, name);
                                    }),
                     parameters.end());
}

void CIniParametersImaging::BecomeRead() const
{
    if (m_read) return;
    new (&m_contents.parameters) List();
    m_read = true;
}

// A section's lines that do not fit the record (more than 4 GiB of them) are read at
// once.
void CIniParametersImaging::SetUnreadBody(const SectionBody& body, bool asWritten)
{
    m_bodyAsWritten = asWritten;
    if (!m_read || !m_contents.parameters.empty()) throw std::logic_error("lines given to a section that has some");
    if (body.keyLines == 0) return;
    const std::uint64_t size = body.end - body.begin;
    if (size > UINT32_MAX) {
        ReadLines(m_store->fileBytes.substr(body.begin, size), body.firstOrder, {});
        return;
    }
    m_contents.parameters.~List();
    m_contents.unread = UnreadLines {body.begin, static_cast<std::uint32_t>(size), body.firstOrder, nullptr};
    m_read = false;
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

