// The cost of the screen's main roads over a slow network: each road runs on
// a new screen against the application server through a loopback proxy that
// delays every byte by half the round trip each way, and prints per action
// the remote calls, the connections opened and the time, against the bound
// calls x round trip x 1.1 + 5 ms.
//
//   bench_actions [--delay-ms 20] [--repeat 5]
#include "bench/actions/delay_proxy.h"
#include "platform/host/dispatcher.h"
#include "platform/host/host_context.h"
#include "platform/host/interaction.h"
#include "platform/remote/connection.h"
#include "platform/sql/general/general_data.h"
#include "records/demo_setup.h"
#include "screen/shell/cli_vex04120.h"
#include "screen/shell/frm_grup_serv_fat.h"
#include "server/in_process_server.h"
#include "tests/support/screen_roads.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <string>
#include <thread>

namespace {

using Clock = std::chrono::steady_clock;

struct Measure {
    int calls = 0;
    int connections = 0;
    double ms = 0;
};

// One screen, opened as the host opens it, on the server behind the proxy.
class Screen {
public:
    Screen(gsf::server::InProcessServer& server, gsf::bench::DelayProxy& proxy) : scope_(person)
    {
        gsf::host::HostContext context;
        context.billingTypes = gsf::records::demoBillingTypes();
        context.branchCode = "0001";
        context.branchName = "Filial Centro";
        context.serverPort = proxy.Port();
        context.database = server.DatabasePath();
        gsf::host::setHostContext(context);
        gsf::sql::dtmDBGeral.Open(server.DatabasePath());
        gsf::screen::Initialize();
        gsf::screen::CriaGrupServFat();
        act = std::make_unique<gsf::host::Dispatcher>(*gsf::screen::unit().frmGrupServFat);
        act->onError = [this](const std::string& message) { errors.push_back(message); };
    }
    ~Screen()
    {
        act.reset();
        gsf::screen::ReleaseGrupServFat();
        gsf::screen::Finalize();
        gsf::sql::dtmDBGeral.Close();
    }
    int calls() const { return gsf::screen::unit().frmGrupServFat->netGrupServFat.Stats().calls; }

    gsf::host::ScriptedInteraction person;
    std::unique_ptr<gsf::host::Dispatcher> act;
    std::vector<std::string> errors;

private:
    gsf::host::InteractionScope scope_;
};

template <class F>
Measure measure(Screen& screen, gsf::bench::DelayProxy& proxy, F&& action)
{
    const int calls = screen.calls();
    const int connections = proxy.Accepted();
    const auto started = Clock::now();
    action();
    Measure m;
    m.ms = std::chrono::duration<double, std::milli>(Clock::now() - started).count();
    m.calls = screen.calls() - calls;
    m.connections = proxy.Accepted() - connections;
    return m;
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

} // namespace

int main(int argc, char** argv)
{
    int delayMs = 20;
    int repeat = 5;
    for (int i = 1; i < argc; ++i) {
        if (!std::strcmp(argv[i], "--delay-ms") && i + 1 < argc)
            delayMs = std::atoi(argv[++i]);
        else if (!std::strcmp(argv[i], "--repeat") && i + 1 < argc)
            repeat = std::max(1, std::atoi(argv[++i]));
        else {
            std::cerr << "uso: bench_actions [--delay-ms N] [--repeat N]\n";
            return 2;
        }
    }
    const double delay = delayMs;
    bool within = true;
    std::printf("round trip added: %d ms; median of %d runs per action\n\n", delayMs, repeat);
    std::printf("%-28s %5s %5s %9s %9s  %s\n", "action", "calls", "conns", "ms", "bound ms", "");

    gsf::server::ServerOptions options;
    options.log = [](const std::string&) {};
    options.keepAliveTimeout = std::chrono::seconds(1); // for the idle screen below
    const auto row = [&](const std::string& name, const std::vector<Measure>& runs, bool checkBound) {
        std::vector<double> times;
        for (const auto& m : runs)
            times.push_back(m.ms);
        const Measure& m = runs.front();
        const double bound = 1.1 * m.calls * delay + 5;
        const double t = median(times);
        const bool ok = !checkBound || t <= bound;
        within = within && ok;
        std::printf("%-28s %5d %5d %9.1f %9.1f  %s\n", name.c_str(), m.calls, m.connections, t, bound,
                    ok ? "" : "ACIMA DO LIMITE");
    };

    int sessionConnections = 0;
    for (const auto& road : gsf::test::screenRoads()) {
        std::vector<Measure> opens, runs;
        for (int r = 0; r < repeat; ++r) {
            gsf::server::InProcessServer server(options, "gsf-actions");
            gsf::bench::DelayProxy proxy(server.Port(), std::chrono::milliseconds(delayMs));
            Screen screen(server, proxy);
            if (!road.prepare(*screen.act, screen.person)) {
                std::cerr << road.name << ": preparação falhou: " << (screen.errors.empty() ? "" : screen.errors.back())
                          << "\n";
                return 3;
            }
            runs.push_back(measure(screen, proxy, [&] { road.run(*screen.act, screen.person); }));
            if (!screen.errors.empty()) {
                std::cerr << road.name << ": " << screen.errors.back() << "\n";
                return 3;
            }
            sessionConnections = std::max(sessionConnections, proxy.Accepted());
        }
        row(road.name, runs, true);
    }

    // A screen left idle past the server's idle time: its next action
    // reconnects once, which costs a connection but no extra round trip of
    // the calls (the handshake itself is not delayed by the proxy).
    std::vector<Measure> idle;
    for (int r = 0; r < repeat; ++r) {
        gsf::server::InProcessServer server(options, "gsf-actions");
        gsf::bench::DelayProxy proxy(server.Port(), std::chrono::milliseconds(delayMs));
        Screen screen(server, proxy);
        const auto& roads = gsf::test::screenRoads();
        const auto& verify = *std::find_if(
            roads.begin(), roads.end(), [](const auto& road) { return std::string(road.name) == "VerifyTheServices"; });
        verify.prepare(*screen.act, screen.person);
        std::this_thread::sleep_for(std::chrono::milliseconds(1500));
        idle.push_back(measure(screen, proxy, [&] { verify.run(*screen.act, screen.person); }));
    }
    std::printf("\n");
    row("VerifyAfterIdle (reconnects)", idle, true);
    std::printf("\nconnections per screen session (open, preparation and action): at most %d\n", sessionConnections);
    if (sessionConnections > 1) {
        std::printf("a screen opened more than one connection\n");
        within = false;
    }
    return within ? 0 : 1;
}
