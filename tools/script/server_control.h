#pragma once

#include <string>

namespace gsf::script {

/// The server's own text for a change refused because someone else changed
/// or removed the row meanwhile (HTTP 409, code "conflict").
inline constexpr const char* kConflictText =
    "O registro foi alterado ou excluído por outro usuário. Recarregue os dados e tente novamente.";

/// A refusal the server is told to give: HTTP status, error code and the
/// message the person sees.
struct Refusal {
    int status = 409;
    std::string code;
    std::string message;
};

/// What a script may do to the application server it runs against: make a
/// method refuse its next call, stop the server and start it again. Only a
/// server inside the driver's process can be driven this way.
class ServerControl {
public:
    virtual ~ServerControl() = default;

    /// Where the server listens, HOST:PORT (the same after a restart).
    virtual std::string address() const = 0;
    /// Whether @p method is one of the remote module's methods.
    virtual bool hasMethod(const std::string& method) const = 0;
    /// One call of @p method, the next after @p passing calls went through, is
    /// refused with @p refusal (while running; a restart forgets it, as a new
    /// server state does).
    virtual void failOnce(const std::string& method, const Refusal& refusal, int passing) = 0;
    virtual bool running() const = 0;
    /// Nobody listens on the port any more; the data stays.
    virtual void stop() = 0;
    /// Serves again from the same data on the same port, with a new state.
    /// @throws std::runtime_error (Portuguese message) when it cannot.
    virtual void start() = 0;
};

} // namespace gsf::script
