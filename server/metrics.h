#pragma once

#include <array>
#include <cstdint>
#include <map>
#include <mutex>
#include <string>
#include <string_view>
#include <utility>

namespace gsf::server {

/// The server's counters, shown at `GET /metrics` in the Prometheus text
/// format (version 0.0.4). Thread-safe.
///
/// Methods are labelled by name when they are the module's or the server's
/// own (`health`, `metrics`), and `other` otherwise, so whatever paths
/// clients send the series stay few.
class Metrics {
public:
    /// Upper bounds of the latency buckets, in seconds.
    static constexpr std::array<double, 14> kBuckets = {0.0005, 0.001, 0.0025, 0.005, 0.01, 0.025, 0.05,
                                                        0.1,    0.25,  0.5,    1,     2.5,  5,     10};

    /// One answered request: @p method is the last segment of its path.
    void Request(std::string_view method, int status, double seconds);
    /// The time one call of @p method spent on a database worker.
    void Database(std::string_view method, double seconds);

    /// What the exposition shows besides the counters kept here.
    struct Gauges {
        std::uint64_t cacheHits = 0, cacheMisses = 0;
        std::size_t cacheEntries = 0;
        int openConnections = 0;
    };
    /// The exposition text.
    std::string Text(const Gauges& gauges) const;

    /// The label @p method is counted under.
    static std::string Label(std::string_view method);

private:
    struct Histogram {
        std::array<std::uint64_t, kBuckets.size()> buckets{}; ///< not cumulative; summed when shown
        std::uint64_t count = 0;
        double sum = 0;
        void add(double seconds);
    };
    mutable std::mutex mutex_;
    std::map<std::pair<std::string, int>, std::uint64_t> requests_; ///< (method, status) -> count
    std::map<std::string, Histogram> latency_;
    std::map<std::string, Histogram> database_;
};

} // namespace gsf::server
