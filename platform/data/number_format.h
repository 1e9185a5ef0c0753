#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace gsf::data {

/// Formats a number with a pattern in the pt-BR convention: "," decimal
/// separator, "." thousands separator. Supported patterns: digits "0" and "#",
/// "," for grouping, "." for the decimal point, any other character literal
/// (so "0.00%" shows 15 as "15,00%", without scaling). Empty pattern: plain form.
/// formatNumber(1234.5, "#,##0.000") == "1.234,500".
/// The value is rounded half away from zero on its shortest decimal digits, as
/// roundHalfAway rounds it: 60.125 with "0.00" shows "60,13".
std::string formatNumber(double value, std::string_view pattern);

/// Most decimals a pattern shows: 3 for "#,##0.000", 2 for "0.00%", 0 without a point.
int patternDecimals(std::string_view pattern);

/// @p value rounded to @p decimals places, half away from zero, judged on the
/// shortest decimal digits that read back as the value (so 1.005 gives 1.01,
/// as it was typed, although the nearest double lies below 1.005). A negative
/// @p decimals, an infinity or NaN come back unchanged.
double roundHalfAway(double value, int decimals);

/// Plain pt-BR text of a number, as short as it is exact: 2.5 -> "2,5", 3 -> "3".
std::string plainNumber(double value);

/// Parses a typed pt-BR number: optional sign, "." as thousands separator,
/// "," as decimal separator, an optional trailing "%"; blanks around are
/// ignored. @return nullopt when the text is not a number.
std::optional<double> parseNumber(std::string_view text);
/// Same, with the typed digits rounded to @p decimals places, half away from
/// zero, before they become a number ("2,5555" with 3 gives 2.556); a
/// negative @p decimals keeps every digit.
std::optional<double> parseNumber(std::string_view text, int decimals);

} // namespace gsf::data
