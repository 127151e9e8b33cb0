#include "ini/ValueScaling.h"

#include <gtest/gtest.h>

#include <array>
#include <charconv>
#include <clocale>
#include <random>

namespace {

std::string Divide(const std::string& value, const std::string& factor)
{
    std::string text;
    ScaleValueInto(value, ParseScaleFactor(factor), ScaleOperation::Divide, text);
    return text;
}

std::string Multiply(const std::string& value, const std::string& factor)
{
    std::string text;
    ScaleValueInto(value, ParseScaleFactor(factor), ScaleOperation::Multiply, text);
    return text;
}

TEST(ValueScaling, NumericTexts)
{
    for (const char* text : {"", "-", ".", "-.5", "12.", "007", "-0"}) EXPECT_TRUE(IsNumericText(text)) << text;
    for (const char* text : {"+5", " 5", "1e5", "1,5", "5%", "1.2.3", "5-", "\xB9"}) {
        EXPECT_FALSE(IsNumericText(text)) << text;
    }
}

TEST(ValueScaling, FactorsAreParsedWithTheirDecimals)
{
    EXPECT_EQ(ParseScaleFactor("1e3").kind, ScaleFactor::Kind::None);
    const ScaleFactor integer = ParseScaleFactor("-12");
    EXPECT_EQ(integer.kind, ScaleFactor::Kind::Integer);
    EXPECT_EQ(integer.integer, -12);
    const ScaleFactor real = ParseScaleFactor("2.500");
    EXPECT_EQ(real.kind, ScaleFactor::Kind::Real);
    EXPECT_DOUBLE_EQ(real.real, 2.5);
    EXPECT_EQ(real.decimals, 3);
    EXPECT_EQ(ParseScaleFactor("-").integer, 0);
}

TEST(ValueScaling, IntegerFactorsRoundHalvesUp)
{
    EXPECT_EQ(Divide("7", "2"), "4");
    EXPECT_EQ(Divide("-7", "2"), "-3");
    EXPECT_EQ(Divide("10", "3"), "3");
    EXPECT_EQ(Divide("11", "2"), "6");
    EXPECT_EQ(Divide("-11", "2"), "-5");
    EXPECT_EQ(Divide("7", "-2"), "-3");
    EXPECT_EQ(Multiply("1.25", "2"), "3");
    EXPECT_EQ(Multiply("2.5", "3"), "8");
    EXPECT_EQ(Multiply("2.4", "3"), "7");
    EXPECT_EQ(Multiply("", "5"), "0");
    EXPECT_EQ(Multiply("12", "0"), "0");
    EXPECT_EQ(Multiply("0.285", "100"), "29");  // 28.4999... in binary: the bias rounds it up
    // Negative quotients and products round half up too.
    EXPECT_EQ(Divide("-5", "4"), "-1");
    EXPECT_EQ(Divide("-3", "4"), "-1");
    EXPECT_EQ(Multiply("-2.5", "1"), "-2");
}

// The rule is floor(x / d + 0.5 + 1e-8); exact integer division keeps the bias.
TEST(ValueScaling, ExactDivisionKeepsTheRoundingBias)
{
    EXPECT_EQ(Divide("500000000", "1000000001"), "1");
    EXPECT_EQ(Divide("49999999", "100000000"), "1");
    EXPECT_EQ(Divide("49999998", "100000000"), "0");
    EXPECT_EQ(Divide("-500000001", "1000000001"), "0");
    EXPECT_EQ(Divide("-500000011", "1000000000"), "-1");
    EXPECT_EQ(Divide("9223372036854775807", "-9223372036854775807"), "-1");
}

// A value or factor too small for a double is zero, not "not a number".
TEST(ValueScaling, UnderflowIsZero)
{
    const std::string tiny = "0." + std::string(400, '0') + "1";
    EXPECT_EQ(Multiply(tiny, "2"), "0");
    EXPECT_EQ(Multiply(tiny, "1.5"), "0.0");
    EXPECT_EQ(Multiply("3", tiny), "0" + std::string(".") + std::string(401, '0'));
    EXPECT_EQ(Divide("3", tiny), "3");
}

TEST(ValueScaling, RealFactorsKeepTheirDecimals)
{
    EXPECT_EQ(Divide("10", "3.000"), "3.333");
    EXPECT_EQ(Divide("10", "4.0"), "2.5");
    EXPECT_EQ(Multiply("3", "0.5"), "1.5");
    EXPECT_EQ(Multiply("3", "2."), "6");
    EXPECT_EQ(Divide("10", "3."), "3");
    EXPECT_EQ(Multiply("10", "1.50"), "15.00");
    EXPECT_EQ(Multiply("", "1.5"), "0.0");
}

// A real factor's result is the double rounded to the factor's decimals as the
// library's fixed notation rounds it (ties to even, the sign of a negative zero kept).
TEST(ValueScaling, RealResultsReadAsTheLibraryWritesThem)
{
    EXPECT_EQ(Multiply("0.25", "1.0"), "0.2");
    EXPECT_EQ(Multiply("0.75", "1.0"), "0.8");
    EXPECT_EQ(Multiply("-0.04", "1.0"), "-0.0");
    EXPECT_EQ(Multiply("-0", "1.5"), "-0.0");
    std::mt19937_64 random(20261211);
    // Read and written as the C locale does, whatever locale a test left behind.
    const auto parse = [](const std::string& text) {
        double number = 0.0;
        std::from_chars(text.data(), text.data() + text.size(), number, std::chars_format::fixed);
        return number;
    };
    const auto reference = [](double result, int decimals) {
        char text[1024];
        const auto written = std::to_chars(text, text + sizeof(text), result, std::chars_format::fixed, decimals);
        return std::string(text, written.ptr);
    };
    for (int round = 0; round < 20000; ++round) {
        const int decimals = static_cast<int>(random() % 24);
        std::string factor = std::to_string(random() % 1000 + 1) + ".";
        for (int digit = 0; digit < decimals; ++digit) factor += static_cast<char>('0' + random() % 10);
        // Whole numbers, and halves, quarters and eighths that round on a tie.
        const std::uint64_t largest = round % 2 ? 100 : 1000000000000ull;
        std::string value = (random() % 3 == 0 ? "-" : "") + std::to_string(random() % largest);
        if (random() % 2) value += std::array<const char*, 4> {".5", ".25", ".125", ".375"}[random() % 4];
        const double number = parse(value);
        const double real = parse(factor);
        ASSERT_EQ(Multiply(value, factor), reference(number * real, decimals)) << value << " * " << factor;
        ASSERT_EQ(Divide(value, factor), reference(number / real, decimals)) << value << " / " << factor;
    }
}

// A buffer kept from one value to the next holds only the last value's text, whichever
// way each was made.
TEST(ValueScaling, OneBufferServesManyValues)
{
    const struct {
        const char* value;
        const char* factor;
        ScaleOperation operation;
        const char* scaled;
    } rows[] = {
        {"123456789012345678.25", "1.00", ScaleOperation::Multiply, "123456789012345680.00"},
        {"3", "2", ScaleOperation::Multiply, "6"},
        {"not a number at all, and long", "2", ScaleOperation::Divide, "not a number at all, and long"},
        {"7", "2.0", ScaleOperation::Divide, "3.5"},
        {"5", "0", ScaleOperation::Divide, "5"},
        {"-", "3", ScaleOperation::Multiply, "0"},
    };
    std::string text = "left over from before";
    for (const auto& row : rows) {
        ScaleValueInto(row.value, ParseScaleFactor(row.factor), row.operation, text);
        EXPECT_EQ(text, row.scaled) << row.value;
    }
}

TEST(ValueScaling, NonNumbersStayAsTheyAre)
{
    EXPECT_EQ(Divide("abc", "2"), "abc");
    EXPECT_EQ(Divide("5", "abc"), "5");
    EXPECT_EQ(Multiply("5", "1e3"), "5");
    EXPECT_EQ(Multiply(" 5", "2"), " 5");
}

TEST(ValueScaling, SixtyFourBitResultsAreExact)
{
    EXPECT_EQ(Multiply("3000000000", "2"), "6000000000");
    EXPECT_EQ(Multiply("4611686018427387903", "2"), "9223372036854775806");
    EXPECT_EQ(Divide("9223372036854775807", "2"), "4611686018427387904");
    EXPECT_EQ(Divide("-9223372036854775807", "2"), "-4611686018427387903");
    // At the ends of the range: the least value is exact; one beyond either end is read
    // as a double, and stays as it is when the result does not fit.
    EXPECT_EQ(Multiply("-9223372036854775808", "1"), "-9223372036854775808");
    EXPECT_EQ(Divide("-9223372036854775808", "-1"), "-9223372036854775808");
    EXPECT_EQ(Multiply("9223372036854775808", "1"), "9223372036854775808");
    EXPECT_EQ(Divide("18446744073709551616", "4"), "4611686018427387904");
}

TEST(ValueScaling, ZeroDivisorsOverflowAndHugeFactorsLeaveTheValue)
{
    for (const char* zero : {"0", "0.0", "-", ".", "-.", ""}) EXPECT_EQ(Divide("10", zero), "10") << zero;
    EXPECT_EQ(Multiply("9223372036854775807", "2"), "9223372036854775807");
    EXPECT_EQ(Multiply("5", "99999999999999999999"), "5");
    EXPECT_EQ(Divide("5", "99999999999999999999"), "5");
    EXPECT_EQ(Multiply("1" + std::string(400, '0'), "2"), "1" + std::string(400, '0'));
    EXPECT_EQ(Multiply("1" + std::string(400, '0'), "2.0"), "1" + std::string(400, '0'));
}

TEST(ValueScaling, DecimalPointIgnoresTheProcessLocale)
{
    const char* previous = std::setlocale(LC_NUMERIC, nullptr);
    const std::string saved = previous != nullptr ? previous : "C";
    if (std::setlocale(LC_NUMERIC, "rus") == nullptr && std::setlocale(LC_NUMERIC, "ru_RU.CP1251") == nullptr &&
        std::setlocale(LC_NUMERIC, "de_DE.UTF-8") == nullptr) {
        GTEST_SKIP() << "no locale with a decimal comma is installed";
    }
    EXPECT_EQ(Multiply("2", "2.5"), "5.0");
    EXPECT_EQ(Multiply("1.5", "3"), "5");
    std::setlocale(LC_NUMERIC, saved.c_str());
}

}  // namespace
