// GET /metrics: off unless asked for; when on, the Prometheus text of the
// requests, errors, latencies, cache and database time of what was served.

#include "server/in_process_server.h"
#include "server/metrics.h"

#include <gmock/gmock.h>
#include <httplib.h>

#include <map>
#include <sstream>
#include <thread>

namespace {

using ::testing::HasSubstr;

// The samples of an exposition: series (name with labels) -> value.
std::map<std::string, double> samples(const std::string& text)
{
    std::map<std::string, double> out;
    std::istringstream lines(text);
    for (std::string line; std::getline(lines, line);) {
        if (line.empty() || line[0] == '#')
            continue;
        const size_t space = line.rfind(' ');
        out[line.substr(0, space)] = std::stod(line.substr(space + 1));
    }
    return out;
}

gsf::server::ServerOptions quiet(bool metrics)
{
    gsf::server::ServerOptions options;
    options.metrics = metrics;
    options.log = [](const std::string&) {};
    return options;
}

TEST(Metrics, OffUnlessEnabled)
{
    gsf::server::InProcessServer server(quiet(false), "gsf-metrics");
    httplib::Client client(server.Host(), server.Port());
    const auto res = client.Get("/metrics");
    ASSERT_TRUE(res) << httplib::to_string(res.error());
    EXPECT_EQ(res->status, 404);
}

TEST(Metrics, CountsWhatWasServed)
{
    gsf::server::InProcessServer server(quiet(true), "gsf-metrics");
    httplib::Client client(server.Host(), server.Port());
    const std::string module = "/Vex04120.rdmGrupServFat/";
    for (int i = 0; i < 3; ++i)
        ASSERT_EQ(client.Post(module + "GetGrupServ", R"({"args":["0001","000002"]})", "application/json")->status,
                  200);
    ASSERT_EQ(client.Post(module + "GetGrupServ", R"({"args":["0001"]})", "application/json")->status, 400);
    ASSERT_EQ(client.Post(module + "ProLimpaServ", R"({"args":["0001","000002","001"]})", "application/json")->status,
              200);
    ASSERT_EQ(client.Post(module + "ProLimpaServ", R"({"args":["0001","000002","999"]})", "application/json")->status,
              422);
    for (const char* path : {"/x/y", "/a%20b", "/Vex04120.rdmGrupServFat/Nada"})
        ASSERT_EQ(client.Post(path, "{}", "application/json")->status, 404);
    ASSERT_EQ(client.Get("/health")->status, 200);

    // A request is counted once its answer is out, which its client may see
    // first: the scrape is taken again until the last request shows.
    std::string body;
    std::map<std::string, double> all;
    int scrapes = 0;
    const std::string last = R"(grupservfat_requests_total{method="health",status="200"})";
    while (scrapes < 200 && !all.contains(last)) {
        if (scrapes++ > 0)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        const auto res = client.Get("/metrics");
        ASSERT_TRUE(res);
        ASSERT_EQ(res->status, 200);
        EXPECT_EQ(res->get_header_value("Content-Type"), "text/plain; version=0.0.4; charset=utf-8");
        body = res->body;
        all = samples(body);
    }
    const auto at = [&](const std::string& series) {
        const auto it = all.find(series);
        if (it != all.end())
            return it->second;
        ADD_FAILURE() << "no sample " << series << " in\n" << body;
        return -1.0;
    };

    EXPECT_EQ(at(R"(grupservfat_requests_total{method="GetGrupServ",status="200"})"), 3);
    EXPECT_EQ(at(R"(grupservfat_requests_total{method="GetGrupServ",status="400"})"), 1);
    EXPECT_EQ(at(R"(grupservfat_request_errors_total{method="GetGrupServ",status="400"})"), 1);
    EXPECT_FALSE(all.contains(R"(grupservfat_request_errors_total{method="GetGrupServ",status="200"})"));
    EXPECT_EQ(at(R"(grupservfat_requests_total{method="ProLimpaServ",status="422"})"), 1);
    EXPECT_EQ(at(R"(grupservfat_requests_total{method="health",status="200"})"), 1);
    // Paths nobody serves are one series, whatever they are.
    EXPECT_EQ(at(R"(grupservfat_requests_total{method="other",status="404"})"), 3);
    EXPECT_EQ(body.find("Nada"), std::string::npos);

    EXPECT_EQ(at(R"(grupservfat_request_duration_seconds_count{method="GetGrupServ"})"), 4);
    EXPECT_EQ(at(R"(grupservfat_request_duration_seconds_bucket{method="GetGrupServ",le="+Inf"})"), 4);
    EXPECT_GT(at(R"(grupservfat_request_duration_seconds_sum{method="GetGrupServ"})"), 0);
    // Buckets are cumulative.
    double previous = 0;
    for (double bound : gsf::server::Metrics::kBuckets) {
        std::ostringstream le;
        le << bound;
        const double value =
            at(R"(grupservfat_request_duration_seconds_bucket{method="GetGrupServ",le=")" + le.str() + "\"}");
        EXPECT_GE(value, previous) << bound;
        previous = value;
    }
    EXPECT_EQ(at(R"(grupservfat_database_duration_seconds_count{method="GetGrupServ"})"), 4);
    EXPECT_EQ(at(R"(grupservfat_database_duration_seconds_count{method="ProLimpaServ"})"), 2);
    EXPECT_FALSE(all.contains(R"(grupservfat_database_duration_seconds_count{method="health"})"))
        << "health never reaches the database";

    // The first read was computed, the two after it came from the cache.
    EXPECT_EQ(at("grupservfat_response_cache_hits_total"), 2);
    EXPECT_GE(at("grupservfat_response_cache_misses_total"), 1);
    EXPECT_GE(at("grupservfat_open_connections"), 1);
    EXPECT_THAT(body, HasSubstr("# TYPE grupservfat_request_duration_seconds histogram\n"));
    EXPECT_THAT(body, HasSubstr("# TYPE grupservfat_requests_total counter\n"));

    // The scrapes themselves are counted once they are out.
    std::map<std::string, double> later;
    const std::string scraped = R"(grupservfat_requests_total{method="metrics",status="200"})";
    for (int tries = 0; tries < 200 && later[scraped] < scrapes; ++tries) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
        later = samples(client.Get("/metrics")->body);
    }
    EXPECT_GE(later[scraped], scrapes);
}

TEST(Metrics, AskForTheTokenAsEveryOtherPathDoes)
{
    auto options = quiet(true);
    options.tokens = {{"prometheus", "raspar"}};
    gsf::server::InProcessServer server(options, "gsf-metrics");
    httplib::Client client(server.Host(), server.Port());
    EXPECT_EQ(client.Get("/metrics")->status, 401);
    client.set_bearer_token_auth("raspar");
    EXPECT_EQ(client.Get("/metrics")->status, 200);
}

} // namespace
