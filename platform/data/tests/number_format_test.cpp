#include "platform/data/number_format.h"

#include <gtest/gtest.h>

#include <cmath>

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
    for (const char* text : {"", " ", "abc", "2,5,1", "1.23", "12.34,5", ".123", "1..234", "1.2345", "--1", "1,2a", "%",
                             "-", "1e5", "0x10", "1 234"})
        EXPECT_EQ(parseNumber(text), std::nullopt) << text;
}

TEST(NumberParse, FormattedTextParsesBack)
{
    for (double v : {0.0, 1234.5, -98765.432, 0.001, 15.0})
        EXPECT_DOUBLE_EQ(*parseNumber(formatNumber(v, "#,##0.000")), v);
    EXPECT_DOUBLE_EQ(*parseNumber(formatNumber(15, "0.00%")), 15.0);
}

TEST(NumberRounding, TypedDigitsRoundHalfAwayFromZero)
{
    EXPECT_EQ(parseNumber("2,5555", 3), 2.556);
    EXPECT_EQ(parseNumber("2,5554", 3), 2.555);
    EXPECT_EQ(parseNumber("-2,5555", 3), -2.556);
    EXPECT_EQ(parseNumber("60,123%", 2), 60.12);
    EXPECT_EQ(parseNumber("60,125", 2), 60.13);
    // The nearest double to 1,005 lies below it; the typed digits decide.
    EXPECT_EQ(parseNumber("1,005", 2), 1.01);
    EXPECT_EQ(parseNumber("9,995", 2), 10.0);
    EXPECT_EQ(parseNumber("999,9995", 3), 1000.0);
    EXPECT_EQ(parseNumber(",995", 2), 1.0);
    EXPECT_EQ(parseNumber("2,4", 0), 2.0);
    EXPECT_EQ(parseNumber("2,5", 0), 3.0);
    EXPECT_EQ(parseNumber("1.234,5678", -1), 1234.5678);
    EXPECT_EQ(parseNumber("1,2,3", 2), std::nullopt);
}

TEST(NumberRounding, StoredAndShownValuesRoundTheSameWay)
{
    EXPECT_EQ(roundHalfAway(1.005, 2), 1.01);
    EXPECT_EQ(roundHalfAway(60.125, 2), 60.13);
    EXPECT_EQ(roundHalfAway(-60.125, 2), -60.13);
    EXPECT_EQ(roundHalfAway(2.5556, 3), 2.556);
    EXPECT_EQ(roundHalfAway(60.12, 2), 60.12);
    EXPECT_EQ(roundHalfAway(0.0004, 3), 0.0);
    EXPECT_FALSE(std::signbit(roundHalfAway(-0.0004, 3)));
    EXPECT_EQ(roundHalfAway(99.995, 2), 100.0);
    EXPECT_EQ(roundHalfAway(0.1 + 0.2, 2), 0.3);
    EXPECT_EQ(roundHalfAway(-2.5, 0), -3.0);
    EXPECT_EQ(roundHalfAway(1e300, 2), 1e300);
    EXPECT_EQ(roundHalfAway(2.5556, -1), 2.5556);
    EXPECT_TRUE(std::isnan(roundHalfAway(std::nan(""), 2)));
    // What a format shows is the rounded value: ties go away from zero there too.
    EXPECT_EQ(formatNumber(60.125, "0.00%"), "60,13%");
    EXPECT_EQ(formatNumber(1.005, "0.00"), "1,01");
    EXPECT_EQ(formatNumber(2.5556, "#,##0.000"), "2,556");
    EXPECT_EQ(formatNumber(-0.0005, "#,##0.000"), "-0,001");
    for (double v : {60.125, 1.005, 2.5555, 99.995, 1234.5675})
        EXPECT_EQ(*parseNumber(formatNumber(v, "#,##0.000")), roundHalfAway(v, 3)) << v;
    EXPECT_EQ(patternDecimals("#,##0.000"), 3);
    EXPECT_EQ(patternDecimals("0.00%"), 2);
    EXPECT_EQ(patternDecimals("0"), 0);
}

} // namespace
} // namespace gsf::data
