// Load driver: N keep-alive clients on loopback against the application
// server, each method measured against an echo endpoint of the same HTTP
// library answering the same number of bytes in the same run.
//
// usage: bench_server_load [--clients N] [--seconds S] [--max-requests M] [--only big|small] [--cache on|off]
//
// With the cache on (the server's default) a repeated Get is answered from
// memory after one read of the database's change version; off measures the
// full path: query, packet and HTTP.

#include "server/app_server.h"

#include <httplib.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

namespace {

struct Settings {
    int clients = 4;
    double seconds = 3;
    long maxRequests = 300000;
    std::string only;  ///< "big" or "small": run that pair alone
    bool cache = true;
};

struct Outcome {
    double rps = 0;
    double p50 = 0;
    double p99 = 0;
    long requests = 0;
    long failures = 0;
};

Outcome drive(const Settings& settings, int port, const std::string& path, const std::string& body) {
    std::atomic<long> budget{settings.maxRequests};
    std::atomic<long> failures{0};
    std::vector<std::vector<double>> latencies(static_cast<size_t>(settings.clients));
    const auto start = std::chrono::steady_clock::now();
    const auto deadline = start + std::chrono::duration<double>(settings.seconds);
    std::vector<std::thread> threads;
    for (int t = 0; t < settings.clients; ++t) {
        threads.emplace_back([&, t] {
            httplib::Client client("127.0.0.1", port);
            client.set_keep_alive(true);
            client.set_tcp_nodelay(true);
            auto& mine = latencies[static_cast<size_t>(t)];
            while (std::chrono::steady_clock::now() < deadline && budget.fetch_sub(1) > 0) {
                const auto t0 = std::chrono::steady_clock::now();
                const auto res = client.Post(path.c_str(), body, "application/json");
                const auto t1 = std::chrono::steady_clock::now();
                if (!res || res->status != 200) {
                    ++failures;
                    continue;
                }
                mine.push_back(std::chrono::duration<double, std::micro>(t1 - t0).count());
            }
        });
    }
    for (auto& th : threads) th.join();
    const double elapsed = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::vector<double> all;
    for (auto& l : latencies) all.insert(all.end(), l.begin(), l.end());
    std::sort(all.begin(), all.end());
    Outcome out;
    out.requests = static_cast<long>(all.size());
    out.failures = failures;
    out.rps = static_cast<double>(all.size()) / elapsed;
    if (!all.empty()) {
        out.p50 = all[all.size() / 2];
        out.p99 = all[std::min(all.size() - 1, all.size() * 99 / 100)];
    }
    return out;
}

void report(const char* name, size_t bytes, const Outcome& method, const Outcome& echo) {
    std::printf("%-28s %7zu B  method %9.0f req/s  p50 %7.1f us  p99 %7.1f us | echo %9.0f req/s  p50 %7.1f us  "
                "p99 %7.1f us | ratio %.2f (failures %ld/%ld)\n",
                name, bytes, method.rps, method.p50, method.p99, echo.rps, echo.p50, echo.p99,
                echo.rps > 0 ? method.rps / echo.rps : 0.0, method.failures, echo.failures);
}

} // namespace

int main(int argc, char** argv) {
    Settings settings;
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string arg = argv[i];
        if (arg == "--clients") settings.clients = std::max(1, std::atoi(argv[i + 1]));
        else if (arg == "--seconds") settings.seconds = std::atof(argv[i + 1]);
        else if (arg == "--max-requests") settings.maxRequests = std::atol(argv[i + 1]);
        else if (arg == "--only") settings.only = argv[i + 1];
        else if (arg == "--cache") settings.cache = std::string(argv[i + 1]) != "off";
    }
    const auto dir = std::filesystem::temp_directory_path() / ("gsf-bench-" + std::to_string(getpid()));
    std::filesystem::create_directories(dir);

    gsf::server::ServerOptions options;
    options.database = (dir / "bench.db").string();
    options.port = 0;
    options.demo = true;
    options.workers = settings.clients + 2;
    options.cacheReads = settings.cache;
    options.log = [](const std::string&) {};  // the log line is measured, only its output is dropped
    gsf::server::AppServer server(options);

    // A client with 1,000 groups.
    auto& storage = server.GetStorage();
    storage.AddClient("0001", "CARGA", "98765432100", "F", "Cliente de carga", "Carga");
    gsf::data::Delta groups;
    groups.fields = {{"CDFILIAL", gsf::data::FieldType::String, 4},
                     {"CDCLIENTE", gsf::data::FieldType::String, 21},
                     {"CDGRSERVFAT", gsf::data::FieldType::String, 3},
                     {"DSGRSERVFAT", gsf::data::FieldType::String, 30},
                     {"QTEFETMINIGSF", gsf::data::FieldType::Float, 0},
                     {"QTEFMINDOMGSF", gsf::data::FieldType::Float, 0}};
    for (int g = 0; g < 1000; ++g) {
        char code[4];
        std::snprintf(code, sizeof code, "%03d", g);
        groups.changes.push_back({gsf::data::ChangeKind::Insert, {}, {"0001", "CARGA", std::string(code),
                                  "Grupo de carga " + std::string(code), 2.5 + g, 1.0}});
    }
    storage.UpdGrupServ(groups);
    if (!server.Bind()) return 1;
    std::thread serverThread([&] { server.Run(); });
    server.WaitUntilReady(std::chrono::seconds(10));

    // The echo server: same library, same pool size, same socket options.
    const std::string bigBody = gsf::data::encodePacket(storage.GetGrupServ("0001", "CARGA"));
    const std::string smallBody = gsf::data::encodePacket(storage.GetServClie("0001", "000002", "001"));
    httplib::Server echo;
    const int workers = options.workers;
    echo.new_task_queue = [workers] { return new httplib::ThreadPool(static_cast<size_t>(workers)); };
    echo.set_tcp_nodelay(true);
    echo.set_keep_alive_max_count(1000000);
    echo.Post("/echo/big", [&](const httplib::Request&, httplib::Response& res) {
        res.set_content(bigBody, "application/json");
    });
    echo.Post("/echo/small", [&](const httplib::Request&, httplib::Response& res) {
        res.set_content(smallBody, "application/json");
    });
    const int echoPort = echo.bind_to_any_port("127.0.0.1");
    std::thread echoThread([&] { echo.listen_after_bind(); });
    while (!echo.is_running()) std::this_thread::sleep_for(std::chrono::milliseconds(5));

    std::printf("clients %d, %.1f s per run, at most %ld requests per run, cache %s\n", settings.clients,
                settings.seconds, settings.maxRequests, settings.cache ? "on" : "off");
    const std::string prefix = "/Vex04120.rdmGrupServFat/";
    const std::string bigArgs = R"({"args":["0001","CARGA"]})";
    const std::string smallArgs = R"({"args":["0001","000002","001"]})";
    if (settings.only != "small") {
        const auto bigMethod = drive(settings, server.Port(), prefix + "GetGrupServ", bigArgs);
        const auto bigEcho = drive(settings, echoPort, "/echo/big", bigArgs);
        report("GetGrupServ (1,000 groups)", bigBody.size(), bigMethod, bigEcho);
    }
    if (settings.only != "big") {
        const auto smallMethod = drive(settings, server.Port(), prefix + "GetServClie", smallArgs);
        const auto smallEcho = drive(settings, echoPort, "/echo/small", smallArgs);
        report("GetServClie", smallBody.size(), smallMethod, smallEcho);
    }

    echo.stop();
    echoThread.join();
    server.Stop();
    serverThread.join();
    std::filesystem::remove_all(dir);
    return 0;
}
