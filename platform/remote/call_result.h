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
    /// The call reached the server (or may have) and no answer came, even on
    /// a second try: what it changed there, if anything, is not known. Only a
    /// call that changes data (`Upd`, `Pro`) is ever marked so.
    bool outcomeUnknown = false;
};

} // namespace gsf::remote
