#pragma once

#include <string>

namespace gsf::remote {

/// Outcome of one remote call. The connection never throws: an unreachable
/// server, a timeout or a refusal by the server all come back as a failed
/// result, and the host's result check turns it into an error.
struct CallResult {
    bool ok = false;
    /// On success: the JSON body, a packet for Get methods, "{}" for Upd/Pro methods.
    std::string body;
    /// On failure: a short code ("unavailable", "conflict", "bad_request", ...)
    /// and the Portuguese message the person sees.
    std::string errorCode;
    std::string message;
};

} // namespace gsf::remote
