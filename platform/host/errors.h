#pragma once

#include "platform/data/decoded_packet.h"
#include "platform/remote/call_result.h"

#include <stdexcept>
#include <string>

namespace gsf::host {

/// Silent error: abandons the action in progress. Its message has already
/// been shown (MensErro), so the dispatcher shows nothing for it.
class Abort : public std::exception {
public:
    const char* what() const noexcept override { return "Abort"; }
};

/// A failure reported by the application server or the connection; the
/// message is the Portuguese text the person sees.
class ServerError : public std::runtime_error {
public:
    ServerError(const std::string& message, std::string code) : std::runtime_error(message), code_(std::move(code)) {}
    /// Short failure code of the result ("unavailable", "conflict", ...).
    const std::string& code() const { return code_; }

private:
    std::string code_;
};

/// Shows @p text through the current Interaction.
/// @param abort true: then throws Abort, so nothing after the call runs.
/// @throws Abort when @p abort is true.
void MensErro(const std::string& text, bool abort);

/// Checks the result of a remote call.
/// @param raise true: a failure throws ServerError carrying the server's
///   message (the dispatcher shows it). false: a failure shows the message
///   through the current Interaction and throws Abort instead. Either way a
///   failure never comes back as a packet.
/// @param reserved kept so calls read as the screens were written; ignored.
/// @return the decoded packet of a successful result; an empty packet for
///   the "{}" (or empty) body of a method that returns no data.
/// @throws ServerError or Abort on a failed result, after hiding the progress
///   indicator; data::PacketError (after hiding it too) when the body cannot be read.
data::DecodedPacket CheckResultServ(const remote::CallResult& result, bool raise, int reserved);

} // namespace gsf::host
