#pragma once

#include <stdexcept>
#include <string>
#include <string_view>

namespace gsf::server {

/// A refusal the client sees: HTTP status, short code and Portuguese message.
class ServiceError : public std::runtime_error {
public:
    ServiceError(int status, std::string code, const std::string& message)
        : std::runtime_error(message), status_(status), code_(std::move(code)) {}
    int Status() const { return status_; }
    const std::string& Code() const { return code_; }

private:
    int status_;
    std::string code_;
};

/// [[noreturn]] helpers for the usual refusals.
[[noreturn]] void badRequest(const std::string& message);   ///< 400 "bad_request"
[[noreturn]] void conflict(const std::string& message);     ///< 409 "conflict"
[[noreturn]] void duplicate(const std::string& message);    ///< 409 "duplicate"
[[noreturn]] void unprocessable(const std::string& message); ///< 422 "invalid"

/// The kinds of text a method takes, each with its length and characters.
enum class ArgKind {
    Branch,        ///< up to 4 letters, digits or blanks
    Client,        ///< up to 21 printable characters
    Group,         ///< up to 3 printable characters
    Service,       ///< up to 5 digits or blanks
    Registration,  ///< up to 20 letters or digits
};

/// Portuguese name of the argument ("filial", "cliente", ...).
const char* argName(ArgKind kind);
/// Maximum length in characters.
int argMaxLength(ArgKind kind);

/// Number of characters (code points) of a UTF-8 text; -1 when the bytes are not valid UTF-8.
int utf8Length(std::string_view text);

/// @return "" when @p value is acceptable for @p kind, otherwise the reason
/// ("no máximo 4 caracteres.").
std::string argumentProblem(ArgKind kind, std::string_view value);

/// @return "" when @p value fits a text column of @p size characters, is
/// valid UTF-8 and holds no control characters, otherwise the reason.
std::string textProblem(std::string_view value, int size);

} // namespace gsf::server
