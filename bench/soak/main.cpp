// Soak: scripted screens (one script driver process each) doing the main
// roads against one server on SQLite, or two server processes sharing one
// PostgreSQL database, for a while. Each screen works on a client of its own
// and logs what the server accepted; at the end the server must hold exactly
// that. Counts every refusal, and samples the servers' memory and open
// descriptors every second.
//
//   bench_soak [--seconds 60] [--screens 16] [--postgres CONNINFO]
#include "server/storage.h"
#include "tests/support/script_process.h"
#include "tests/support/server_process.h"

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <map>
#include <mutex>
#include <random>
#include <set>
#include <thread>

namespace {

using Clock = std::chrono::steady_clock;
using Lines = std::vector<std::string>;

const std::string kConflict = "O registro foi alterado ou excluído por outro usuário";

// A CPF with its check digits, from nine digits.
std::string cpf(std::uint64_t nine)
{
    std::string d = std::to_string(100000000 + nine % 900000000);
    for (int round = 0; round < 2; ++round) {
        int sum = 0;
        const int weight = static_cast<int>(d.size()) + 1;
        for (size_t i = 0; i < d.size(); ++i)
            sum += (d[i] - '0') * (weight - static_cast<int>(i));
        const int rest = sum % 11;
        d += static_cast<char>('0' + (rest < 2 ? 0 : 11 - rest));
    }
    return d;
}

std::string code(int n)
{
    static const char* digits = "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ";
    return std::string("Q") + digits[(n / 36) % 36] + digits[n % 36];
}

struct Tally {
    std::atomic<long> actions{0}, iterations{0}, errors{0}, conflicts{0};
    std::mutex mutex;
    std::vector<std::string> firstErrors;
};

// One screen's loop; @return the groups it left, by code, with their descriptions.
std::map<std::string, std::string> screenLoop(gsf::test::ScriptProcess& screen, Clock::time_point until, Tally& tally)
{
    std::map<std::string, std::string> kept;
    const auto act = [&](const Lines& lines) {
        ++tally.actions;
        bool ok = true;
        for (const auto& line : screen.Run(lines)) {
            if (line.rfind("error ", 0) != 0 && line.rfind("message ", 0) != 0)
                continue;
            ok = false;
            if (line.find(kConflict) != std::string::npos) {
                ++tally.conflicts;
            } else {
                ++tally.errors;
                std::lock_guard lock(tally.mutex);
                if (tally.firstErrors.size() < 10)
                    tally.firstErrors.push_back(line);
            }
        }
        if (!ok)
            screen.Run({"answer yes", "click sbtCancelar"});
        return ok;
    };
    for (int n = 0; n < 1296 && Clock::now() < until; ++n) {
        const std::string group = code(n);
        const bool keep = n % 4 == 0;
        if (!act({"click sbtIncluir", "cell dbgPadrao CDGRSERVFAT " + group,
                  "cell dbgPadrao DSGRSERVFAT \"Soak " + std::to_string(n) + "\"", "cell dbgPadrao QTEFETMINIGSF 1",
                  "click sbtConfirmar"}))
            continue;
        kept[group] = "Soak " + std::to_string(n);
        if (act({"click sbtAlterar", "cell dbgPadrao DSGRSERVFAT \"Alt " + std::to_string(n) + "\"",
                 "click sbtConfirmar"}))
            kept[group] = "Alt " + std::to_string(n);
        if (!keep) {
            act({"menu mnuServ", "click sbtIncluir", "cell dbgServico CDSERVFILI 10", "click sbtConfirmar"});
            act({"menu mnuTabCorr", "click sbtIncluir", "cell dbgCorrPrecGrup VRPEFIMGRUP 10",
                 "cell dbgCorrPrecGrup VRPECORRGRUP 5", "click sbtConfirmar"});
            act({"click sbtVerificar"});
            act({"menu mnuGrupServ"});
            if (act({"answer yes", "click sbtExcluir"}))
                kept.erase(group);
        } else {
            act({"click sbtVerificar"});
        }
        ++tally.iterations;
    }
    return kept;
}

struct Sample {
    double seconds;
    long rssKb;
    long fds;
};

Sample sample(pid_t pid, double seconds)
{
    Sample s{seconds, 0, 0};
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    for (std::string line; std::getline(status, line);)
        if (line.rfind("VmRSS:", 0) == 0)
            s.rssKb = std::stol(line.substr(6));
    std::error_code ignored;
    for (auto it = std::filesystem::directory_iterator("/proc/" + std::to_string(pid) + "/fd", ignored);
         it != std::filesystem::directory_iterator(); ++it)
        ++s.fds;
    return s;
}

double average(const std::vector<Sample>& samples, double from, double to, long Sample::*field)
{
    double sum = 0;
    int n = 0;
    for (const auto& s : samples)
        if (s.seconds >= from && s.seconds < to)
            sum += static_cast<double>(s.*field), ++n;
    return n ? sum / n : 0;
}

} // namespace

int main(int argc, char** argv)
{
    int seconds = 60, screens = 16;
    std::string postgres, serverExe = GSF_SERVER_EXE, scriptExe = GSF_SCRIPT_EXE;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--seconds" && i + 1 < argc)
            seconds = std::max(12, std::atoi(argv[++i]));
        else if (a == "--screens" && i + 1 < argc)
            screens = std::clamp(std::atoi(argv[++i]), 1, 64);
        else if (a == "--postgres" && i + 1 < argc)
            postgres = argv[++i];
        else {
            std::cerr << "uso: bench_soak [--seconds N] [--screens N] [--postgres CONNINFO]\n";
            return 2;
        }
    }
    std::string folder = (std::filesystem::temp_directory_path() / "gsf-soak-XXXXXX").string();
    if (!mkdtemp(folder.data()))
        return 2;
    const std::string target = postgres.empty() ? folder + "/soak.db" : postgres;

    // A client of its own for each screen, billed for the branch's services.
    std::vector<std::pair<std::string, std::string>> clients; // code, registration
    {
        gsf::server::Storage storage(target);
        storage.SeedDemo();
        std::mt19937_64 random(std::random_device{}());
        const std::string run = std::to_string(random() % 100000);
        for (int i = 0; i < screens; ++i) {
            const std::string client = "SOAK" + run + "-" + std::to_string(i);
            const std::string registration = cpf(random());
            storage.AddClient("0001", client, registration, "F", "Cliente de carga " + std::to_string(i), "Carga");
            for (const char* service : {"00010", "00020", "00030", "00040", "00050"})
                storage.AllowService("0001", client, service);
            clients.emplace_back(client, registration);
        }
    }

    std::vector<std::unique_ptr<gsf::test::ServerProcess>> servers;
    const int processes = postgres.empty() ? 1 : 2;
    for (int i = 0; i < processes; ++i) {
        servers.push_back(std::make_unique<gsf::test::ServerProcess>(
            serverExe, Lines{postgres.empty() ? "--sqlite" : "--postgres", target},
            std::vector<std::pair<std::string, std::string>>{}, 0, folder + "/server" + std::to_string(i) + ".log"));
        if (!servers.back()->waitUntilHealthy()) {
            std::cerr << "o servidor não ficou pronto\n";
            return 3;
        }
    }

    Tally tally;
    std::atomic<bool> running{true};
    std::vector<std::vector<Sample>> samples(servers.size());
    const auto started = Clock::now();
    std::thread sampler([&] {
        while (running) {
            const double at = std::chrono::duration<double>(Clock::now() - started).count();
            for (size_t i = 0; i < servers.size(); ++i)
                samples[i].push_back(sample(servers[i]->pid(), at));
            std::this_thread::sleep_for(std::chrono::seconds(1));
        }
    });
    const auto until = started + std::chrono::seconds(seconds);
    std::vector<std::map<std::string, std::string>> logs(clients.size());
    std::vector<std::thread> threads;
    for (size_t i = 0; i < clients.size(); ++i)
        threads.emplace_back([&, i] {
            const auto& server = *servers[i % servers.size()];
            gsf::test::ScriptProcess screen(
                scriptExe, {"--server", "127.0.0.1:" + std::to_string(server.port()), "--database", target});
            screen.Run({"open", "type medCdFilial 0001", "type medCdCliente " + clients[i].second, "focus dbgPadrao"});
            logs[i] = screenLoop(screen, until, tally);
            screen.Run({"close"});
            screen.Finish();
        });
    for (auto& t : threads)
        t.join();
    running = false;
    sampler.join();
    const double elapsed = std::chrono::duration<double>(Clock::now() - started).count();

    // What each screen logged against what the server holds.
    long lost = 0, stray = 0;
    {
        gsf::server::Storage storage(target);
        for (size_t i = 0; i < clients.size(); ++i) {
            const auto packet = storage.GetGrupServ("0001", clients[i].first);
            std::map<std::string, std::string> held;
            for (const auto& row : packet.rows)
                held[std::get<std::string>(row[packet.indexOf("CDGRSERVFAT")])] =
                    std::get<std::string>(row[packet.indexOf("DSGRSERVFAT")]);
            for (const auto& [group, description] : logs[i])
                if (!held.count(group) || held[group] != description)
                    ++lost;
            for (const auto& [group, description] : held)
                if (!logs[i].count(group))
                    ++stray;
            for (const auto& [group, description] : held)
                stray += static_cast<long>(storage.GetServClie("0001", clients[i].first, group).rows.size() +
                                           storage.GetCorrPrecGrup("0001", clients[i].first, group).rows.size());
        }
    }

    // The servers' own timings, one log line per request.
    std::vector<double> ms;
    for (int i = 0; i < processes; ++i) {
        std::ifstream log(folder + "/server" + std::to_string(i) + ".log");
        for (std::string line; std::getline(log, line);) {
            const auto at = line.find("\"ms\":");
            if (line.find("\"http\":\"POST\"") == std::string::npos || at == std::string::npos)
                continue;
            ms.push_back(std::stod(line.substr(at + 5)));
        }
    }
    std::sort(ms.begin(), ms.end());
    const auto pct = [&](double p) {
        return ms.empty() ? 0 : ms[std::min(ms.size() - 1, static_cast<size_t>(p * ms.size()))];
    };

    std::printf("%s, %d processo(s) servidor, %d telas, %.0f s\n", postgres.empty() ? "SQLite" : "PostgreSQL",
                processes, screens, elapsed);
    std::printf("ações %ld, voltas %ld, requisições %zu (%.0f/s)\n", tally.actions.load(), tally.iterations.load(),
                ms.size(), ms.size() / elapsed);
    std::printf("tempo no servidor por requisição: p50 %.2f ms, p99 %.2f ms, máx %.2f ms\n", pct(0.5), pct(0.99),
                ms.empty() ? 0 : ms.back());
    std::printf("erros %ld (conflitos esperados %ld), alterações perdidas %ld, sobras %ld\n", tally.errors.load(),
                tally.conflicts.load(), lost, stray);
    for (const auto& e : tally.firstErrors)
        std::printf("  %s\n", e.c_str());
    bool steady = true;
    for (size_t i = 0; i < servers.size(); ++i) {
        const double end = samples[i].empty() ? 0 : samples[i].back().seconds;
        for (auto [name, field] : {std::pair{"memória (kB)", &Sample::rssKb}, std::pair{"descritores", &Sample::fds}}) {
            const double first = average(samples[i], 0, 10, field);
            const double last = average(samples[i], end - 10, end + 1, field);
            const double change = first > 0 ? (last - first) / first : 0;
            steady = steady && std::abs(change) <= 0.10;
            std::printf("servidor %zu %s: primeiros 10 s %.0f, últimos 10 s %.0f (%+.1f%%)\n", i + 1, name, first, last,
                        100 * change);
        }
    }
    servers.clear();
    std::filesystem::remove_all(folder);
    return tally.errors == 0 && lost == 0 && stray == 0 && steady ? 0 : 1;
}
