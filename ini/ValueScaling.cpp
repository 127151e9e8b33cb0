#include "ini/ValueScaling.h"

#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <optional>
#include <string_view>
#include <vector>

namespace {

// The exact value of an integer text (digits after an optional '-'; "" and "-" are
// zero), when it is one and fits 64 bits.
std::optional<std::int64_t> ExactInteger(std::string_view text)
{
    const bool negative = !text.empty() && text[0] == '-';
    std::uint64_t magnitude = 0;
    for (std::size_t at = negative ? 1 : 0; at < text.size(); ++at) {
        const unsigned digit = static_cast<unsigned char>(text[at]) - unsigned {'0'};
        if (digit > 9) return std::nullopt;
        if (__builtin_mul_overflow(magnitude, std::uint64_t {10}, &magnitude) ||
            __builtin_add_overflow(magnitude, std::uint64_t {digit}, &magnitude)) {
            return std::nullopt;
        }
    }
    const std::uint64_t largest = std::uint64_t {std::numeric_limits<std::int64_t>::max()} + (negative ? 1 : 0);
    if (magnitude > largest) return std::nullopt;
    // In two's complement: the most negative value too.
    return static_cast<std::int64_t>(negative ? 0 - magnitude : magnitude);
}

// Texts that spell no digits at all ("", "-", ".", "-.") read as zero.
bool SpellsZeroWithoutDigits(std::string_view text)
{
    return text.empty() || text == "-" || text == "." || text == "-.";
}

double DecimalValue(std::string_view text)
{
    if (SpellsZeroWithoutDigits(text)) return 0.0;
    // Fifteen digits or fewer without a point are an integer a double holds exactly
    // (a zero keeps the library's sign: "-0" is minus zero).
    if (text.size() - (text[0] == '-' ? 1 : 0) <= 15) {
        const std::optional<std::int64_t> integer = ExactInteger(text);
        if (integer && *integer != 0) return static_cast<double>(*integer);
    }
    double value = 0.0;
    const auto result = std::from_chars(text.data(), text.data() + text.size(), value,
                                        std::chars_format::fixed);
    if (result.ec == std::errc::result_out_of_range) {
        // Too small for a double is zero; too large is infinite (and then left alone).
        const std::size_t firstNonZero = text.find_first_not_of("-0");
        const bool underflows = firstNonZero != std::string_view::npos && text[firstNonZero] == '.';
        const double magnitude = underflows ? 0.0 : std::numeric_limits<double>::infinity();
        return text[0] == '-' ? -magnitude : magnitude;
    }
    return value;
}

std::optional<std::int64_t> FitsInt64(__int128 value)
{
    if (value < std::numeric_limits<std::int64_t>::min()) return std::nullopt;
    if (value > std::numeric_limits<std::int64_t>::max()) return std::nullopt;
    return static_cast<std::int64_t>(value);
}

// Halves go up, towards positive infinity, with the rounding rule's small bias:
// floor(value / divisor + 0.5 + 1e-8), computed exactly as
// floor((2e8 value + 1e8 divisor + 2 divisor) / (2e8 divisor)).
__int128 DivideRoundingHalfUp(__int128 value, __int128 divisor)
{
    if (divisor < 0) {
        value = -value;
        divisor = -divisor;
    }
    constexpr __int128 kScale = 100000000;  // 1e8: the bias is 1 / kScale
    const __int128 numerator = 2 * kScale * value + kScale * divisor + 2 * divisor;
    const __int128 denominator = 2 * kScale * divisor;
    __int128 quotient = numerator / denominator;
    if (numerator % denominator != 0 && numerator < 0) --quotient;
    return quotient;
}

// Integer factor and integer value: computed exactly, so large values stay exact.
std::optional<std::int64_t> ExactIntegerResult(std::int64_t value, std::int64_t factor, ScaleOperation operation)
{
    if (operation == ScaleOperation::Multiply) return FitsInt64(static_cast<__int128>(value) * factor);
    return FitsInt64(DivideRoundingHalfUp(value, factor));
}

std::optional<std::int64_t> RoundedResult(double result)
{
    const double rounded = std::floor(result + 0.5 + 1e-8);
    // 2^63 is the first double beyond the signed 64-bit range.
    if (!std::isfinite(rounded) || rounded < -9223372036854775808.0 || rounded >= 9223372036854775808.0) {
        return std::nullopt;
    }
    return static_cast<std::int64_t>(rounded);
}

// The text of a double with `decimals` digits after the point, as the C library's
// fixed notation gives it: the exact binary value rounded, ties to even. A value
// that is an integer times a power of two (m * 2^-s) makes m * 10^decimals / 2^s in
// 128 bits, its digits written from that; false when it does not fit (many decimals,
// a value too large or too small), and the library makes the text.
bool ExactFixedText(double result, int decimals, std::string& text)
{
    // 10^19 is the largest power of ten in 64 bits.
    if (decimals < 0 || decimals > 19) return false;
    std::uint64_t powerOfTen = 1;
    for (int power = 0; power < decimals; ++power) powerOfTen *= 10;
    // A finite double's bits: |result| = mantissa * 2^-shift, the mantissa with its
    // leading one (none for zero; a subnormal value is left to the library).
    static_assert(std::numeric_limits<double>::is_iec559, "doubles are IEEE 754 binary64");
    std::uint64_t bits = 0;
    std::memcpy(&bits, &result, sizeof(bits));
    const int biasedExponent = static_cast<int>(bits >> 52 & 0x7FF);
    const std::uint64_t fraction = bits & ((std::uint64_t {1} << 52) - 1);
    if (biasedExponent == 0 && fraction != 0) return false;
    const std::uint64_t mantissa = biasedExponent == 0 ? 0 : fraction | std::uint64_t {1} << 52;
    const int shift = biasedExponent == 0 ? 0 : 1075 - biasedExponent;
    if (shift < 0 || shift > 127) return false;
    using Wide = unsigned __int128;
    const Wide scaled = static_cast<Wide>(mantissa) * powerOfTen;
    Wide digits = scaled >> shift;
    const Wide rest = scaled - (digits << shift);
    if (shift > 0) {
        const Wide half = static_cast<Wide>(1) << (shift - 1);
        if (rest > half || (rest == half && (digits & 1) != 0)) ++digits;
    }
    // The digits last first: by 128-bit division only while they do not fit 64 bits.
    char reversed[48];
    std::size_t count = 0;
    for (; digits > std::numeric_limits<std::uint64_t>::max(); digits /= 10) {
        reversed[count++] = static_cast<char>('0' + static_cast<int>(digits % 10));
    }
    auto low = static_cast<std::uint64_t>(digits);
    const auto point = static_cast<std::size_t>(decimals);
    do {
        reversed[count++] = static_cast<char>('0' + low % 10);
        low /= 10;
    } while (low != 0 || count <= point);
    char written[sizeof(reversed) + 2];
    std::size_t size = 0;
    if (std::signbit(result)) written[size++] = '-';
    while (count > 0) {
        if (count == point) written[size++] = '.';
        written[size++] = reversed[--count];
    }
    text.assign(written, size);
    return true;
}

bool FixedText(double result, int decimals, std::string& text)
{
    if (!std::isfinite(result)) return false;
    if (ExactFixedText(result, decimals, text)) return true;
    // Room for every digit of a finite double before the point, and the decimals; most
    // factors have few decimals, and their text is made on the stack.
    const std::size_t room = static_cast<std::size_t>(decimals) + 400;
    char small[512];
    std::vector<char> large(room > sizeof(small) ? room : 0);
    char* const buffer = large.empty() ? small : large.data();
    const auto written = std::to_chars(buffer, buffer + room, result, std::chars_format::fixed, decimals);
    if (written.ec != std::errc()) return false;
    text.assign(buffer, written.ptr);
    return true;
}

bool IntegerScaled(std::string_view value, std::int64_t factor, ScaleOperation operation, std::string& text)
{
    if (operation == ScaleOperation::Divide && factor == 0) return false;
    std::optional<std::int64_t> result;
    const std::optional<std::int64_t> exactValue = ExactInteger(value);
    if (exactValue) {
        result = ExactIntegerResult(*exactValue, factor, operation);
    } else {
        const double number = DecimalValue(value);
        const double factorValue = static_cast<double>(factor);
        result = RoundedResult(operation == ScaleOperation::Divide ? number / factorValue : number * factorValue);
    }
    if (!result) return false;
    char digits[24];
    text.assign(digits, std::to_chars(digits, digits + sizeof(digits), *result).ptr);
    return true;
}

bool RealScaled(std::string_view value, const ScaleFactor& factor, ScaleOperation operation, std::string& text)
{
    if (operation == ScaleOperation::Divide && factor.real == 0.0) return false;
    const double number = DecimalValue(value);
    const double result = operation == ScaleOperation::Divide ? number / factor.real : number * factor.real;
    return FixedText(result, factor.decimals, text);
}

}  // namespace

bool IsNumericText(std::string_view text)
{
    bool pointSeen = false;
    for (std::size_t index = 0; index < text.size(); ++index) {
        const char byte = text[index];
        if (byte == '.') {
            if (pointSeen) return false;
            pointSeen = true;
        } else if (byte == '-') {
            if (index != 0) return false;
        } else if (byte < '0' || byte > '9') {
            return false;
        }
    }
    return true;
}

ScaleFactor ParseScaleFactor(const std::string& text)
{
    ScaleFactor factor;
    if (!IsNumericText(text)) return factor;
    const std::size_t point = text.find('.');
    if (point == std::string::npos) {
        const std::optional<std::int64_t> integer = ExactInteger(text);
        if (!integer) return factor;  // digits beyond 64 bits: values stay as they are
        factor.kind = ScaleFactor::Kind::Integer;
        factor.integer = *integer;
        return factor;
    }
    const std::size_t decimals = text.size() - point - 1;
    if (decimals > static_cast<std::size_t>(std::numeric_limits<std::int16_t>::max())) return factor;
    factor.kind = ScaleFactor::Kind::Real;
    factor.real = DecimalValue(text);
    factor.decimals = static_cast<std::int16_t>(decimals);
    if (!std::isfinite(factor.real)) factor = ScaleFactor();
    return factor;
}

void ScaleValueInto(std::string_view value, const ScaleFactor& factor, ScaleOperation operation, std::string& text)
{
    bool scaled = false;
    if (IsNumericText(value)) {
        if (factor.kind == ScaleFactor::Kind::Integer) scaled = IntegerScaled(value, factor.integer, operation, text);
        if (factor.kind == ScaleFactor::Kind::Real) scaled = RealScaled(value, factor, operation, text);
    }
    if (!scaled) text.assign(value.data(), value.size());
}
