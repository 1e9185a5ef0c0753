#pragma once

#include "server/response_cache.h"
#include "records/remote_module.h"
#include "server/storage.h"

#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>

namespace gsf::server {

/// Answer to one remote call: HTTP status and JSON body. A packet is held
/// shared, as written once (and kept by the cache), so that serving it again
/// copies nothing.
struct Reply {
    Reply() = default;
    Reply(int code, std::string text) : status(code), body(std::move(text)) {}

    int status = 200;
    std::string body;                          ///< the body, unless @c shared holds it
    std::shared_ptr<const std::string> shared; ///< the body written once, when set

    /// A 200 answer with @p text as its body.
    static Reply Shared(std::shared_ptr<const std::string> text)
    {
        Reply reply;
        reply.shared = std::move(text);
        return reply;
    }
    std::string_view Body() const { return shared ? std::string_view(*shared) : std::string_view(body); }
};

/// The remote data module "Vex04120.rdmGrupServFat": its methods by name.
///
/// Checks the request body (`{"args": [...]}`, strict JSON: no repeated key,
/// no number past a double, no control character in a text, shallow
/// nesting), the argument count, the length and characters of every text
/// argument and the delta of the Upd methods, then runs the method on the
/// storage. Never throws, whatever the input: every failure becomes a reply
/// with `{"error": {"code": ..., "message": ...}}`.
///
/// With @p cacheReads, the answer of a Get method is kept and served again
/// while the database's change version (Storage::ChangeVersion, read on every
/// call unless the caller has read it) has not moved; a write through any
/// connection or process moves it.
class RemoteModule {
public:
    static constexpr const char* kName = gsf::records::kModuleName;

    explicit RemoteModule(Storage& storage, bool cacheReads = true) : storage_(storage), cacheReads_(cacheReads) {}

    /// Runs @p method with the arguments of the JSON @p body.
    /// @return 200 with a packet (Get) or `{}` (Upd, Pro); 404 for an unknown
    /// method; 400 for a malformed body, bad arguments or a malformed delta;
    /// 409 for a conflict or a duplicate (constraints raised by a concurrent
    /// writer included); 422 for a row that breaks a rule or names a missing
    /// row; 503 when the database is busy or down; 500 for a failure inside
    /// the call, which affects that call alone.
    /// @param version the change version, when the caller read it after this
    ///        call arrived (a batch of reads shares one); read here otherwise.
    Reply Call(std::string_view method, std::string_view body, std::optional<std::int64_t> version = std::nullopt);

    /// Makes the next call of @p method fail with @p message (status 500).
    /// In-process only: nothing over the network reaches it.
    void FailOnce(const std::string& method, const std::string& message);
    /// Makes one call of @p method, the next after @p passing calls went
    /// through, fail with @p status and the error @p code and @p message, as a
    /// refusal of the server's own would.
    void FailOnce(const std::string& method, int status, const std::string& code, const std::string& message,
                  int passing = 0);

    /// Whether @p method is one of the module's methods.
    static bool HasMethod(std::string_view method);

    /// Answers kept for the Get methods.
    const ResponseCache& Cache() const { return cache_; }

private:
    Reply run(std::string_view method, std::string_view body, std::optional<std::int64_t> version);

    Storage& storage_;
    const bool cacheReads_;
    ResponseCache cache_;
    AnswerBuffers buffers_;
    std::mutex failuresMutex_;
    struct Failure {
        Reply reply;
        int passing = 0;
    };
    std::map<std::string, Failure, std::less<>> failures_;
};

/// `{"error": {"code": code, "message": message}}`.
std::string errorBody(const std::string& code, const std::string& message);

} // namespace gsf::server
