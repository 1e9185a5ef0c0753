#include "platform/data/number_format.h"

#include <gtest/gtest.h>

namespace gsf::data {
namespace {

TEST(NumberFormat, ThousandsAndThreeDecimals)
{
    EXPECT_EQ(formatNumber(1234.5, "#,##0.000"), "1.234,500");
    EXPECT_EQ(formatNumber(0, "#,##0.000"), "0,000");
    EXPECT_EQ(formatNumber(0.5, "#,##0.000"), "0,500");
    EXPECT_EQ(formatNumber(1234567.0004, "#,##0.000"), "1.234.567,000");
    EXPECT_EQ(formatNumber(-1234.5, "#,##0.000"), "-1.234,500");
    EXPECT_EQ(formatNumber(999.9996, "#,##0.000"), "1.000,000");
    EXPECT_EQ(formatNumber(-0.0001, "#,##0.000"), "0,000");
}

TEST(NumberFormat, PercentIsLiteralWithoutScaling)
{
    EXPECT_EQ(formatNumber(15, "0.00%"), "15,00%");
    EXPECT_EQ(formatNumber(2.5, "0.00%"), "2,50%");
    EXPECT_EQ(formatNumber(1500, "0.00%"), "1500,00%");
}

TEST(NumberFormat, OptionalDecimalsAndPlainForm)
{
    EXPECT_EQ(formatNumber(2.5, "0.##"), "2,5");
    EXPECT_EQ(formatNumber(3, "0.##"), "3");
    EXPECT_EQ(formatNumber(2.5, ""), "2,5");
    EXPECT_EQ(plainNumber(2.5), "2,5");
    EXPECT_EQ(plainNumber(3), "3");
    EXPECT_EQ(plainNumber(-0.125), "-0,125");
    EXPECT_EQ(plainNumber(1234567), "1234567");
}

TEST(NumberParse, AcceptsTypedPtBrNumbers)
{
    EXPECT_EQ(parseNumber("1.234,5"), 1234.5);
    EXPECT_EQ(parseNumber("2,5"), 2.5);
    EXPECT_EQ(parseNumber("-3"), -3.0);
    EXPECT_EQ(parseNumber("15%"), 15.0);
    EXPECT_EQ(parseNumber(" 15,00% "), 15.0);
    EXPECT_EQ(parseNumber("1.234.567,125"), 1234567.125);
    EXPECT_EQ(parseNumber(",5"), 0.5);
    EXPECT_EQ(parseNumber("+7"), 7.0);
}

TEST(NumberParse, RefusesWhatIsNotANumber)
{
    for (const char* text : {"", " ", "abc", "2,5,1", "1.23", "12.34,5", ".123", "1..234",
                             "1.2345", "--1", "1,2a", "%", "-", "1e5", "0x10", "1 234"})
        EXPECT_EQ(parseNumber(text), std::nullopt) << text;
}

TEST(NumberParse, FormattedTextParsesBack)
{
    for (double v : {0.0, 1234.5, -98765.432, 0.001, 15.0})
        EXPECT_DOUBLE_EQ(*parseNumber(formatNumber(v, "#,##0.000")), v);
    EXPECT_DOUBLE_EQ(*parseNumber(formatNumber(15, "0.00%")), 15.0);
}

} // namespace
} // namespace gsf::data
