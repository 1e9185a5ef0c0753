#pragma once

#include <stdexcept>
#include <string>
#include <string_view>

namespace gsf::server {

/// A refusal the client sees: HTTP status, short code and Portuguese message.
class ServiceError : public std::runtime_error {
public:
    ServiceError(int status, std::string code, const std::string& message)
        : std::runtime_error(message), status_(status), code_(std::move(code))
    {}
    int Status() const { return status_; }
    const std::string& Code() const { return code_; }

private:
    int status_;
    std::string code_;
};

/// [[noreturn]] helpers for the usual refusals.
[[noreturn]] void badRequest(const std::string& message);    ///< 400 "bad_request"
[[noreturn]] void conflict(const std::string& message);      ///< 409 "conflict"
[[noreturn]] void duplicate(const std::string& message);     ///< 409 "duplicate"
[[noreturn]] void unprocessable(const std::string& message); ///< 422 "invalid"

/// The kinds of text a method takes. Each is the field of the same name in
/// the records' declarations (records/records.h), whose length and characters
/// it takes: an argument is accepted exactly when the field accepts it.
enum class ArgKind {
    Branch,       ///< CDFILIAL: up to 4 letters, digits or blanks
    Client,       ///< CDCLIENTE: up to 21 printable characters
    Group,        ///< CDGRSERVFAT: up to 3 printable characters
    Service,      ///< CDSERVFILI: up to 5 digits or blanks
    Registration, ///< NRINSJURCLIE: up to 20 letters or digits
};

/// Portuguese name of the argument ("filial", "cliente", ...).
const char* argName(ArgKind kind);
/// Maximum length in characters.
int argMaxLength(ArgKind kind);

/// @return "" when @p value is acceptable for @p kind, otherwise the reason
/// ("no máximo 4 caracteres."). An empty text is acceptable: it asks for
/// nothing in particular (an empty list, every service).
std::string argumentProblem(ArgKind kind, std::string_view value);

} // namespace gsf::server
