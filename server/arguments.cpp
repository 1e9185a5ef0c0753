#include "server/arguments.h"

#include <algorithm>

namespace gsf::server {

void badRequest(const std::string& message) { throw ServiceError(400, "bad_request", message); }
void conflict(const std::string& message) { throw ServiceError(409, "conflict", message); }
void duplicate(const std::string& message) { throw ServiceError(409, "duplicate", message); }
void unprocessable(const std::string& message) { throw ServiceError(422, "invalid", message); }

const char* argName(ArgKind kind) {
    switch (kind) {
    case ArgKind::Branch: return "filial";
    case ArgKind::Client: return "cliente";
    case ArgKind::Group: return "grupo";
    case ArgKind::Service: return "serviço";
    case ArgKind::Registration: return "inscrição";
    }
    return "";
}

int argMaxLength(ArgKind kind) {
    switch (kind) {
    case ArgKind::Branch: return 4;
    case ArgKind::Client: return 21;
    case ArgKind::Group: return 3;
    case ArgKind::Service: return 5;
    case ArgKind::Registration: return 20;
    }
    return 0;
}

int utf8Length(std::string_view text) {
    int count = 0;
    for (size_t i = 0; i < text.size();) {
        const auto c = static_cast<unsigned char>(text[i]);
        size_t extra = 0;
        if (c < 0x80) extra = 0;
        else if ((c & 0xE0) == 0xC0 && c >= 0xC2) extra = 1;
        else if ((c & 0xF0) == 0xE0) extra = 2;
        else if ((c & 0xF8) == 0xF0 && c <= 0xF4) extra = 3;
        else return -1;
        for (size_t k = 1; k <= extra; ++k) {
            if (i + k >= text.size() || (static_cast<unsigned char>(text[i + k]) & 0xC0) != 0x80) return -1;
        }
        i += extra + 1;
        ++count;
    }
    return count;
}

namespace {

bool isControl(unsigned char c) { return c < 0x20 || c == 0x7F; }
bool isDigit(char c) { return c >= '0' && c <= '9'; }
bool isLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }

std::string tooLong(int size) {
    return size == 1 ? "no máximo 1 caractere." : "no máximo " + std::to_string(size) + " caracteres.";
}

} // namespace

std::string textProblem(std::string_view value, int size) {
    const int length = utf8Length(value);
    if (length < 0) return "texto com codificação inválida (UTF-8).";
    if (length > size) return tooLong(size);
    if (std::any_of(value.begin(), value.end(), [](char c) { return isControl(static_cast<unsigned char>(c)); }))
        return "caracteres de controle não são permitidos.";
    return "";
}

std::string argumentProblem(ArgKind kind, std::string_view value) {
    if (auto problem = textProblem(value, argMaxLength(kind)); !problem.empty()) return problem;
    switch (kind) {
    case ArgKind::Branch:
        if (!std::all_of(value.begin(), value.end(), [](char c) { return isDigit(c) || isLetter(c) || c == ' '; }))
            return "use apenas letras, dígitos e espaços.";
        break;
    case ArgKind::Service:
        if (!std::all_of(value.begin(), value.end(), [](char c) { return isDigit(c) || c == ' '; }))
            return "use apenas dígitos e espaços.";
        break;
    case ArgKind::Registration:
        if (!std::all_of(value.begin(), value.end(), [](char c) { return isDigit(c) || isLetter(c); }))
            return "use apenas letras e dígitos.";
        break;
    case ArgKind::Client:
    case ArgKind::Group:
        break;
    }
    return "";
}

} // namespace gsf::server
