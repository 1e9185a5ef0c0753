#include "platform/data/number_format.h"

#include <charconv>
#include <cmath>
#include <optional>
#include <string>
#include <utility>

namespace gsf::data {

namespace {

struct Pattern {
    std::string prefix;
    std::string suffix;
    int minInteger = 0;
    int minDecimals = 0;
    int maxDecimals = 0;
    bool grouping = false;
};

bool isPatternChar(char c)
{
    return c == '0' || c == '#' || c == ',' || c == '.';
}

Pattern readPattern(std::string_view text)
{
    Pattern p;
    std::size_t i = 0;
    while (i < text.size() && !isPatternChar(text[i]))
        p.prefix += text[i++];
    bool inDecimals = false;
    for (; i < text.size() && isPatternChar(text[i]); ++i) {
        const char c = text[i];
        if (c == '.') {
            inDecimals = true;
        } else if (c == ',') {
            p.grouping = p.grouping || !inDecimals;
        } else if (inDecimals) {
            ++p.maxDecimals;
            if (c == '0')
                p.minDecimals = p.maxDecimals;
        } else if (c == '0') {
            ++p.minInteger;
        }
    }
    p.suffix = std::string(text.substr(i));
    return p;
}

std::string groupThousands(const std::string& digits)
{
    std::string out;
    const std::size_t n = digits.size();
    for (std::size_t i = 0; i < n; ++i) {
        if (i > 0 && (n - i) % 3 == 0)
            out += '.';
        out += digits[i];
    }
    return out;
}

bool allDigits(std::string_view s)
{
    if (s.empty())
        return false;
    for (char c : s)
        if (c < '0' || c > '9')
            return false;
    return true;
}

// "1.234.567": first group of one to three digits, then groups of exactly three.
bool validGrouping(std::string_view s)
{
    std::size_t dot = s.find('.');
    if (dot == std::string_view::npos)
        return allDigits(s);
    if (dot == 0 || dot > 3 || !allDigits(s.substr(0, dot)))
        return false;
    while (dot != std::string_view::npos) {
        const std::size_t next = s.find('.', dot + 1);
        const std::size_t end = next == std::string_view::npos ? s.size() : next;
        if (end - dot - 1 != 3 || !allDigits(s.substr(dot + 1, 3)))
            return false;
        dot = next;
    }
    return true;
}

std::string_view trim(std::string_view s)
{
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t'))
        s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t'))
        s.remove_suffix(1);
    return s;
}

// Shortest fixed-notation digits that read back as @p value, "." as the point.
std::string shortestFixed(double value)
{
    char buf[400];
    const auto res = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::fixed);
    return std::string(buf, res.ptr);
}

std::pair<std::string, std::string> splitDigits(const std::string& fixed)
{
    const std::size_t point = fixed.find('.');
    if (point == std::string::npos)
        return {fixed, std::string()};
    return {fixed.substr(0, point), fixed.substr(point + 1)};
}

// Rounds the digits intPart,decPart to @p decimals places, half away from
// zero (the sign is kept apart, so this is rounding of the magnitude).
// Done on the decimal digits, never on the binary value: "1,005" rounds to
// 1,01 although the double nearest to 1.005 lies below it.
void roundDigits(std::string& intPart, std::string& decPart, int decimals)
{
    if (decimals < 0 || static_cast<int>(decPart.size()) <= decimals)
        return;
    const bool up = decPart[static_cast<std::size_t>(decimals)] >= '5';
    decPart.resize(static_cast<std::size_t>(decimals));
    if (!up)
        return;
    for (auto i = decPart.size(); i-- > 0;) {
        if (decPart[i] != '9') {
            ++decPart[i];
            return;
        }
        decPart[i] = '0';
    }
    if (intPart.empty())
        intPart = "0";
    for (auto i = intPart.size(); i-- > 0;) {
        if (intPart[i] != '9') {
            ++intPart[i];
            return;
        }
        intPart[i] = '0';
    }
    intPart.insert(0, 1, '1');
}

// The number the digits stand for; nullopt when they do not read as one.
std::optional<double> readDigits(const std::string& intPart, const std::string& decPart)
{
    std::string plain = intPart.empty() ? std::string("0") : intPart;
    if (!decPart.empty()) {
        plain += '.';
        plain += decPart;
    }
    double result = 0;
    const auto res = std::from_chars(plain.data(), plain.data() + plain.size(), result);
    if (res.ec != std::errc() || res.ptr != plain.data() + plain.size())
        return std::nullopt;
    return result;
}

} // namespace

std::string formatNumber(double value, std::string_view pattern)
{
    if (pattern.empty() || !std::isfinite(value))
        return plainNumber(value);
    const Pattern p = readPattern(pattern);

    // The shortest digits that read back as the value, rounded half away
    // from zero: what is shown is what roundHalfAway stores.
    auto [intPart, decPart] = splitDigits(shortestFixed(std::fabs(value)));
    roundDigits(intPart, decPart, p.maxDecimals);
    decPart.resize(static_cast<std::size_t>(p.maxDecimals), '0');
    while (static_cast<int>(decPart.size()) > p.minDecimals && decPart.back() == '0')
        decPart.pop_back();
    if (intPart == "0" && p.minInteger == 0 && !decPart.empty())
        intPart.clear();
    while (static_cast<int>(intPart.size()) < p.minInteger)
        intPart.insert(0, 1, '0');

    const bool zero =
        intPart.find_first_not_of('0') == std::string::npos && decPart.find_first_not_of('0') == std::string::npos;
    std::string out = p.prefix;
    if (value < 0 && !zero)
        out += '-';
    out += p.grouping ? groupThousands(intPart) : intPart;
    if (!decPart.empty()) {
        out += ',';
        out += decPart;
    }
    if (intPart.empty() && decPart.empty())
        out += '0';
    out += p.suffix;
    return out;
}

int patternDecimals(std::string_view pattern)
{
    return readPattern(pattern).maxDecimals;
}

double roundHalfAway(double value, int decimals)
{
    if (decimals < 0 || !std::isfinite(value))
        return value;
    auto [intPart, decPart] = splitDigits(shortestFixed(std::fabs(value)));
    roundDigits(intPart, decPart, decimals);
    // Digits of a finite double always read back.
    const double magnitude = readDigits(intPart, decPart).value_or(std::fabs(value));
    // A value that rounds to zero is zero, never a negative zero.
    return value < 0 && magnitude != 0 ? -magnitude : magnitude;
}

std::string plainNumber(double value)
{
    if (std::isnan(value))
        return "NaN";
    if (std::isinf(value))
        return value < 0 ? "-Inf" : "Inf";
    std::string out = shortestFixed(value);
    if (out == "-0")
        out = "0";
    for (char& c : out)
        if (c == '.')
            c = ',';
    return out;
}

std::optional<double> parseNumber(std::string_view text)
{
    return parseNumber(text, -1);
}

std::optional<double> parseNumber(std::string_view text, int decimals)
{
    std::string_view s = trim(text);
    if (!s.empty() && s.back() == '%')
        s = trim(s.substr(0, s.size() - 1));
    bool negative = false;
    if (!s.empty() && (s.front() == '-' || s.front() == '+')) {
        negative = s.front() == '-';
        s.remove_prefix(1);
    }
    const std::size_t comma = s.find(',');
    const std::string_view intPart = s.substr(0, comma);
    const std::string_view decPart = comma == std::string_view::npos ? std::string_view() : s.substr(comma + 1);
    if (intPart.empty() && decPart.empty())
        return std::nullopt;
    if (!intPart.empty() && !validGrouping(intPart))
        return std::nullopt;
    if (comma != std::string_view::npos && !decPart.empty() && !allDigits(decPart))
        return std::nullopt;

    std::string integer;
    for (char c : intPart)
        if (c != '.')
            integer += c;
    std::string fraction(decPart);
    roundDigits(integer, fraction, decimals);
    const auto result = readDigits(integer, fraction);
    if (!result)
        return std::nullopt;
    return negative ? -*result : *result;
}

} // namespace gsf::data
