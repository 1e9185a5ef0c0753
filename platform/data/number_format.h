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
std::string formatNumber(double value, std::string_view pattern);

/// Plain pt-BR text of a number, as short as it is exact: 2.5 -> "2,5", 3 -> "3".
std::string plainNumber(double value);

/// Parses a typed pt-BR number: optional sign, "." as thousands separator,
/// "," as decimal separator, an optional trailing "%"; blanks around are
/// ignored. @return nullopt when the text is not a number.
std::optional<double> parseNumber(std::string_view text);

} // namespace gsf::data
