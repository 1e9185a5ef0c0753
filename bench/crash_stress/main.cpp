// Crash safety, kept measured: the server is killed (SIGKILL) in the middle of
// a large delta, again and again, and after each kill the database must hold
// the delta whole or not at all, pass its integrity checks, and hold every
// change the server had acknowledged before.
//
//   bench_crash_stress [--kills 100] [--changes 3000] [--pause-us 50] [--postgres CONNINFO] [--server PATH]
//
// On SQLite (the default) each run gets a new database file; with --postgres
// every run shares the database named (it must exist; the server migrates it
// and seeds it when empty), each run on groups of its own. --pause-us holds
// the server that long between the changes of a delta, so that the kills
// fall inside its transaction rather than in the reading of the request.
#include "platform/sql/database.h"
#include "server/storage.h"
#include "tests/support/server_process.h"

#include <httplib.h>

#include <csignal>
#include <cstring>
#include <filesystem>
#include <iostream>
#include <random>
#include <thread>

#include <sys/wait.h>

namespace {

using Clock = std::chrono::steady_clock;
const std::string kModule = "/Vex04120.rdmGrupServFat/";

std::string groupDelta(const std::string& code)
{
    return R"({"args": [{"fields": [{"name": "CDFILIAL", "type": "string", "size": 4},
        {"name": "CDCLIENTE", "type": "string", "size": 21}, {"name": "CDGRSERVFAT", "type": "string", "size": 3},
        {"name": "DSGRSERVFAT", "type": "string", "size": 30}, {"name": "QTEFETMINIGSF", "type": "float"}],
        "changes": [{"op": "insert", "new": ["0001", "000004", ")" +
           code + R"(", "Estresse", 1]}]}]})";
}

// @p changes contiguous intervals of group @p code: 0,00-0,03, 0,03-0,06, ...
std::string intervalsDelta(const std::string& code, int changes)
{
    std::string delta = R"({"args": [{"fields": [{"name": "CDFILIAL", "type": "string", "size": 4},
        {"name": "CDCLIENTE", "type": "string", "size": 21}, {"name": "VRPEINICGRUP", "type": "float"},
        {"name": "VRPEFIMGRUP", "type": "float"}, {"name": "VRPECORRGRUP", "type": "float"},
        {"name": "CDGRSERVFAT", "type": "string", "size": 3}], "changes": [)";
    const auto percent = [](int hundredths) {
        return std::to_string(hundredths / 100) + "." + std::to_string(hundredths % 100 / 10) +
               std::to_string(hundredths % 10);
    };
    for (int i = 0; i < changes; ++i)
        delta += (i ? "," : "") + std::string(R"({"op": "insert", "new": ["0001", "000004", )") + percent(3 * i) +
                 ", " + percent(3 * i + 3) + R"(, 1.5, ")" + code + R"("]})";
    return delta + "]}]}";
}

std::string code(int n)
{
    static const char* digits = "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ";
    return std::string("K") + digits[(n / 36) % 36] + digits[n % 36];
}

struct Totals {
    int skipped = 0, runs = 0, before = 0, after = 0, torn = 0, damaged = 0, lost = 0, integrity = 0;
};

} // namespace

int main(int argc, char** argv)
{
    int kills = 100, changes = 3000, pauseUs = 50;
    std::string postgres, server = GSF_SERVER_EXE;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--kills" && i + 1 < argc)
            kills = std::atoi(argv[++i]);
        else if (a == "--changes" && i + 1 < argc)
            changes = std::atoi(argv[++i]);
        else if (a == "--pause-us" && i + 1 < argc)
            pauseUs = std::atoi(argv[++i]);
        else if (a == "--postgres" && i + 1 < argc)
            postgres = argv[++i];
        else if (a == "--server" && i + 1 < argc)
            server = argv[++i];
        else {
            std::cerr << "uso: bench_crash_stress [--kills N] [--changes N] [--pause-us N] [--postgres CONNINFO] "
                         "[--server PATH]\n";
            return 2;
        }
    }
    if (changes < 1 || changes > 3300) {
        std::cerr << "--changes: de 1 a 3300 (os intervalos vão até 99%)\n";
        return 2;
    }
    kills = std::min(kills, 400); // three new groups a run, among 1,296 codes
    std::string folder = (std::filesystem::temp_directory_path() / "gsf-crash-XXXXXX").string();
    if (!mkdtemp(folder.data()))
        return 2;
    std::mt19937 random(12345);
    // Group codes of this invocation: a database shared by earlier ones keeps theirs.
    const int base = static_cast<int>(std::random_device{}() % 1296);
    Totals totals;
    double slowest = 0;
    std::chrono::milliseconds span{0}; // how long a whole delta takes, measured at the first run

    for (int run = 0; run <= kills; ++run) { // the first run measures, the others are killed
        const std::string target = postgres.empty() ? folder + "/run" + std::to_string(run) + ".db" : postgres;
        const std::vector<std::string> args = {postgres.empty() ? "--sqlite" : "--postgres", target, "--demo",
                                               "--request-timeout", "60"};
        auto process = std::make_unique<gsf::test::ServerProcess>(
            server, args,
            std::vector<std::pair<std::string, std::string>>{{"GSF_SERVER_DELTA_PAUSE_US", std::to_string(pauseUs)}});
        if (!process->waitUntilHealthy()) {
            std::cerr << "o servidor não ficou pronto\n";
            return 3;
        }
        httplib::Client client("127.0.0.1", process->port());
        client.set_read_timeout(120, 0);
        // Changes the server acknowledges before the big delta.
        std::vector<std::string> acknowledged;
        for (int k = 0; k < 3; ++k) {
            const std::string group = code(base + run * 3 + k);
            const auto res = client.Post((kModule + "UpdGrupServ").c_str(), groupDelta(group), "application/json");
            if (res && res->status == 200)
                acknowledged.push_back(group);
        }
        if (acknowledged.empty()) {
            ++totals.skipped; // codes taken by an earlier invocation on the same database
            continue;
        }
        const std::string target3 = acknowledged.back();
        const std::string body = intervalsDelta(target3, changes);

        bool answered = false;
        const auto started = Clock::now();
        std::thread sender([&] {
            httplib::Client big("127.0.0.1", process->port());
            big.set_read_timeout(120, 0);
            const auto res = big.Post((kModule + "UpdCorrPrecGrup").c_str(), body, "application/json");
            answered = res && res->status == 200;
        });
        if (run == 0) {
            // The first run is not killed: it measures the delta.
            sender.join();
            span = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - started);
            std::cout << "delta de " << changes << " alterações: " << span.count() << " ms sem interrupção ("
                      << (answered ? "aceito" : "recusado") << ")\n";
            if (!answered)
                return 3;
            process.reset();
            continue;
        }
        std::uniform_int_distribution<long> at(span.count() / 20, span.count() * 19 / 20);
        std::this_thread::sleep_for(std::chrono::milliseconds(at(random)));
        process->stop(SIGKILL);
        sender.join();
        process.reset();
        ++totals.runs;

        // What the database holds once the server is gone.
        gsf::server::Storage storage(target);
        const size_t rows = storage.GetCorrPrecGrup("0001", "000004", target3).rows.size();
        if (rows == 0)
            ++totals.before;
        else if (rows == static_cast<size_t>(changes))
            ++totals.after;
        else
            ++totals.torn;
        if (answered && rows != static_cast<size_t>(changes))
            ++totals.lost;
        const auto groups = storage.GetGrupServ("0001", "000004");
        for (const auto& group : acknowledged) {
            bool found = false;
            for (const auto& row : groups.rows)
                found = found || std::get<std::string>(row[2]) == group;
            if (!found)
                ++totals.lost;
        }
        auto connection = gsf::sql::openDatabase(target);
        if (!gsf::server::findDamagedCorrectionTables(*connection).empty())
            ++totals.damaged;
        if (postgres.empty()) {
            const auto check = connection->Execute("PRAGMA integrity_check");
            if (std::get<std::string>(check.rows.at(0).at(0)) == "ok")
                ++totals.integrity;
            std::filesystem::remove(target);
            std::filesystem::remove(target + "-wal");
            std::filesystem::remove(target + "-shm");
        } else {
            ++totals.integrity; // the server was killed, not the database: its own recovery is not in question
        }
        slowest = std::max(slowest, std::chrono::duration<double, std::milli>(Clock::now() - started).count());
    }
    std::filesystem::remove_all(folder);
    std::cout << (postgres.empty() ? "SQLite" : "PostgreSQL") << ": " << totals.runs << " mortes no meio do delta; "
              << totals.before << " deixaram o banco como antes, " << totals.after << " como depois, " << totals.torn
              << " pela metade; " << totals.damaged << " com tabela de correção danificada; " << totals.lost
              << " alterações confirmadas perdidas; integridade ok em " << totals.integrity;
    if (totals.skipped > 0)
        std::cout << "; " << totals.skipped << " sem grupo livre, não contadas";
    std::cout << "\n";
    const bool sound = totals.torn == 0 && totals.damaged == 0 && totals.lost == 0 && totals.integrity == totals.runs;
    return sound ? 0 : 1;
}
