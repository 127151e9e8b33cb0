#pragma once

// One section of an INI file image: its header and its parameters, kept in the order
// they are written (ascending order number). Names are compared without regard to
// letter case; several parameters may share a name, and among them the one inserted
// first is found first.

#include "support/BlockRuns.h"
#include "support/Foresee.h"
#include "ini/ImageElements.h"
#include "ini/LineSteps.h"
#include "support/TextArena.h"
#include "text/LetterCase.h"
#include "text/TextEncoding.h"

#include <algorithm>
#include <cstdint>
#include <deque>
#include <functional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

// What the sections of one image share: the file's bytes that parameters refer to, the
// arena for texts that actions write and the table of texts parameters refer to by
// entry, the image's comment lines, the counter that numbers insertions, and the file's
// encoding, which decides how names compare.
struct CImageStore {
    CImageStore() : texts(1) {}

    TextEncoding encoding = TextEncoding::Windows1251;
    std::string_view fileBytes;
    CTextArena arena;
    // Lists that only grow, in blocks that stay where they are: no list is ever held
    // twice while it grows.
    std::deque<std::string_view> texts;  // entry 0: the empty text
    std::deque<std::string_view> commentLines;
    // The comment lines of the parameters that have any, in ascending sequence number:
    // numbers are given in ascending order, so an entry is added at the end.
    struct NumberedComments {
        std::uint32_t sequence;
        CommentSpan span;
    };
    std::vector<NumberedComments> commentsBySequence;
    std::uint32_t nextSequence = 1;
    // Changes steps made to lines of sections nothing has read yet, each section's a
    // run of the list in the order of its lines: the section's lines from `begin` to
    // `end` (offsets into them) give way to the text. A line's new name replaces its
    // key, a new value its value (a line that held none gets '=' and the value), and a
    // removed line goes with the comment lines in front of it. `renames` has a bit for
    // each step of the run that renamed the line. Seven 32-bit words, packed so that
    // a run of them has no gaps: a large file's edits are many.
#pragma pack(push, 4)
    struct LineEdit {
        enum class Kind : std::uint8_t { Value, ValueWithEqualSign, Name, Remove };
        // The longest text an edit holds: its size shares a word with its kind.
        static constexpr std::size_t kMostTextBytes = (std::size_t {1} << 30) - 1;

        static LineEdit Make(std::size_t begin, std::size_t end, std::string_view text, std::uint64_t renames,
                             Kind kind)
        {
            const auto sizeAndKind = static_cast<std::uint32_t>(text.size() | static_cast<std::size_t>(kind) << 30);
            return LineEdit {static_cast<std::uint32_t>(begin), static_cast<std::uint32_t>(end), text.data(),
                             renames, sizeAndKind};
        }
        std::string_view Text() const { return std::string_view(textData, sizeAndKind & kMostTextBytes); }
        Kind What() const { return static_cast<Kind>(sizeAndKind >> 30); }

        std::uint32_t begin;
        std::uint32_t end;
        const char* textData;
        std::uint64_t renames;
        std::uint32_t sizeAndKind;
    };
#pragma pack(pop)
    static_assert(sizeof(LineEdit) == 28, "a line edit is seven 32-bit words");
    struct LineEditRun {
        const LineEdit* first = nullptr;
        std::size_t count = 0;

        const LineEdit* begin() const { return first; }
        const LineEdit* end() const { return first + count; }
    };
    CBlockRuns<LineEdit> lineEdits;
    // Where a walk over a section's lines makes its run before it is kept.
    std::vector<LineEdit> madeEdits;

    std::string_view NameOf(const CParameterImage& parameter) const
    {
        return Resolve(parameter.m_nameRef, parameter.m_nameSize & CParameterImage::kInlineNameBits);
    }
    std::string_view ValueOf(const CParameterImage& parameter) const
    {
        return Resolve(parameter.m_valueRef, parameter.m_valueSize & CParameterImage::kInlineValueBits);
    }
    CommentSpan CommentsOf(const CParameterImage& parameter) const
    {
        if ((parameter.m_nameSize & CParameterImage::kHasCommentsBit) == 0) return CommentSpan();
        const auto found = FindComments(parameter.sequence);
        return found == commentsBySequence.end() ? CommentSpan() : found->span;
    }
    // The parameter's name equals `name` but for letter case; in a Windows-1251 file
    // names of other lengths differ at once, and in either names whose first letters
    // differ.
    bool NameIs(const CParameterImage& parameter, std::string_view name) const
    {
        if (encoding == TextEncoding::Windows1251 && (parameter.m_nameRef & CParameterImage::kInTable) == 0 &&
            (parameter.m_nameSize & CParameterImage::kInlineNameBits) != name.size()) {
            return false;
        }
        const std::uint32_t print = NamePrint(name);
        if (print != 0 && parameter.m_namePrint != 0 && print != parameter.m_namePrint) return false;
        return LetterCase::EqualNames(encoding, NameOf(parameter), name);
    }
    // The first four bytes of a name, upper-cased, nothing after a shorter name's end;
    // 0 (no print) when one of them is no ASCII byte: in UTF-8 such a byte may begin a
    // letter that folds to an ASCII one. Names equal but for case never have two
    // different prints.
    static std::uint32_t NamePrint(std::string_view name)
    {
        std::uint32_t print = 0;
        const std::size_t count = name.size() < 4 ? name.size() : 4;
        for (std::size_t index = 0; index < count; ++index) {
            const auto byte = static_cast<unsigned char>(name[index]);
            if (byte >= 0x80) return 0;
            print |= static_cast<std::uint32_t>(LetterCase::Upper(byte)) << (8 * index);
        }
        return print;
    }

    // The texts must lie in the file's bytes or outlive the image (the arena's).
    void SetName(CParameterImage& parameter, std::string_view name)
    {
        std::uint16_t size = 0;
        parameter.m_nameRef = Reference(name, CParameterImage::kInlineNameBits, size);
        parameter.m_nameSize = static_cast<std::uint16_t>(size | (parameter.m_nameSize & CParameterImage::kHasCommentsBit));
        parameter.m_namePrint = NamePrint(name);
    }
    void SetValue(CParameterImage& parameter, std::string_view value, bool present)
    {
        std::uint16_t size = 0;
        parameter.m_valueRef = Reference(value, CParameterImage::kInlineValueBits, size);
        parameter.m_valueSize = static_cast<std::uint16_t>(size | (present ? CParameterImage::kHasValueBit : 0u));
    }
    // Adds comment lines to the image's list; the span names them there.
    CommentSpan KeepComments(const std::vector<std::string_view>& lines)
    {
        if (lines.empty()) return CommentSpan();
        CommentSpan span;
        span.first = static_cast<std::uint32_t>(commentLines.size());
        span.count = static_cast<std::uint32_t>(lines.size());
        commentLines.insert(commentLines.end(), lines.begin(), lines.end());
        return span;
    }
    // The parameter's sequence number is given first.
    void SetComments(CParameterImage& parameter, CommentSpan span)
    {
        if (span.empty()) {
            parameter.m_nameSize &= CParameterImage::kInlineNameBits;
            return;
        }
        parameter.m_nameSize |= CParameterImage::kHasCommentsBit;
        NoteComments(parameter.sequence, span);
    }
    // Numbers the parameter as inserted last; its comment lines go with it, and stay
    // with the parameter it was copied from when `copied`.
    void Renumber(CParameterImage& parameter, bool copied)
    {
        const std::uint32_t previous = parameter.sequence;
        parameter.sequence = nextSequence++;
        if ((parameter.m_nameSize & CParameterImage::kHasCommentsBit) == 0) return;
        const auto found = FindComments(previous);
        if (found == commentsBySequence.end()) return;
        const CommentSpan span = found->span;
        // The parameter left behind a number no parameter holds any longer.
        if (!copied) found->span = CommentSpan();
        NoteComments(parameter.sequence, span);
    }

    // Name, and "=" with the value when there is one. A line the file holds as it is
    // written is copied from the file's bytes in one piece.
    void AppendLine(const CParameterImage& parameter, std::string& text) const
    {
        const std::uint32_t name = parameter.m_nameRef;
        const std::uint32_t value = parameter.m_valueRef;
        if (parameter.HasValue() && ((name | value) & CParameterImage::kInTable) == 0 &&
            value == name + (parameter.m_nameSize & CParameterImage::kInlineNameBits) + 1u) {
            const std::size_t nameSize = parameter.m_nameSize & CParameterImage::kInlineNameBits;
            const std::size_t valueSize = parameter.m_valueSize & CParameterImage::kInlineValueBits;
            text.append(fileBytes.data() + name, nameSize + 1u + valueSize);
            return;
        }
        text += NameOf(parameter);
        if (!parameter.HasValue()) return;
        text += '=';
        text += ValueOf(parameter);
    }

private:
    // The first entry of the number or after it, in either constness of the list.
    template <class List>
    static auto PlaceOf(List& list, std::uint32_t sequence)
    {
        return std::lower_bound(list.begin(), list.end(), sequence,
                                [](const NumberedComments& entry, std::uint32_t wanted) { return entry.sequence < wanted; });
    }
    template <class List>
    static auto FindIn(List& list, std::uint32_t sequence)
    {
        const auto found = PlaceOf(list, sequence);
        return found != list.end() && found->sequence == sequence ? found : list.end();
    }
    std::vector<NumberedComments>::iterator FindComments(std::uint32_t sequence)
    {
        return FindIn(commentsBySequence, sequence);
    }
    std::vector<NumberedComments>::const_iterator FindComments(std::uint32_t sequence) const
    {
        return FindIn(commentsBySequence, sequence);
    }
    void NoteComments(std::uint32_t sequence, CommentSpan span)
    {
        const auto place = PlaceOf(commentsBySequence, sequence);
        if (place != commentsBySequence.end() && place->sequence == sequence) {
            place->span = span;
        } else {
            commentsBySequence.insert(place, NumberedComments {sequence, span});
        }
    }

    std::string_view Resolve(std::uint32_t reference, std::uint32_t size) const
    {
        if ((reference & CParameterImage::kInTable) != 0) return texts[reference & ~CParameterImage::kInTable];
        return std::string_view(fileBytes.data() + reference, size);
    }

    // An offset into the file's bytes with the size beside it where both fit, else an
    // entry of the text table.
    std::uint32_t Reference(std::string_view text, std::uint32_t sizeLimit, std::uint16_t& size)
    {
        const char* begin = fileBytes.data();
        const bool inFile = !text.empty() && begin != nullptr && text.data() >= begin &&
                            text.data() + text.size() <= begin + fileBytes.size();
        if (inFile && text.size() <= sizeLimit &&
            static_cast<std::size_t>(text.data() - begin) < CParameterImage::kInTable) {
            size = static_cast<std::uint16_t>(text.size());
            return static_cast<std::uint32_t>(text.data() - begin);
        }
        size = 0;
        if (text.empty()) return CParameterImage::kInTable;
        if (texts.size() >= CParameterImage::kInTable) throw std::length_error("more than 2^31 texts in one file");
        texts.push_back(text);
        return CParameterImage::kInTable | static_cast<std::uint32_t>(texts.size() - 1);
    }
};

// The lines of a section after its header, up to the end of its last key line, as the
// file holds them. They are read into parameters only when something asks for the
// section's parameters: most sections of a large file are written back untouched.
struct SectionBody {
    // Offsets into the file's bytes.
    std::uint64_t begin = 0;
    std::uint64_t end = 0;
    // The order number of the first parameter; the others follow it one by one.
    std::int32_t firstOrder = 0;
    // Lines that make a parameter.
    std::uint32_t keyLines = 0;
};

class CIniParametersImaging {
public:
    using List = std::vector<CParameterImage>;

    explicit CIniParametersImaging(CImageStore& store) : m_store(&store) {}
    CIniParametersImaging(const CIniParametersImaging&) = delete;
    CIniParametersImaging& operator=(const CIniParametersImaging&) = delete;
    ~CIniParametersImaging()
    {
        if (m_read) m_contents.parameters.~List();
    }

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
    // Gives every parameter of that name the new name; each counts as inserted anew.
    void RenameParameters(std::string_view name, std::string_view newName);
    // Stores a copy of the text as the parameter's value.
    void SetValue(CParameterImage& parameter, std::string_view value);
    // Gives an empty section the lines it reads when its parameters are first asked for.
    // `asWritten`: every line would be written back with the same bytes, so the writer
    // copies them.
    void SetUnreadBody(const SectionBody& body, bool asWritten);
    // The section's lines exactly as the writer would write them, when they were never
    // read (nothing changed them but LineEdits) and their bytes are what writing them
    // gives.
    bool WritesBodyAsRead() const { return !m_read && m_bodyAsWritten; }
    // The changes steps made to the lines of an unread section, in the order of the lines.
    CImageStore::LineEditRun LineEdits() const
    {
        if (m_read) return {};
        return {m_contents.unread.edits, m_editCount};
    }
    // Where the lines of an unread section begin in the file's bytes, and the lines.
    std::uint64_t BodyBegin() const { return m_read ? 0 : m_contents.unread.begin; }
    std::string_view BodyAsRead() const
    {
        if (m_read) return std::string_view();
        return m_store->fileBytes.substr(m_contents.unread.begin, m_contents.unread.size);
    }

    // In writing order.
    const List& ParametersInOrder() const
    {
        ReadOnce();
        if (m_outOfOrder) PutInOrder();
        return m_contents.parameters;
    }
    // In no particular order.
    const List& Parameters() const
    {
        ReadOnce();
        return m_contents.parameters;
    }
    const CImageStore& Store() const { return *m_store; }
    CImageStore& Store() { return *m_store; }

    // A walk over many sections in name order reaches them all over memory: it asks
    // for a section's record some turns ahead (Foresee), and for the settings or lines
    // the record refers to a few turns later (ForeseeContents), so that neither is
    // waited for when its turn comes. Only hints: nothing changes.
    void Foresee() const { ForeseeBytes(this, sizeof(CIniParametersImaging)); }
    void ForeseeContents() const
    {
        if (m_read) {
            ForeseeBytes(m_contents.parameters.data(), m_contents.parameters.size() * sizeof(CParameterImage));
        } else {
            ForeseeBytes(m_contents.unread.edits, m_editCount * sizeof(CImageStore::LineEdit));
        }
    }
    // Also the first lines of an unread section.
    void ForeseeAllContents() const
    {
        ForeseeContents();
        const std::string_view body = BodyAsRead();
        ForeseeBytes(body.data(), body.size());
    }

    // The steps in turn, as each would run over the section alone. A section nothing
    // has read, whose lines stand as written, stays unread: its lines are gone over
    // once, and what the steps make of each is kept as LineEdits.
    void ApplyLineSteps(const CLineRun& run);

private:
    void ApplyLineStep(const LineStep& step);
    void ScaleValues(const LineStep& step);
    void MoveParameters(const LineStep& step);
    // The steps over the lines of an unread section; false, with nothing changed, when
    // the section is not one that can stay unread.
    bool EditUnreadLines(const CLineRun& run);

    // Parameters inserted before others of a higher order number (a setting moved in
    // from an older place) are put in their place when writing order is next asked
    // for: many such insertions then cost one sort.
    void PutInOrder() const;

    void ReadOnce() const
    {
        if (!m_read) ReadBody();
    }
    void ReadBody() const;
    void ReadLines(std::string_view body, std::int32_t firstOrder, CImageStore::LineEditRun edits) const;
    // The section is read, with no parameters yet.
    void BecomeRead() const;

    // Where the lines of a section nothing has read lie in the file's bytes, the order
    // number of the first parameter (the others follow it one by one), and the store's
    // run of line edits that the section holds (m_editCount of them).
    struct UnreadLines {
        std::uint64_t begin;
        std::uint32_t size;
        std::int32_t firstOrder;
        const CImageStore::LineEdit* edits;
    };
    // A section holds its parameters once read, and where its lines lie until then,
    // never both: most sections of a large file are never read, and a record is as
    // small as either.
    union Contents {
        Contents() : parameters() {}
        ~Contents() {}
        UnreadLines unread;
        List parameters;
    };

    CImageStore* m_store;
    mutable Contents m_contents;
    mutable bool m_read = true;
    mutable bool m_outOfOrder = false;
    bool m_bodyAsWritten = false;
    std::uint32_t m_editCount = 0;
};

class CIniSectionsImaging : public CIniParametersImaging {
public:
    CIniSectionsImaging(CImageStore& store, std::int32_t orderNumber, std::string_view name,
                        CommentSpan commentLines = {})
        : CIniParametersImaging(store), header(orderNumber, std::string_view(), commentLines)
    {
        SetName(name);
    }

    // Names are kept together in the arena, where selecting sections reads them without
    // reaching the file's bytes.
    void SetName(std::string_view name) { header.SetName(Store().arena.Keep(name)); }

    CSectionImage header;
};

static_assert(sizeof(CIniSectionsImaging) <= 64, "a section record fits a cache line");
