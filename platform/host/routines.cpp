#include "platform/host/routines.h"

#include <algorithm>

namespace gsf::host {

namespace {

bool isBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

std::string trimmed(const std::string& text)
{
    const auto first = std::find_if_not(text.begin(), text.end(), isBlank);
    const auto last = std::find_if_not(text.rbegin(), text.rend(), isBlank).base();
    return first < last ? std::string(first, last) : std::string();
}

// Width is in characters: a UTF-8 continuation byte does not count.
int characterCount(const std::string& text)
{
    return static_cast<int>(std::count_if(text.begin(), text.end(),
                                          [](char c) { return (static_cast<unsigned char>(c) & 0xC0U) != 0x80U; }));
}

} // namespace

bool EmptyString(const std::string& text)
{
    return std::all_of(text.begin(), text.end(), isBlank);
}

std::string Ajusta(const std::string& text, int width)
{
    std::string result = trimmed(text);
    if (result.empty())
        return result;
    const int missing = width - characterCount(result);
    if (missing > 0)
        result.insert(0, static_cast<std::size_t>(missing), '0');
    return result;
}

void Ajusta_Inscricao(std::string& text)
{
    std::string kept;
    kept.reserve(text.size());
    for (const char c : text) {
        if (c >= '0' && c <= '9')
            kept += c;
        else if (c >= 'A' && c <= 'Z')
            kept += c;
        else if (c >= 'a' && c <= 'z')
            kept += static_cast<char>(c - 'a' + 'A');
    }
    text = std::move(kept);
}

std::string PictPess(const std::string& personType)
{
    if (personType == "F")
        return "000.000.000-00;0;_";
    if (personType == "J")
        return "AA.AAA.AAA\\/AAAA-00;0;_";
    return "";
}

} // namespace gsf::host
