#pragma once

// The elements of an INI file image: what every section and parameter carries.

#include "condition/Optional.h"

#include <cstdint>
#include <string>
#include <vector>

class CImage {
public:
    CImage() = default;
    CImage(std::int32_t order, std::vector<std::string> comments)
        : orderNumber(order), commentLines(std::move(comments))
    {
    }
    virtual ~CImage() = default;

    // Where the element is written: sections and parameters go out in ascending order.
    std::int32_t orderNumber = 0;
    // Whole comment lines that stood in front of the element, leading ';' included.
    std::vector<std::string> commentLines;
};

class CSectionImage : public CImage {
public:
    CSectionImage(std::int32_t order, std::string sectionName, std::vector<std::string> comments = {})
        : CImage(order, std::move(comments)), name(std::move(sectionName))
    {
    }

    std::string HeaderLine() const { return "[" + name + "]"; }

    std::string name;
};

class CParameterImage : public CImage {
public:
    CParameterImage(std::int32_t order, std::string parameterName, COptional<std::string> initialValue,
                    std::vector<std::string> comments = {})
        : CImage(order, std::move(comments)), name(std::move(parameterName)), value(std::move(initialValue))
    {
    }

    void SetValue(const std::string& text) { value = text; }

    // A bare name (a line without '=') has no value; it reads as the empty text.
    std::string ValueOrEmpty() const { return value.HasValue() ? value.Value() : std::string(); }

    std::string ToLine() const
    {
        std::string line;
        AppendLineTo(line);
        return line;
    }

    // Name, and "=" with the value when there is one.
    void AppendLineTo(std::string& text) const
    {
        text += name;
        if (!value.HasValue()) return;
        text += '=';
        text += value.Value();
    }

    std::string name;
    COptional<std::string> value;
};
