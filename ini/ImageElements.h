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

class CSectionImage {
public:
    CSectionImage(std::int32_t order, std::string sectionName, CommentSpan comments = {})
        : orderNumber(order), commentLines(comments), name(std::move(sectionName))
    {
    }

    std::string HeaderLine() const { return "[" + name + "]"; }

    // Where the element is written: sections and parameters go out in ascending order.
    std::int32_t orderNumber = 0;
    CommentSpan commentLines;
    std::string name;
};

class CParameterImage {
public:
    CParameterImage() = default;
    CParameterImage(std::int32_t order, std::string_view parameterName, bool valuePresent, std::string_view valueText,
                    CommentSpan comments = {})
        : orderNumber(order), commentLines(comments)
    {
        SetName(parameterName);
        SetValueView(valueText);
        SetHasValue(valuePresent);
    }

    std::string_view Name() const { return std::string_view(m_name, m_nameSize); }
    // A bare name (a line without '=') has no value; it reads as the empty text.
    std::string_view Value() const { return std::string_view(m_value, m_valueSize & kSizeBits); }
    std::string ValueOrEmpty() const { return std::string(Value()); }
    bool HasValue() const { return (m_valueSize & kHasValueBit) != 0; }

    // The views must point into storage that outlives the image's use of them.
    void SetName(std::string_view text)
    {
        if (text.size() > 0xFFFFFFFFu) throw std::length_error("a setting name longer than 4 GiB");
        m_name = text.data();
        m_nameSize = static_cast<std::uint32_t>(text.size());
    }
    void SetValueView(std::string_view text)
    {
        if (text.size() > kSizeBits) throw std::length_error("a setting value longer than 2 GiB");
        m_value = text.data();
        m_valueSize = (m_valueSize & kHasValueBit) | (static_cast<std::uint32_t>(text.size()) & kSizeBits);
    }
    void SetHasValue(bool present) { m_valueSize = (m_valueSize & kSizeBits) | (present ? kHasValueBit : 0u); }

    std::string ToLine() const
    {
        std::string line;
        AppendLineTo(line);
        return line;
    }

    // Name, and "=" with the value when there is one.
    void AppendLineTo(std::string& text) const
    {
        text += Name();
        if (!HasValue()) return;
        text += '=';
        text += Value();
    }

    std::int32_t orderNumber = 0;
    // Among parameters of equal name the one inserted first is found first.
    std::uint32_t sequence = 0;
    CommentSpan commentLines;

private:
    // A value's size shares its word with the has-value flag: a parameter is five words.
    static constexpr std::uint32_t kHasValueBit = 0x80000000u;
    static constexpr std::uint32_t kSizeBits = 0x7FFFFFFFu;

    const char* m_name = "";
    const char* m_value = "";
    std::uint32_t m_nameSize = 0;
    std::uint32_t m_valueSize = 0;
};
