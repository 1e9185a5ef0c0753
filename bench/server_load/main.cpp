// Load driver: keep-alive clients on loopback against the application server.
//
// usage: bench_server_load [--clients N] [--seconds S] [--max-requests M] [--cache on|off]
//                          [--only echo|compare|crowd|engines] [--compare-clients N] [--rounds R]
//                          [--idle N] [--stalled N] [--crowd-seconds S] [--io-threads N] [--workers N]
//                          [--postgres CONNINFO]
//
// Four parts, each measured in this one run:
// - echo: each method against an echo endpoint of the HTTP library answering
//   the same bytes, at --clients clients;
// - compare: the server against its previous thread-per-connection front over
//   the same remote module and database, at --compare-clients clients, the two
//   alternated for --rounds rounds and compared by their medians;
// - crowd: --idle keep-alive connections that made a call and went quiet,
//   plus --stalled connections that sent half a head and fell silent (opened
//   again as the server drops them), while --compare-clients clients keep
//   calling and new screens open one after another: the new screens' first
//   call and the connected clients' p99 against their p99 with no crowd;
// - engines (with --postgres, an empty or demo database): a second server on
//   PostgreSQL beside the SQLite one, the same small reads at
//   --compare-clients clients on each, alternated for --rounds rounds and
//   compared by their medians.
//
// With the cache on (the server's default) a repeated Get is answered from
// memory after one read of the database's change version; off measures the
// full path: query, packet and HTTP.

#include "bench/common/bench_data.h"
#include "bench/server_load/previous_front.h"
#include "server/app_server.h"
#include "server/tests/http_wire.h"

#include <httplib.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

struct Settings {
    int clients = 4;
    double seconds = 3;
    long maxRequests = 300000;
    std::string only; ///< "echo", "compare" or "crowd": run that part alone
    bool cache = true;
    int compareClients = 16;
    int rounds = 3;
    int idle = 2000;
    int stalled = 200;
    double crowdSeconds = 10;
    int ioThreads = 0;    ///< 0: the server's default
    int workers = 0;      ///< 0: the server's default
    std::string postgres; ///< for the engines part
};

struct Outcome {
    double rps = 0;
    double p50 = 0;
    double p99 = 0;
    double max = 0;
    long requests = 0;
    long failures = 0;
};

const std::string kPrefix = "/Vex04120.rdmGrupServFat/";
const std::string kBigArgs = R"({"args":["0001","CARGA"]})";
const std::string kSmallArgs = R"({"args":["0001","000002","001"]})";

Outcome summary(std::vector<double> all, long failures, double elapsed)
{
    std::sort(all.begin(), all.end());
    Outcome out;
    out.requests = static_cast<long>(all.size());
    out.failures = failures;
    out.rps = elapsed > 0 ? static_cast<double>(all.size()) / elapsed : 0;
    if (!all.empty()) {
        out.p50 = all[all.size() / 2];
        out.p99 = all[std::min(all.size() - 1, all.size() * 99 / 100)];
        out.max = all.back();
    }
    return out;
}

Outcome drive(int clients, double seconds, long maxRequests, int port, const std::string& path, const std::string& body)
{
    std::atomic<long> budget{maxRequests};
    std::atomic<long> failures{0};
    std::vector<std::vector<double>> latencies(static_cast<size_t>(clients));
    const auto start = Clock::now();
    const auto deadline = start + std::chrono::duration<double>(seconds);
    std::vector<std::thread> threads;
    for (int t = 0; t < clients; ++t) {
        threads.emplace_back([&, t] {
            httplib::Client client("127.0.0.1", port);
            client.set_keep_alive(true);
            client.set_tcp_nodelay(true);
            auto& mine = latencies[static_cast<size_t>(t)];
            while (Clock::now() < deadline && budget.fetch_sub(1) > 0) {
                const auto t0 = Clock::now();
                const auto res = client.Post(path.c_str(), body, "application/json");
                const auto t1 = Clock::now();
                if (!res || res->status != 200 || res->body.empty()) {
                    ++failures;
                    continue;
                }
                mine.push_back(std::chrono::duration<double, std::micro>(t1 - t0).count());
            }
        });
    }
    for (auto& th : threads)
        th.join();
    std::vector<double> all;
    for (auto& l : latencies)
        all.insert(all.end(), l.begin(), l.end());
    return summary(std::move(all), failures, std::chrono::duration<double>(Clock::now() - start).count());
}

void report(const char* name, size_t bytes, const Outcome& method, const Outcome& echo)
{
    std::printf("%-28s %7zu B  method %9.0f req/s  p50 %7.1f us  p99 %7.1f us | echo %9.0f req/s  p50 %7.1f us  "
                "p99 %7.1f us | ratio %.2f (failures %ld/%ld)\n",
                name, bytes, method.rps, method.p50, method.p99, echo.rps, echo.p50, echo.p99,
                echo.rps > 0 ? method.rps / echo.rps : 0.0, method.failures, echo.failures);
}

using gsf::bench::median;

void echoPart(const Settings& settings, int port, const std::string& bigBody, const std::string& smallBody)
{
    // The echo server: same library as the previous front, one worker per client.
    httplib::Server echo;
    const int workers = settings.clients + 2;
    echo.new_task_queue = [workers] { return new httplib::ThreadPool(static_cast<size_t>(workers)); };
    echo.set_tcp_nodelay(true);
    echo.set_keep_alive_max_count(1000000);
    echo.Post("/echo/big",
              [&](const httplib::Request&, httplib::Response& res) { res.set_content(bigBody, "application/json"); });
    echo.Post("/echo/small",
              [&](const httplib::Request&, httplib::Response& res) { res.set_content(smallBody, "application/json"); });
    const int echoPort = echo.bind_to_any_port("127.0.0.1");
    std::thread echoThread([&] { echo.listen_after_bind(); });
    while (!echo.is_running())
        std::this_thread::sleep_for(std::chrono::milliseconds(5));

    std::printf("== echo: %d clients, %.1f s per run, at most %ld requests per run, cache %s\n", settings.clients,
                settings.seconds, settings.maxRequests, settings.cache ? "on" : "off");
    const auto run = [&](int p, const std::string& path, const std::string& body) {
        return drive(settings.clients, settings.seconds, settings.maxRequests, p, path, body);
    };
    const auto bigMethod = run(port, kPrefix + "GetGrupServ", kBigArgs);
    const auto bigEcho = run(echoPort, "/echo/big", kBigArgs);
    report("GetGrupServ (1,000 groups)", bigBody.size(), bigMethod, bigEcho);
    const auto smallMethod = run(port, kPrefix + "GetServClie", kSmallArgs);
    const auto smallEcho = run(echoPort, "/echo/small", kSmallArgs);
    report("GetServClie", smallBody.size(), smallMethod, smallEcho);
    echo.stop();
    echoThread.join();
}

struct Case {
    const char* name;
    std::string path, body;
};

struct Side {
    const char* name;
    int port;
};

// Each case against two servers, alternated round by round so that a
// neighbour's load on the machine falls on both, compared by their medians.
void alternate(const Settings& settings, const std::vector<Case>& cases, Side a, Side b)
{
    for (const Case& c : cases) {
        std::vector<double> aRps, aP99, bRps, bP99;
        for (int round = 0; round < settings.rounds; ++round) {
            const auto x =
                drive(settings.compareClients, settings.seconds, settings.maxRequests, a.port, c.path, c.body);
            const auto y =
                drive(settings.compareClients, settings.seconds, settings.maxRequests, b.port, c.path, c.body);
            std::printf("  %-26s round %d  %s %8.0f req/s p99 %8.1f us (fail %ld) | %s %8.0f req/s p99 %8.1f us "
                        "(fail %ld)\n",
                        c.name, round + 1, a.name, x.rps, x.p99, x.failures, b.name, y.rps, y.p99, y.failures);
            aRps.push_back(x.rps);
            aP99.push_back(x.p99);
            bRps.push_back(y.rps);
            bP99.push_back(y.p99);
        }
        std::printf("  %-26s median    %s %8.0f req/s p99 %8.1f us | %s %8.0f req/s p99 %8.1f us | "
                    "throughput %s/%s %.2f\n",
                    c.name, a.name, median(aRps), median(aP99), b.name, median(bRps), median(bP99), a.name, b.name,
                    median(bRps) > 0 ? median(aRps) / median(bRps) : 0.0);
    }
}

void comparePart(const Settings& settings, int port, gsf::server::RemoteModule& module)
{
    // The previous front's default: one worker per expected keep-alive client.
    gsf::bench::PreviousFront previous(module, std::max(32, settings.compareClients + 2), [](const std::string&) {});
    std::printf("== compare: %d clients, %.1f s per run, %d rounds, cache %s (new = this server, previous = "
                "thread-per-connection front)\n",
                settings.compareClients, settings.seconds, settings.rounds, settings.cache ? "on" : "off");
    alternate(settings,
              {{"GetServClie", kPrefix + "GetServClie", kSmallArgs},
               {"GetGrupServ (1,000 groups)", kPrefix + "GetGrupServ", kBigArgs}},
              {"new", port}, {"previous", previous.Port()});
}

// New screens one after another, each on a connection of its own: the time
// from connecting to the answer of its first call.
Outcome probeNewScreens(int port, Clock::time_point until)
{
    std::vector<double> latencies;
    long failures = 0;
    const auto start = Clock::now();
    while (Clock::now() < until) {
        const auto t0 = Clock::now();
        httplib::Client client("127.0.0.1", port);
        client.set_tcp_nodelay(true);
        client.set_read_timeout(5, 0);
        const auto res =
            client.Post((kPrefix + "GetPesqClie").c_str(), R"({"args":["11222333000181","0001"]})", "application/json");
        const auto t1 = Clock::now();
        if (res && res->status == 200)
            latencies.push_back(std::chrono::duration<double, std::micro>(t1 - t0).count());
        else
            ++failures;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return summary(std::move(latencies), failures, std::chrono::duration<double>(Clock::now() - start).count());
}

// Resident memory of this process, in KiB.
long residentKiB()
{
    std::FILE* status = std::fopen("/proc/self/status", "r");
    if (!status)
        return 0;
    char line[256];
    long kib = 0;
    while (std::fgets(line, sizeof line, status))
        if (std::sscanf(line, "VmRSS: %ld kB", &kib) == 1)
            break;
    std::fclose(status);
    return kib;
}

void crowdPart(const Settings& settings, int port)
{
    using gsf::test::Wire;
    const std::string halfHead = "POST /Vex04120.rdmGrupServFat/GetGrupServ HTTP/1.1\r\nHost: 127.0.0.1\r\nContent-";
    const std::string first = gsf::test::call("GetParamFilial", R"({"args":["0001"]})");
    std::printf("== crowd: %d idle keep-alive + %d stalled half-heads, %d connected clients, %.1f s\n", settings.idle,
                settings.stalled, settings.compareClients, settings.crowdSeconds);

    // The connected clients calling and new screens opening: once alone,
    // once in the crowd.
    const auto measure = [&](Outcome& clients, Outcome& screens) {
        const auto until = Clock::now() + std::chrono::duration_cast<Clock::duration>(
                                              std::chrono::duration<double>(settings.crowdSeconds));
        std::thread prober([&] { screens = probeNewScreens(port, until); });
        clients = drive(settings.compareClients, settings.crowdSeconds, settings.maxRequests * 10, port,
                        kPrefix + "GetServClie", kSmallArgs);
        prober.join();
    };
    Outcome calm, calmScreens;
    measure(calm, calmScreens);

    const long residentBefore = residentKiB();
    std::vector<std::unique_ptr<Wire>> idle;
    long idleFailures = 0;
    for (int i = 0; i < settings.idle; ++i) {
        idle.push_back(std::make_unique<Wire>(port));
        const auto answer = idle.back()->send(first) ? idle.back()->response() : std::nullopt;
        if (!answer || answer->status != 200)
            ++idleFailures;
    }
    std::vector<std::unique_ptr<Wire>> stalled;
    for (int i = 0; i < settings.stalled; ++i) {
        stalled.push_back(std::make_unique<Wire>(port));
        stalled.back()->send(halfHead);
    }
    const long residentCrowd = residentKiB() - residentBefore;
    // The server drops a stalled connection at the request deadline; the
    // attacker opens it again.
    std::atomic<bool> crowding{true};
    std::atomic<long> reopened{0};
    std::thread keeper([&] {
        while (crowding) {
            for (auto& wire : stalled) {
                if (!wire->closedWithin(std::chrono::milliseconds(0)))
                    continue;
                wire = std::make_unique<Wire>(port);
                wire->send(halfHead);
                ++reopened;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
    });
    Outcome crowded, screens;
    measure(crowded, screens);
    crowding = false;
    keeper.join();

    // The idle ones are still served.
    long idleLater = 0;
    for (size_t i = 0; i < idle.size(); i += 10) {
        const auto answer = idle[i]->send(first) ? idle[i]->response() : std::nullopt;
        if (!answer || answer->status != 200)
            ++idleLater;
    }
    std::printf(
        "  idle connections opened %d (failed %ld), stalled reopened %ld times, idle failing afterwards %ld of %zu\n",
        settings.idle, idleFailures, reopened.load(), idleLater, (idle.size() + 9) / 10);
    std::printf("  memory of the crowd (both ends, this process): %.1f MiB, %.1f KiB a connection\n",
                static_cast<double>(residentCrowd) / 1024,
                settings.idle + settings.stalled > 0
                    ? static_cast<double>(residentCrowd) / (settings.idle + settings.stalled)
                    : 0.0);
    std::printf(
        "  new screen first call   no crowd: p50 %7.2f ms  p99 %7.2f ms  max %7.2f ms  (%ld calls, %ld failed)\n",
        calmScreens.p50 / 1000, calmScreens.p99 / 1000, calmScreens.max / 1000, calmScreens.requests,
        calmScreens.failures);
    std::printf(
        "  new screen first call   crowd:    p50 %7.2f ms  p99 %7.2f ms  max %7.2f ms  (%ld calls, %ld failed)\n",
        screens.p50 / 1000, screens.p99 / 1000, screens.max / 1000, screens.requests, screens.failures);
    std::printf("  connected clients       no crowd: %8.0f req/s  p50 %7.1f us  p99 %7.1f us  (fail %ld)\n", calm.rps,
                calm.p50, calm.p99, calm.failures);
    std::printf("  connected clients       crowd:    %8.0f req/s  p50 %7.1f us  p99 %7.1f us  (fail %ld) | p99 "
                "crowd/no crowd %.2f\n",
                crowded.rps, crowded.p50, crowded.p99, crowded.failures, calm.p99 > 0 ? crowded.p99 / calm.p99 : 0.0);
}

// The options of a server of this driver on @p database.
gsf::server::ServerOptions serverOptions(const Settings& settings, const std::string& database)
{
    gsf::server::ServerOptions options;
    options.database = database;
    options.port = 0;
    options.demo = true;
    options.cacheReads = settings.cache;
    if (settings.ioThreads > 0)
        options.ioThreads = settings.ioThreads;
    if (settings.workers > 0)
        options.workers = settings.workers;
    options.log = [](const std::string&) {}; // the log line is built, only its output is dropped
    return options;
}

void enginesPart(const Settings& settings, int sqlitePort)
{
    gsf::server::AppServer pg(serverOptions(settings, settings.postgres));
    if (pg.GetStorage().GetEngine() != gsf::sql::Engine::PostgreSQL || !pg.Bind()) {
        std::fprintf(stderr, "bench_server_load: --postgres does not name a PostgreSQL database\n");
        return;
    }
    std::thread serving([&] { pg.Run(); });
    pg.WaitUntilReady(std::chrono::seconds(10));
    std::printf("== engines: %d clients, %.1f s per run, %d rounds, cache %s, load %s (PostgreSQL against SQLite)\n",
                settings.compareClients, settings.seconds, settings.rounds, settings.cache ? "on" : "off",
                gsf::bench::loadAverage().c_str());
    alternate(settings,
              {{"GetServClie", kPrefix + "GetServClie", kSmallArgs},
               {"GetParamFilial", kPrefix + "GetParamFilial", R"({"args":["0001"]})"},
               {"GetVerifGrupServ", kPrefix + "GetVerifGrupServ", kSmallArgs}},
              {"PostgreSQL", pg.Port()}, {"SQLite", sqlitePort});
    pg.Stop();
    serving.join();
}

} // namespace

int main(int argc, char** argv)
{
    Settings settings;
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string arg = argv[i];
        const char* value = argv[i + 1];
        if (arg == "--clients")
            settings.clients = std::max(1, std::atoi(value));
        else if (arg == "--seconds")
            settings.seconds = std::atof(value);
        else if (arg == "--max-requests")
            settings.maxRequests = std::atol(value);
        else if (arg == "--only")
            settings.only = value;
        else if (arg == "--cache")
            settings.cache = std::string(value) != "off";
        else if (arg == "--compare-clients")
            settings.compareClients = std::max(1, std::atoi(value));
        else if (arg == "--rounds")
            settings.rounds = std::max(1, std::atoi(value));
        else if (arg == "--idle")
            settings.idle = std::max(0, std::atoi(value));
        else if (arg == "--stalled")
            settings.stalled = std::max(0, std::atoi(value));
        else if (arg == "--crowd-seconds")
            settings.crowdSeconds = std::atof(value);
        else if (arg == "--io-threads")
            settings.ioThreads = std::max(1, std::atoi(value));
        else if (arg == "--workers")
            settings.workers = std::max(1, std::atoi(value));
        else if (arg == "--postgres")
            settings.postgres = value;
        else {
            std::fprintf(stderr, "bench_server_load: unknown option %s\n", arg.c_str());
            return 2;
        }
    }
    // Both ends of every connection live in this process.
    gsf::test::allowDescriptors(static_cast<unsigned>(2 * (settings.idle + settings.stalled) + 1024));

    const auto dir = std::filesystem::temp_directory_path() / ("gsf-bench-" + std::to_string(getpid()));
    std::filesystem::create_directories(dir);

    gsf::server::AppServer server(serverOptions(settings, (dir / "bench.db").string()));

    // A client with 1,000 groups.
    auto& storage = server.GetStorage();
    gsf::bench::addClientWithGroups(storage, "CARGA", 1, 1000);
    if (!server.Bind())
        return 1;
    std::thread serverThread([&] { server.Run(); });
    server.WaitUntilReady(std::chrono::seconds(10));

    const std::string bigBody = gsf::data::encodePacket(storage.GetGrupServ("0001", "CARGA"));
    const std::string smallBody = gsf::data::encodePacket(storage.GetServClie("0001", "000002", "001"));
    if (settings.only.empty() || settings.only == "echo")
        echoPart(settings, server.Port(), bigBody, smallBody);
    if (settings.only.empty() || settings.only == "compare")
        comparePart(settings, server.Port(), server.Module());
    if (settings.only.empty() || settings.only == "crowd")
        crowdPart(settings, server.Port());
    if ((settings.only.empty() || settings.only == "engines") && !settings.postgres.empty())
        enginesPart(settings, server.Port());

    server.Stop();
    serverThread.join();
    std::filesystem::remove_all(dir);
    return 0;
}
