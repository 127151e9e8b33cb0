#include "ini/LineSteps.h"

#include "ini/IniLine.h"
#include "ini/IniSectionsImaging.h"
#include "text/LetterCase.h"

#include <algorithm>
#include <cstdint>

namespace {

// The writer ends a line whose text ends with CR with a line break of its own, which
// the file's bytes do not hold.
bool EndsWithReturn(std::string_view text) { return !text.empty() && text.back() == '\r'; }

using Edit = CImageStore::LineEdit;

// Where the comment lines right in front of the line that begins at `lineStart` begin
// (the line's own start when there are none), in a body whose lines stand as written.
std::size_t CommentsBefore(std::string_view body, std::size_t lineStart)
{
    std::size_t from = lineStart;
    while (from > 0) {
        const std::size_t previous = IniLine::AfterLastLineFeed(body, 0, from - 1);
        if (IniLine::KindOf(body.substr(previous, 1)) != IniLine::Kind::Comment) break;
        from = previous;
    }
    return from;
}

// The lines from `from` to `to`, without their line breaks.
std::vector<std::string_view> CommentLines(std::string_view body, std::size_t from, std::size_t to)
{
    std::vector<std::string_view> lines;
    while (from < to) {
        const IniLine::Line line = IniLine::LineAt(body, from, body.find('\n', from), true);
        lines.push_back(line.text);
        from = line.next;
    }
    return lines;
}

// Every step from `index` on.
std::uint64_t FromOn(std::size_t index) { return index >= 64 ? 0 : ~std::uint64_t {0} << index; }

}  // namespace

CLineRun::CLineRun(LineSteps steps) : m_steps(std::move(steps))
{
    for (int byte = 0x80; byte < 256; ++byte) m_opens[byte] = true;
    for (std::size_t index = 0; index < m_steps.size() && index < 64; ++index) {
        const std::string& name = m_steps[index].name;
        const std::uint64_t bit = std::uint64_t {1} << index;
        m_allSteps |= bit;
        const std::uint32_t print = CImageStore::NamePrint(name);
        if (print == 0) {
            m_unprintedSteps |= bit;
        } else {
            std::size_t slot = Slot(print);
            while (m_prints[slot] != 0 && m_prints[slot] != print) slot = (slot + 1) % kSlots;
            m_prints[slot] = print;
            m_printSteps[slot] |= bit;
        }
        const auto opening = name.empty() ? 0 : static_cast<unsigned char>(name[0]);
        if (opening <= ' ' || opening >= 0x80 || opening == ';' || opening == '#' || opening == '=' || opening == '[') {
            m_everyLine = true;
            continue;
        }
        m_opens[LetterCase::Upper(opening)] = m_opens[LetterCase::Lower(opening)] = true;
    }
}

std::uint64_t CLineRun::StepsFor(std::uint32_t print) const
{
    if (print == 0) return m_allSteps;
    for (std::size_t slot = Slot(print); m_prints[slot] != 0; slot = (slot + 1) % kSlots) {
        if (m_prints[slot] == print) return m_unprintedSteps | m_printSteps[slot];
    }
    return m_unprintedSteps;
}

std::size_t CLineRun::NextLine(std::string_view body, std::size_t from) const
{
    if (m_everyLine || from >= body.size()) return from;
    return IniLine::NextLineOpeningWith(body, from, m_opens);
}

void CIniParametersImaging::ApplyLineSteps(const CLineRun& run)
{
    if (EditUnreadLines(run)) return;
    for (const LineStep& step : run.Steps()) ApplyLineStep(step);
}

void CIniParametersImaging::ApplyLineStep(const LineStep& step)
{
    switch (step.kind) {
    case LineStep::Kind::SetValue:
        for (CParameterImage* parameter : FindParameters(step.name)) SetValue(*parameter, step.text);
        break;
    case LineStep::Kind::Rename:
        RenameParameters(step.name, step.text);
        break;
    case LineStep::Kind::Remove:
        RemoveParameters(step.name);
        break;
    case LineStep::Kind::Multiply:
    case LineStep::Kind::Divide:
        ScaleValues(step);
        break;
    case LineStep::Kind::Move:
    case LineStep::Kind::Copy:
        MoveParameters(step);
        break;
    }
}

// Every parameter of the name gets the result as its value, also when it is unchanged,
// so a bare name gets one.
void CIniParametersImaging::ScaleValues(const LineStep& step)
{
    std::string scaled;
    for (CParameterImage* parameter : FindParameters(step.name)) {
        ScaleValueInto(m_store->ValueOf(*parameter), step.factor, step.Operation(), scaled);
        SetValue(*parameter, scaled);
    }
}

// The parameters as they are when the step starts go to every target in turn: copies
// made into the section itself are not copied again, and a move into the section
// itself leaves them where they are.
void CIniParametersImaging::MoveParameters(const LineStep& step)
{
    const bool removesSource = step.kind == LineStep::Kind::Move;
    std::vector<CParameterImage> sources;
    for (const CParameterImage* parameter : FindParameters(step.name)) sources.push_back(*parameter);
    bool copied = false;
    bool targetsItself = false;
    for (CIniSectionsImaging* target : step.targets) {
        if (target == this && removesSource) {
            targetsItself = true;
            continue;
        }
        for (const CParameterImage& source : sources) {
            target->InsertParameter(source);
            copied = true;
        }
    }
    if (removesSource && copied && !targetsItself) RemoveParameters(step.name);
}

// Each key line goes through the steps in turn under the name it has by then, and what
// they make of it becomes edits of its bytes: a new name for its key, a new value for
// its value, or the line gone with its comment lines. A line that earlier steps edited
// goes on from what they made of it. Settings a step moves or copies are inserted into
// their targets once the walk is through, as the step would have inserted them: target
// by target, in the order the section numbers them at that step.
bool CIniParametersImaging::EditUnreadLines(const CLineRun& run)
{
    const LineSteps& steps = run.Steps();
    if (m_read || !m_bodyAsWritten) return false;
    // An edit holds its places in 32 bits and its text's size in 30: the lines of an
    // unread section fit the places, and a text an edit takes from them (a value kept,
    // or left as it is by a rescaling) fits the size when all of them do; a step's own
    // text might not.
    if (BodyAsRead().size() > Edit::kMostTextBytes) return false;
    for (const LineStep& step : steps) {
        if (std::find(step.targets.begin(), step.targets.end(), this) != step.targets.end()) return false;
        if (step.text.size() > Edit::kMostTextBytes) return false;
    }
    CImageStore& store = *m_store;
    std::vector<Edit>& edits = store.madeEdits;
    edits.clear();
    // The edits earlier steps made; a new run replaces them.
    const CImageStore::LineEditRun earlier = LineEdits();
    // Renames are told apart by bits above those of the earlier steps.
    std::uint64_t earlierRenames = 0;
    for (const Edit& edit : earlier) earlierRenames |= edit.renames;
    const std::size_t shift = earlierRenames == 0 ? 0 : 64 - static_cast<std::size_t>(__builtin_clzll(earlierRenames));
    if (shift + steps.size() > 64) return false;
    struct Carried {
        std::size_t step;
        std::uint64_t renames;  // of the steps before it
        std::size_t lineStart;
        std::string_view name;
        std::string_view value;
        bool hasValue;
    };
    std::vector<Carried> carried;
    std::string scaled;  // a rescaled value's text, before the arena keeps it
    const std::string_view body = BodyAsRead();
    // Where the line an earlier edit belongs to begins.
    const auto ownerLine = [&](const Edit& edit) -> std::size_t {
        if (edit.What() == Edit::Kind::Name) return edit.begin;
        if (edit.What() == Edit::Kind::Remove) return IniLine::AfterLastLineFeed(body, 0, edit.end - 1);
        return IniLine::AfterLastLineFeed(body, 0, edit.begin);
    };
    std::size_t nextEarlier = 0;
    std::size_t at = 0;
    while (true) {
        at = run.NextLine(body, at);
        if (nextEarlier < earlier.count) at = std::min(at, ownerLine(earlier.first[nextEarlier]));
        if (at >= body.size()) break;
        const std::size_t lineStart = at;
        std::size_t equalsAt = 0;
        const std::size_t lineFeed = IniLine::LineFeedAndFirst<'='>(body, at, equalsAt);
        std::size_t end = lineFeed;
        if (lineFeed < body.size() && end > at && body[end - 1] == '\r') --end;
        const std::string_view line(body.data() + at, end - at);
        at = std::min(lineFeed + 1, body.size());
        const IniLine::Kind kind = IniLine::KindOf(line);
        if (kind == IniLine::Kind::Comment) continue;
        // Lines that stand as written are comment lines and key lines with a key.
        const std::size_t equals = equalsAt == std::string_view::npos ? equalsAt : equalsAt - lineStart;
        if (kind != IniLine::Kind::Key || equals == 0) return false;
        const bool hadValue = equals != std::string_view::npos;
        const std::size_t keySize = hadValue ? equals : line.size();
        std::string_view name(line.data(), keySize);
        std::string_view value = hadValue ? std::string_view(line.data() + equals + 1, line.size() - equals - 1)
                                          : std::string_view();
        bool hasValue = hadValue;
        bool valueChanged = false;
        bool removed = false;
        std::uint64_t renames = 0;
        for (; nextEarlier < earlier.count && earlier.first[nextEarlier].begin < at; ++nextEarlier) {
            const Edit& edit = earlier.first[nextEarlier];
            if (edit.What() == Edit::Kind::Remove) {
                removed = true;
                edits.push_back(edit);
            } else if (edit.What() == Edit::Kind::Name) {
                name = edit.Text();
                renames = edit.renames;
            } else {
                value = edit.Text();
                hasValue = valueChanged = true;
            }
        }
        if (removed) continue;
        std::uint32_t print = CImageStore::NamePrint(name);
        std::uint64_t candidates = run.StepsFor(print);
        for (std::size_t index = 0; !removed && (candidates &= FromOn(index)) != 0; ++index) {
            index = static_cast<std::size_t>(__builtin_ctzll(candidates));
            const LineStep& step = steps[index];
            if (!LetterCase::EqualNames(store.encoding, name, step.name)) continue;
            switch (step.kind) {
            case LineStep::Kind::SetValue:
                value = store.arena.Keep(step.text);
                hasValue = valueChanged = true;
                break;
            case LineStep::Kind::Rename:
                name = store.arena.Keep(step.text);
                print = CImageStore::NamePrint(name);
                candidates = run.StepsFor(print);
                renames |= std::uint64_t {1} << (shift + index);
                break;
            case LineStep::Kind::Remove:
                removed = true;
                break;
            case LineStep::Kind::Multiply:
            case LineStep::Kind::Divide: {
                ScaleValueInto(value, step.factor, step.Operation(), scaled);
                value = store.arena.Keep(scaled);
                hasValue = valueChanged = true;
                break;
            }
            case LineStep::Kind::Move:
            case LineStep::Kind::Copy:
                if (step.targets.empty()) break;
                carried.push_back(Carried {index, renames, lineStart, name, value, hasValue});
                removed = step.kind == LineStep::Kind::Move;
                break;
            }
        }
        if (removed) {
            edits.push_back(Edit::Make(CommentsBefore(body, lineStart), at, std::string_view(), 0, Edit::Kind::Remove));
            continue;
        }
        if (hasValue ? EndsWithReturn(value) : EndsWithReturn(name)) return false;
        if (renames != 0) edits.push_back(Edit::Make(lineStart, lineStart + keySize, name, renames, Edit::Kind::Name));
        const std::size_t lineEnd = lineStart + line.size();
        if (valueChanged && hadValue) {
            edits.push_back(Edit::Make(lineStart + equals + 1, lineEnd, value, 0, Edit::Kind::Value));
        } else if (valueChanged) {
            edits.push_back(Edit::Make(lineEnd, lineEnd, value, 0, Edit::Kind::ValueWithEqualSign));
        }
    }

    m_contents.unread.edits = store.lineEdits.Keep(edits.data(), edits.size());
    m_editCount = static_cast<std::uint32_t>(edits.size());
    // A carried setting keeps its order number: the key lines before it are counted.
    std::stable_sort(carried.begin(), carried.end(), [](const Carried& left, const Carried& right) {
        return left.step != right.step ? left.step < right.step : left.renames < right.renames;
    });
    std::size_t counted = 0;
    std::int32_t order = m_contents.unread.firstOrder;
    for (std::size_t from = 0; from < carried.size();) {
        std::size_t to = from;
        std::vector<CParameterImage> sources;
        for (; to < carried.size() && carried[to].step == carried[from].step; ++to) {
            const Carried& line = carried[to];
            if (line.lineStart < counted) {
                counted = 0;
                order = m_contents.unread.firstOrder;
            }
            for (; counted < line.lineStart; counted = std::min(body.find('\n', counted), body.size() - 1) + 1) {
                if (IniLine::KindOf(body.substr(counted, 1)) != IniLine::Kind::Comment) ++order;
            }
            CParameterImage& source = sources.emplace_back();
            source.orderNumber = order;
            store.SetName(source, line.name);
            store.SetValue(source, line.value, line.hasValue);
            source.sequence = store.nextSequence++;
            const std::size_t comments = CommentsBefore(body, line.lineStart);
            store.SetComments(source, store.KeepComments(CommentLines(body, comments, line.lineStart)));
        }
        for (CIniSectionsImaging* target : steps[carried[from].step].targets) {
            for (const CParameterImage& source : sources) target->InsertParameter(source);
        }
        from = to;
    }
    return true;
}
