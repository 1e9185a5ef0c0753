#pragma once

#include <string>

namespace gsf::host {

/// @return true for an empty text or one of blanks only (spaces, tabs, line breaks).
bool EmptyString(const std::string& text);

/// Brings a code to a fixed width: blanks around are trimmed, a blank text
/// stays empty, a shorter text is left-padded with "0" to @p width
/// characters, a longer one is returned as it is (never cut, so nothing
/// typed is lost). Ajusta("1", 4) == "0001"; Ajusta("12", 5) == "00012".
std::string Ajusta(const std::string& text, int width);

/// Normalises a registration number (CPF or CNPJ) in place: keeps the
/// letters A-Z and digits only, letters upper-cased; punctuation, blanks and
/// any other character are dropped. Letters are kept because a CNPJ issued
/// from July 2026 may carry them in its first twelve places.
void Ajusta_Inscricao(std::string& text);

/// Edit mask of the registration number of a person type:
/// "F" (natural person, CPF) -> "000.000.000-00;0;_";
/// "J" (legal person, CNPJ) -> "AA.AAA.AAA\/AAAA-00;0;_" (letters or digits in
/// the first twelve places; the slash escaped, a bare one being the date
/// separator); anything else -> "" (no mask).
std::string PictPess(const std::string& personType);

} // namespace gsf::host
