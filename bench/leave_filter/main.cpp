// "Leave the filter" on clients of 10 to 100,000 groups, each on a fresh server.
//
// usage: bench_leave_filter [--rounds N] [--largest N]
//
// The clients are built through the server's own UpdGrupServ. For each one
// and each round the in-process server is stopped and started again (nothing
// kept in memory), the screen is opened as the host opens it, the branch and
// the client's registration are typed and the focus goes to the group grid:
// the checks of the filter, the client's look-up, the group list, the first
// group's services and intervals and the branch parameters, as the person
// waits for them. Beside it, on the same fresh server: the group list alone,
// one GetGrupServ through the screen's connection loaded into a dataset of
// the group record.

#include "bench/common/bench_data.h"
#include "records/remote_module.h"
#include "platform/host/dispatcher.h"
#include "platform/host/host_context.h"
#include "platform/host/interaction.h"
#include "platform/remote/connection.h"
#include "platform/sql/general/general_data.h"
#include "records/demo_setup.h"
#include "screen/shell/cli_vex04120.h"
#include "screen/shell/frm_grup_serv_fat.h"
#include "records/records.h"
#include "server/in_process_server.h"

#include <cstdlib>

namespace {

using gsf::bench::median;
using gsf::bench::millisecondsOf;

struct Client {
    int groups;
    std::string code, registration;
};

// One leave of the filter on a screen opened for it. @return milliseconds, or -1 on a failure.
double leaveFilter(gsf::server::InProcessServer& server, const Client& client)
{
    gsf::host::ScriptedInteraction person;
    gsf::host::InteractionScope scope(person);
    gsf::host::HostContext context;
    context.billingTypes = gsf::records::demoBillingTypes();
    context.branchCode = "0001";
    context.branchName = "Filial Centro";
    context.serverHost = server.Host();
    context.serverPort = server.Port();
    context.database = server.DatabasePath();
    gsf::host::setHostContext(context);
    gsf::sql::dtmDBGeral.Open(server.DatabasePath());
    gsf::screen::Initialize();
    gsf::screen::CriaGrupServFat();
    double ms = -1;
    {
        gsf::host::Dispatcher act(*gsf::screen::unit().frmGrupServFat);
        act.typeText("medCdFilial", "0001");
        act.typeText("medCdCliente", client.registration);
        gsf::host::Outcome outcome = gsf::host::Outcome::Failed;
        const double took = millisecondsOf([&] { outcome = act.focus("dbgPadrao"); });
        if (outcome == gsf::host::Outcome::Done &&
            gsf::screen::unit().frmGrupServFat->cdsGrupServ.RecordCount() == client.groups)
            ms = took;
    }
    gsf::screen::ReleaseGrupServFat();
    gsf::screen::Finalize();
    gsf::sql::dtmDBGeral.Close();
    return ms;
}

// The group list alone: one call and one load into the screen's group record.
// @p callMs receives the part of the call.
double groupList(gsf::server::InProcessServer& server, const Client& client, gsf::data::DataSet& groups, double& callMs,
                 double& keptMs)
{
    gsf::remote::RemoteConnection net;
    net.ServerName = gsf::records::kModuleName;
    net.BeforeConnect = [&](gsf::remote::RemoteConnection& c) {
        c.Host = server.Host();
        c.Port = server.Port();
    };
    net.SetConnected(true);
    bool loaded = false;
    const double ms = millisecondsOf([&] {
        gsf::remote::CallResult result;
        callMs = millisecondsOf([&] { result = net.Call("GetGrupServ", {"0001", client.code}); });
        if (!result.ok)
            return;
        groups.SetData(std::string_view(result.body));
        loaded = groups.RecordCount() == client.groups;
    });
    // Again: the server answers from memory, so this is the transfer alone.
    keptMs = millisecondsOf([&] { loaded = loaded && net.Call("GetGrupServ", {"0001", client.code}).ok; });
    return loaded ? ms : -1;
}

} // namespace

int main(int argc, char** argv)
{
    int rounds = 3, largest = 100'000;
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string arg = argv[i];
        if (arg == "--rounds")
            rounds = std::max(1, std::atoi(argv[i + 1]));
        else if (arg == "--largest")
            largest = std::max(10, std::atoi(argv[i + 1]));
    }
    gsf::server::ServerOptions options;
    options.log = [](const std::string&) {};
    gsf::server::InProcessServer server(options, "gsf-leave-filter");

    std::vector<Client> clients;
    for (int groups = 10, seed = 100; groups <= largest; groups *= 10, ++seed) {
        Client c{groups, "ESCALA" + std::to_string(groups), gsf::bench::cpf(seed)};
        gsf::bench::addClientWithGroups(server.Server().GetStorage(), c.code, seed, groups);
        clients.push_back(c);
    }

    std::printf("== leave the filter on a fresh server, %d rounds, load %s\n", rounds,
                gsf::bench::loadAverage().c_str());
    std::printf("%8s %12s %15s %10s %10s %14s %12s %9s\n", "groups", "leave ms", "group list ms", "call ms", "load ms",
                "kept call ms", "leave/list", "failures");
    for (const Client& client : clients) {
        std::vector<double> leave, list, call, load, kept;
        int failures = 0;
        for (int r = 0; r < rounds; ++r) {
            server.Stop();
            server.Start();
            if (const double ms = leaveFilter(server, client); ms >= 0)
                leave.push_back(ms);
            else
                ++failures;

            server.Stop();
            server.Start();
            gsf::data::DataSet groups("cdsGrupServ");
            for (const auto& field : gsf::records::grupServ().fields) {
                gsf::data::FieldDef def;
                def.name = field.name;
                def.type = field.type;
                def.size = field.size;
                def.decimals = field.isNumber() ? field.decimals : -1;
                groups.AddField(def);
            }
            double callMs = 0, keptMs = 0;
            if (const double alone = groupList(server, client, groups, callMs, keptMs); alone >= 0) {
                list.push_back(alone);
                call.push_back(callMs);
                kept.push_back(keptMs);
                load.push_back(alone - callMs);
            } else {
                ++failures;
            }
        }
        std::printf("%8d %12.1f %15.1f %10.1f %10.1f %14.1f %12.2f %9d\n", client.groups, median(leave), median(list),
                    median(call), median(load), median(kept), median(list) > 0 ? median(leave) / median(list) : 0.0,
                    failures);
    }
    return 0;
}
