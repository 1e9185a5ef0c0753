#include "server/registration.h"

#include <algorithm>

namespace gsf::server {

namespace {

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}
bool isUpperAlnum(char c)
{
    return isDigit(c) || (c >= 'A' && c <= 'Z');
}

// Sum of value(c) * weight, weights running from @p first down to 2 and then
// restarting at 9 (the CNPJ cycle); a CPF never reaches the restart.
int checkDigit(std::string_view body, int first)
{
    int sum = 0;
    int weight = first;
    for (const char c : body) {
        sum += (c - '0') * weight;
        weight = weight == 2 ? 9 : weight - 1;
    }
    const int rest = sum % 11;
    return rest < 2 ? 0 : 11 - rest;
}

bool allSame(std::string_view text)
{
    return std::all_of(text.begin(), text.end(), [&](char c) { return c == text.front(); });
}

} // namespace

bool validCpf(std::string_view digits)
{
    if (digits.size() != 11 || !std::all_of(digits.begin(), digits.end(), isDigit) || allSame(digits))
        return false;
    return checkDigit(digits.substr(0, 9), 10) == digits[9] - '0' &&
           checkDigit(digits.substr(0, 10), 11) == digits[10] - '0';
}

bool validCnpj(std::string_view text)
{
    if (text.size() != 14 || allSame(text))
        return false;
    if (!std::all_of(text.begin(), text.begin() + 12, isUpperAlnum))
        return false;
    if (!isDigit(text[12]) || !isDigit(text[13]))
        return false;
    return checkDigit(text.substr(0, 12), 5) == text[12] - '0' && checkDigit(text.substr(0, 13), 6) == text[13] - '0';
}

std::string registrationProblem(std::string_view number, std::string_view personType)
{
    if (personType == "F")
        return validCpf(number) ? "" : "CPF inválido: informe 11 dígitos com os dígitos verificadores corretos.";
    if (personType == "J")
        return validCnpj(number) ? ""
                                 : "CNPJ inválido: informe 12 letras ou dígitos seguidos de 2 dígitos "
                                   "verificadores corretos.";
    return "Tipo de pessoa inválido: use F (física) ou J (jurídica).";
}

} // namespace gsf::server
