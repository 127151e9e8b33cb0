#pragma once

// The in-memory image of one INI settings file: its sections, their parameters, comment
// lines and the order numbers that fix where each element is written. Sections are
// found by name without regard to letter case through a hash index; "index order", in
// which templates select sections, is the case-insensitive order of their names.
//
// Names, values and comment lines are views into the file's bytes, which the image
// keeps, or into its arena when an action writes a new text.

#include "engine/TemporaryFile.h"
#include "ini/IniSectionsImaging.h"
#include "ini/SectionIndex.h"
#include "platform/FileBytes.h"
#include "support/Optional.h"
#include "support/StableSlots.h"
#include "text/LetterCase.h"
#include "text/Utf16.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

class CSafeRegex;
class CSha256;
namespace IniLine {
struct Line;
}

// How a file's encoding is decided: forced, or told from its bytes, a file of ASCII
// bytes taking the scheme's. A file that starts with a UTF-16 mark is UTF-16 unless a
// single-byte encoding is forced; `utf16` forces UTF-16 in that order on a file without
// a mark.
struct FileEncodingRule {
    TextEncoding forAscii = TextEncoding::Windows1251;
    bool forced = false;
    ByteForm utf16 = ByteForm::SingleBytes;
};

class CIniFileImage {
public:
    CIniFileImage() : m_store(std::make_unique<CImageStore>()) {}
    CIniFileImage(CIniFileImage&&) = default;
    CIniFileImage& operator=(CIniFileImage&&) = default;
    CIniFileImage(const CIniFileImage&) = delete;
    CIniFileImage& operator=(const CIniFileImage&) = delete;
    ~CIniFileImage() = default;

    // Fills an empty image from a file; throws when the file cannot be opened or read,
    // or is no text: a zero byte in a single-byte file, UTF-16 that does not decode.
    void Load(const std::string& path, FileEncodingRule rule = FileEncodingRule());
    // Tests compare what the reader makes of a text with what a reading of every line
    // one by one makes of it; true makes every Load read so, until false.
    static void ReadLineByLineForTesting(bool lineByLine);
    // The encoding of the file's texts, decided when it was read; names compare by it.
    TextEncoding FileEncoding() const { return m_store->encoding; }
    // Stages the image's text, conversion stamp included, beside the real target of
    // `path`, flushed to disk and closed, with the permission bits and owner of the first
    // of `attributeSources` that exists; the caller puts it in place (or lets it go).
    // Throws, leaving nothing, when the target is not a writable regular file or a step
    // fails. With `digest`, the bytes written are also fed to it.
    CTemporaryFile WriteTemporary(const std::string& path, const std::vector<std::string>& attributeSources,
                                  CSha256* digest = nullptr) const;
    // The line break the file is written with.
    std::string_view LineEnd() const;
    // The text Save writes, conversion stamp included.
    std::string ComposeText() const;
    // Appends the text to `text`; see IniWriter.cpp.
    bool ComposeInto(std::string& text, const std::function<bool(std::string&)>& flush,
                     const std::function<bool(std::string_view)>& passBytes = nullptr) const;

    CIniSectionsImaging* FindSection(std::string_view name);
    const CIniSectionsImaging* FindSection(std::string_view name) const;
    bool AddSection(const std::string& name);
    bool RenameSection(const std::string& oldName, const std::string& newName);
    bool CopySection(const std::string& sourceName, const std::string& targetName);
    void RemoveSection(const std::string& name);
    // Removes every section SelectSections would name, in no order; throws as it does.
    void RemoveSections(const std::string& namePattern);
    // Names of the sections whose lower-cased name the pattern matches as a whole, in
    // index order. Throws the regular-expression error of an invalid pattern when
    // there is a section to test.
    std::vector<std::string> SelectSections(const std::string& namePattern) const;
    // Distinct names of a section's parameters that the pattern selects.
    std::vector<std::string> SelectParameters(const std::string& sectionName, const std::string& namePattern) const;
    // The same with a pattern compiled once by the caller.
    std::vector<std::string> SelectSections(const CSafeRegex& pattern) const;
    // The sections themselves that SelectSections names, in the same order.
    std::vector<CIniSectionsImaging*> SelectSectionImages(const std::string& namePattern);
    std::vector<std::string> SelectParameters(const std::string& sectionName, const CSafeRegex& pattern) const;
    std::vector<std::string> SelectParameters(const CIniSectionsImaging& section, const CSafeRegex& pattern) const;
    bool AddParameter(const std::string& sectionName, const std::string& parameterName,
                      const COptional<std::string>& value);
    bool HasParameter(const std::string& sectionName, const std::string& parameterName) const;
    std::string GetParameterValue(const std::string& sectionName, const std::string& parameterName,
                                  const std::string& defaultText) const;
    std::int32_t NextOrder();

    // The sections in index order.
    std::vector<const CIniSectionsImaging*> Sections() const;
    // The first section in index order that `matches` accepts, or none.
    const CIniSectionsImaging* FirstInIndexOrder(const std::function<bool(const CIniSectionsImaging&)>& matches) const;
    const std::string& Path() const { return m_path; }
    // The file is still the one read, with the bytes read: not replaced, shortened, grown
    // or written since (where the system tells; a file read rather than mapped is taken
    // as it was).
    bool StillAsRead() const;
    // The file's bytes exactly as they were read.
    std::string_view LoadedBytes() const { return std::string_view(m_file.data.get(), m_file.sizeBytes); }
    // The file's text as the image reads it: its bytes, or a UTF-16 file's text in UTF-8.
    std::string_view Text() const { return m_form == ByteForm::SingleBytes ? LoadedBytes() : std::string_view(*m_decoded); }
    // How the file's bytes hold its text; it is written back the same way.
    ByteForm Form() const { return m_form; }
    // The comment lines of an element.
    std::vector<std::string_view> CommentsOf(CommentSpan span) const;

private:
    bool AppendFileBytes(std::string& text, std::uint64_t begin, std::uint64_t end,
                         const std::function<bool(std::string&)>& flush,
                         const std::function<bool(std::string_view)>& passBytes = nullptr) const;

    // Reading, one handler per kind of line.
    struct ReaderState;
    void ReadSections(std::size_t start, ReaderState& state);
    void ReadSectionLines(std::size_t begin, std::size_t end, ReaderState& state);
    void HandleLines(std::string_view text, std::size_t start, ReaderState& state);
    void HandleLine(const IniLine::Line& line, ReaderState& state);
    void HandleSectionHeader(const IniLine::Line& line, ReaderState& state);
    void SettleHeader(std::size_t end, ReaderState& state);
    void HandleKeyLine(const IniLine::Line& line, ReaderState& state);
    void NoteKeyLine(const IniLine::Line& line, bool keyAsWritten, ReaderState& state);
    void LeaveSection(ReaderState& state);
    CommentSpan KeepComments(const std::vector<std::string_view>& lines) { return m_store->KeepComments(lines); }

    CIniSectionsImaging& EnterSection(std::int32_t orderNumber, std::string_view name, CommentSpan comments);
    CIniSectionsImaging& EnterSection(std::int32_t orderNumber, std::string_view name, CommentSpan comments,
                                      std::uint32_t nameHash);
    void Forget(std::uint32_t slot);
    // The slots of the sections `selects` accepts, in index order.
    template <class Selects>
    std::vector<std::uint32_t> SlotsInIndexOrder(const Selects& selects) const;
    void SortByName(std::vector<std::uint32_t>& slots) const;
    std::vector<std::uint32_t> SelectedSlots(const CSafeRegex& pattern) const;
    // `matchText` is room for the name as it is matched.
    bool NameMatches(const CSafeRegex& pattern, const CIniSectionsImaging& section, std::string& matchText) const;
    void PlaceSorted(std::uint32_t slot);
    void UnplaceSorted(std::uint32_t slot);
    // The slot of the section of that name, or CSectionIndex::kNone.
    std::uint32_t SlotOf(std::string_view name) const;
    std::string_view NameOfSlot(std::uint32_t slot) const { return m_sections[slot]->header.Name(); }

    // Sections in the order they were made, which is their order number's order; a
    // removed section leaves an empty slot.
    std::unique_ptr<CImageStore> m_store;
    CStableSlots<CIniSectionsImaging> m_sections;
    CSectionIndex m_index;
    // Every slot in index order, once a selection of most sections made it; a removed
    // section's slot stays in it until the next placing.
    mutable std::vector<std::uint32_t> m_sortedSlots;
    mutable bool m_sortedValid = false;
    mutable std::size_t m_removedSorted = 0;
    // The sections each template selected, while no section was added, removed or
    // renamed since: many steps of a scheme select by the same template.
    std::unordered_map<std::string, std::vector<std::uint32_t>> m_selections;

    Platform::FileBytes m_file;  // the file as read or mapped
    // A UTF-16 file is read whole into UTF-8 text, which the image's views point into
    // as they point into a single-byte file's bytes; the writer encodes it back.
    ByteForm m_form = ByteForm::SingleBytes;
    bool m_utf16Mark = false;
    // On the heap, so that moving the image keeps the views valid.
    std::unique_ptr<std::string> m_decoded = std::make_unique<std::string>();
    std::int32_t m_orderCounter = 1;
    std::string m_path;
    // Comment lines after the last section's last line, written back at the end.
    CommentSpan m_trailingComments;
    // A UTF-8 byte-order mark that opened the input; it is written back in front.
    bool m_byteOrderMark = false;
    std::size_t m_loadedSizeBytes = 0;
};
