#include "server/replay_store.h"

#include "server/arguments.h"
#include "server/remote_module.h"

#include <algorithm>
#include <atomic>

namespace gsf::server {

namespace {

const char* const kReusedId =
    "Identificador de requisição já usado em outra chamada: envie cada chamada com um identificador novo.";

std::int64_t wallSeconds()
{
    return std::chrono::duration_cast<std::chrono::seconds>(std::chrono::system_clock::now().time_since_epoch())
        .count();
}

// The ids of old requests are removed by the writes themselves, at most once
// a minute per process: a server that writes nothing keeps its few rows.
std::atomic<std::int64_t> lastPrune{0};

} // namespace

bool validRequestId(std::string_view id)
{
    return id.size() >= 8 && id.size() <= 64 && std::all_of(id.begin(), id.end(), [](char c) {
               return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' ||
                      c == '_';
           });
}

std::string requestFingerprint(std::string_view method, std::string_view body)
{
    // FNV-1a, 64 bits: the same in every process and build, which a standard
    // library hash need not be.
    std::uint64_t hash = 0xcbf29ce484222325ull;
    const auto feed = [&](std::string_view bytes) {
        for (const unsigned char c : bytes) {
            hash ^= c;
            hash *= 0x100000001b3ull;
        }
    };
    feed(method);
    feed(std::string_view("\n", 1));
    feed(body);
    static const char* const digits = "0123456789abcdef";
    std::string out(16, '0');
    for (int i = 15; i >= 0; --i, hash >>= 4)
        out[static_cast<size_t>(i)] = digits[hash & 0xF];
    return out;
}

StoredAnswer ReplayStore::Run(const std::string& id, const std::string& fingerprint,
                              const std::function<StoredAnswer()>& call)
{
    std::shared_ptr<Entry> entry;
    {
        std::unique_lock lock(mutex_);
        if (const auto it = inProgress_.find(id); it != inProgress_.end()) {
            const std::shared_ptr<Entry> first = it->second;
            if (first->fingerprint != fingerprint)
                return {422, errorBody("invalid", kReusedId)};
            finished_.wait(lock, [&] { return first->done; });
            return first->answer;
        }
        entry = std::make_shared<Entry>();
        entry->fingerprint = fingerprint;
        inProgress_.emplace(id, entry);
    }
    const auto finish = [&](StoredAnswer answer) {
        std::lock_guard lock(mutex_);
        entry->answer = std::move(answer);
        entry->done = true;
        inProgress_.erase(id);
        finished_.notify_all();
    };
    try {
        StoredAnswer answer = call();
        finish(answer);
        return answer;
    } catch (...) {
        finish({500, errorBody("server_error", "Erro interno do servidor.")});
        throw;
    }
}

std::size_t ReplayStore::Size() const
{
    std::lock_guard lock(mutex_);
    return inProgress_.size();
}

bool DatabaseReplayMark::Before(gsf::sql::Connection& db)
{
    const std::int64_t now = wallSeconds();
    if (std::int64_t last = lastPrune.load(); now - last >= 60 && lastPrune.compare_exchange_strong(last, now))
        db.Execute("DELETE FROM request_replay WHERE at < ?", {now - keep_.count()});
    const auto found = db.Execute("SELECT fingerprint FROM request_replay WHERE id = ?", {id_});
    if (found.IsEmpty())
        return true;
    if (std::get<std::string>(found.rows.at(0).at(0)) != fingerprint_)
        unprocessable(kReusedId);
    replayed_ = true;
    return false;
}

void DatabaseReplayMark::After(gsf::sql::Connection& db)
{
    // One request is one write; should a method ever write twice, its id is
    // recorded once, with the first.
    if (recorded_)
        return;
    db.Execute("INSERT INTO request_replay (id, fingerprint, at) VALUES (?, ?, ?)", {id_, fingerprint_, wallSeconds()});
    recorded_ = true;
}

} // namespace gsf::server
