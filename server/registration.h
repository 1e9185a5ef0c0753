#pragma once

#include <string>
#include <string_view>

namespace gsf::server {

/// Check digits of Brazilian registration numbers (mod 11).
///
/// A CPF has 11 digits. A CNPJ has 14 characters: the first twelve letters
/// (upper case) or digits, each counting as its character code minus 48, and
/// two check digits. Numbers made of one repeated character are refused.
bool validCpf(std::string_view digits);
bool validCnpj(std::string_view text);

/// Checks a registration number for a person type ('F' natural person: CPF,
/// 'J' legal entity: CNPJ). @return an empty string when valid, otherwise the
/// Portuguese reason.
std::string registrationProblem(std::string_view number, std::string_view personType);

} // namespace gsf::server
