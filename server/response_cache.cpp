#include "server/response_cache.h"

namespace gsf::server {

// The version never goes back, so once a newer one is seen every entry of an
// older one is dead weight: dropping them all keeps the cache to one version.
void ResponseCache::forgetOlderThan(std::int64_t version)
{
    if (version <= newest_)
        return;
    newest_ = version;
    entries_.clear();
    bytes_ = 0;
}

std::shared_ptr<const std::string> ResponseCache::Find(const std::string& key, std::int64_t version)
{
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

void ResponseCache::Store(const std::string& key, std::int64_t version, std::shared_ptr<const std::string> body)
{
    std::lock_guard lock(mutex_);
    forgetOlderThan(version);
    if (version < newest_ || body->size() > maxBytes_)
        return;
    if (bytes_ + body->size() > maxBytes_) {
        entries_.clear();
        bytes_ = 0;
    }
    auto& entry = entries_[key];
    if (entry.body)
        bytes_ -= entry.body->size();
    bytes_ += body->size();
    entry = {version, std::move(body)};
}

std::size_t ResponseCache::Size() const
{
    std::lock_guard lock(mutex_);
    return entries_.size();
}

ResponseCache::Lookups ResponseCache::Counts() const
{
    std::lock_guard lock(mutex_);
    return {hits_, misses_};
}

struct AnswerBuffers::Pool {
    std::size_t maxKept = 0;
    std::size_t maxBytes = 0;
    mutable std::mutex mutex;
    std::vector<std::unique_ptr<std::string>> free;

    void giveBack(std::string* text)
    {
        std::unique_ptr<std::string> owned(text);
        if (owned->capacity() > maxBytes)
            return;
        owned->clear();
        std::lock_guard lock(mutex);
        if (free.size() < maxKept)
            free.push_back(std::move(owned));
    }
};

AnswerBuffers::AnswerBuffers(std::size_t maxKept, std::size_t maxBytes) : pool_(std::make_shared<Pool>())
{
    pool_->maxKept = maxKept;
    pool_->maxBytes = maxBytes;
}

std::shared_ptr<std::string> AnswerBuffers::Take()
{
    std::unique_ptr<std::string> text;
    {
        std::lock_guard lock(pool_->mutex);
        if (!pool_->free.empty()) {
            text = std::move(pool_->free.back());
            pool_->free.pop_back();
        }
    }
    if (!text)
        text = std::make_unique<std::string>();
    // The deleter holds the pool, so a buffer still being sent when the pool
    // goes returns to memory that is still there.
    return std::shared_ptr<std::string>(text.release(), [pool = pool_](std::string* s) { pool->giveBack(s); });
}

std::size_t AnswerBuffers::Kept() const
{
    std::lock_guard lock(pool_->mutex);
    return pool_->free.size();
}

} // namespace gsf::server
