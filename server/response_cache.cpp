#include "server/response_cache.h"

namespace gsf::server {

// The version never goes back, so once a newer one is seen every entry of an
// older one is dead weight: dropping them all keeps the cache to one version.
void ResponseCache::forgetOlderThan(std::int64_t version) {
    if (version <= newest_) return;
    newest_ = version;
    entries_.clear();
    bytes_ = 0;
}

std::shared_ptr<const std::string> ResponseCache::Find(const std::string& key, std::int64_t version) {
    std::lock_guard lock(mutex_);
    forgetOlderThan(version);
    const auto it = entries_.find(key);
    if (it == entries_.end() || it->second.version != version) {
        ++misses_;
        return nullptr;
    }
    ++hits_;
    return it->second.body;
}

void ResponseCache::Store(const std::string& key, std::int64_t version, std::shared_ptr<const std::string> body) {
    std::lock_guard lock(mutex_);
    forgetOlderThan(version);
    if (version < newest_ || body->size() > maxBytes_) return;
    if (bytes_ + body->size() > maxBytes_) {
        entries_.clear();
        bytes_ = 0;
    }
    auto& entry = entries_[key];
    if (entry.body) bytes_ -= entry.body->size();
    bytes_ += body->size();
    entry = {version, std::move(body)};
}

std::size_t ResponseCache::Size() const {
    std::lock_guard lock(mutex_);
    return entries_.size();
}

ResponseCache::Lookups ResponseCache::Counts() const {
    std::lock_guard lock(mutex_);
    return {hits_, misses_};
}

} // namespace gsf::server
