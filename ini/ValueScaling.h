#pragma once

// Arithmetic on setting values given as texts: a value is divided or multiplied by a
// factor from the scheme and written back as text. The decimal separator is always
// '.', whatever the process locale.

#include <cstdint>
#include <string>
#include <string_view>

struct ScaleFactor {
    enum class Kind { None, Integer, Real };

    Kind kind = Kind::None;
    std::int64_t integer = 1;
    double real = 1.0;
    std::int16_t decimals = 0;
};

enum class ScaleOperation { Divide, Multiply };

// Empty, or digits with at most one '.' and a '-' only in front.
bool IsNumericText(std::string_view text);

ScaleFactor ParseScaleFactor(const std::string& text);

// The value divided or multiplied by the factor, as text, into `text`, which it
// replaces (a caller scaling many values keeps one). A value that is not a number, a
// factor that is none, a division by zero, or a result that is not finite or does not
// fit 64 bits leaves the value's text unchanged.
void ScaleValueInto(std::string_view value, const ScaleFactor& factor, ScaleOperation operation, std::string& text);
