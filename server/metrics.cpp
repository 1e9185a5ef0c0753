#include "server/metrics.h"

#include "server/remote_module.h"

#include <charconv>
#include <sstream>

namespace gsf::server {

namespace {

// The shortest text that reads back as @p value, whatever the locale.
std::string number(double value)
{
    char text[64];
    const auto end = std::to_chars(text, text + sizeof text, value, std::chars_format::general).ptr;
    return std::string(text, end);
}

void help(std::ostringstream& out, const char* name, const char* type, const char* text)
{
    out << "# HELP " << name << ' ' << text << "\n# TYPE " << name << ' ' << type << '\n';
}

} // namespace

std::string Metrics::Label(std::string_view method)
{
    if (method == "health" || method == "metrics" || RemoteModule::HasMethod(method))
        return std::string(method);
    return "other";
}

void Metrics::Histogram::add(double seconds)
{
    size_t bucket = 0;
    while (bucket < kBuckets.size() && seconds > kBuckets[bucket])
        ++bucket;
    if (bucket < kBuckets.size())
        ++buckets[bucket];
    ++count;
    sum += seconds;
}

void Metrics::Request(std::string_view method, int status, double seconds)
{
    const std::string label = Label(method);
    std::lock_guard lock(mutex_);
    ++requests_[{label, status}];
    latency_[label].add(seconds);
}

void Metrics::Database(std::string_view method, double seconds)
{
    const std::string label = Label(method);
    std::lock_guard lock(mutex_);
    database_[label].add(seconds);
}

std::string Metrics::Text(const Gauges& gauges) const
{
    std::ostringstream out;
    const auto histogram = [&out](const char* name, const std::map<std::string, Histogram>& series) {
        for (const auto& [method, h] : series) {
            std::uint64_t cumulative = 0;
            for (size_t b = 0; b < kBuckets.size(); ++b) {
                cumulative += h.buckets[b];
                out << name << "_bucket{method=\"" << method << "\",le=\"" << number(kBuckets[b]) << "\"} "
                    << cumulative << '\n';
            }
            out << name << "_bucket{method=\"" << method << "\",le=\"+Inf\"} " << h.count << '\n'
                << name << "_sum{method=\"" << method << "\"} " << number(h.sum) << '\n'
                << name << "_count{method=\"" << method << "\"} " << h.count << '\n';
        }
    };
    std::lock_guard lock(mutex_);
    help(out, "grupservfat_requests_total", "counter", "Requests answered, by method and status.");
    for (const auto& [key, count] : requests_)
        out << "grupservfat_requests_total{method=\"" << key.first << "\",status=\"" << key.second << "\"} " << count
            << '\n';
    help(out, "grupservfat_request_errors_total", "counter",
         "Requests answered with a status of 400 or more, by method and status.");
    for (const auto& [key, count] : requests_)
        if (key.second >= 400)
            out << "grupservfat_request_errors_total{method=\"" << key.first << "\",status=\"" << key.second << "\"} "
                << count << '\n';
    help(out, "grupservfat_request_duration_seconds", "histogram",
         "Time from the first byte of a request to the end of its answer.");
    histogram("grupservfat_request_duration_seconds", latency_);
    help(out, "grupservfat_database_duration_seconds", "histogram",
         "Time a call spent on a database worker, checks of its arguments included.");
    histogram("grupservfat_database_duration_seconds", database_);
    help(out, "grupservfat_response_cache_hits_total", "counter", "Read calls answered from the response cache.");
    out << "grupservfat_response_cache_hits_total " << gauges.cacheHits << '\n';
    help(out, "grupservfat_response_cache_misses_total", "counter", "Read calls the response cache could not answer.");
    out << "grupservfat_response_cache_misses_total " << gauges.cacheMisses << '\n';
    help(out, "grupservfat_response_cache_entries", "gauge", "Answers the response cache keeps.");
    out << "grupservfat_response_cache_entries " << gauges.cacheEntries << '\n';
    help(out, "grupservfat_open_connections", "gauge", "Client connections open.");
    out << "grupservfat_open_connections " << gauges.openConnections << '\n';
    return out.str();
}

} // namespace gsf::server
