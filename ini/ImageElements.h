#pragma once

// The elements of an INI file image: what every section and parameter carries. Texts
// are views into storage the image owns (the file's bytes, or its arena for texts that
// actions make), so a parameter is a small record without a heap block of its own.

#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>

// Whole comment lines that stood in front of an element, leading ';' included: a run
// of the image's comment-line list.
struct CommentSpan {
    std::uint32_t first = 0;
    std::uint32_t count = 0;

    std::size_t size() const { return count; }
    bool empty() const { return count == 0; }
};

// A section's header. Its name is a view into the image's arena.
class CSectionImage {
public:
    CSectionImage(std::int32_t order, std::string_view sectionName, CommentSpan comments = {})
        : orderNumber(order), commentLines(comments)
    {
        SetName(sectionName);
    }

    std::string_view Name() const { return std::string_view(m_name, m_nameSize); }
    // The text must outlive the header.
    void SetName(std::string_view name)
    {
        m_name = name.data();
        m_nameSize = static_cast<std::uint32_t>(name.size());
    }

private:
    // A name's pointer and size apart, so that the header packs into three words.
    const char* m_name = "";
    std::uint32_t m_nameSize = 0;

public:
    // Where the element is written: sections and parameters go out in ascending order.
    std::int32_t orderNumber = 0;
    CommentSpan commentLines;
};

static_assert(sizeof(CSectionImage) == 24, "a section header is three words");

// One setting: a record of six words. Its name and value are references that the
// image's store resolves (CImageStore::NameOf, ValueOf): an offset into the file's bytes
// with the length beside it, or, for a text outside the file or too long to describe
// here, an entry of the store's text table. Its comment lines, when it has any, the
// store finds by its sequence number. The first letters of its name, upper-cased, stand
// beside the references, so that looking for a name rarely reaches the name's bytes.
class CParameterImage {
public:
    bool HasValue() const { return (m_valueSize & kHasValueBit) != 0; }

    // Where the element is written: sections and parameters go out in ascending order.
    std::int32_t orderNumber = 0;
    // Among parameters of equal name the one inserted first is found first.
    std::uint32_t sequence = 0;

private:
    friend struct CImageStore;

    static constexpr std::uint32_t kInTable = 0x80000000u;
    static constexpr std::uint16_t kHasValueBit = 0x8000u;
    static constexpr std::uint16_t kInlineValueBits = 0x7FFFu;
    static constexpr std::uint16_t kHasCommentsBit = 0x8000u;
    static constexpr std::uint16_t kInlineNameBits = 0x7FFFu;

    std::uint32_t m_nameRef = kInTable;  // the empty text, entry 0 of the table
    std::uint32_t m_valueRef = kInTable;
    std::uint16_t m_nameSize = 0;   // with the has-comments flag in the top bit
    std::uint16_t m_valueSize = 0;  // with the has-value flag in the top bit
    std::uint32_t m_namePrint = 0;  // see CImageStore::NamePrint
};

static_assert(sizeof(CParameterImage) == 24, "a parameter is six words");
