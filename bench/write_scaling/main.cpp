// Whether a write costs the same on a large table as on a small one.
//
// usage: bench_write_scaling [--postgres CONNINFO] [--rounds N] [--updates N] [--large N]
//
// Two databases per engine, one whose group table holds 1,000 groups and one
// holding --large groups (100,000), both built through the server's own
// UpdGrupServ. A round sends --updates single-row UpdGrupServ calls (a new
// description, the original row as the delta's old values) through the
// remote module to each database in turn; the table shows the medians and
// large/small. SQLite always; PostgreSQL with --postgres, on two databases
// created from that connection and dropped at the end.

#include "bench/common/bench_data.h"
#include "platform/sql/database.h"
#include "server/remote_module.h"
#include "server/storage.h"

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <unistd.h>

namespace {

using gsf::bench::median;
using gsf::bench::millisecondsOf;

// A database to write into: its storage, module and the groups updated.
struct Target {
    std::unique_ptr<gsf::server::Storage> storage;
    std::unique_ptr<gsf::server::RemoteModule> module;
    gsf::data::Packet groups; ///< the client's groups as the database holds them
    long failures = 0;
    std::string target;

    Target(const std::string& database, int tableGroups) : target(database)
    {
        storage = std::make_unique<gsf::server::Storage>(database);
        storage->SeedDemo();
        // The client written to holds 1,000 groups; the rest of the table
        // belongs to other clients, as a shared database's would.
        gsf::bench::addClientWithGroups(*storage, "ESCRITA", 1, 1000);
        for (int n = 0, seed = 2; n < tableGroups - 1000; n += 100000, ++seed)
            gsf::bench::addClientWithGroups(*storage, "OUTRO" + std::to_string(seed), seed,
                                            std::min(100000, tableGroups - 1000 - n));
        module = std::make_unique<gsf::server::RemoteModule>(*storage, false);
        groups = storage->GetGrupServ("0001", "ESCRITA");
        // Statistics as a table in use has them, and no vacuum of the rows
        // just loaded running into the measurement.
        auto db = gsf::sql::openDatabase(database);
        db->ExecuteScript(storage->GetEngine() == gsf::sql::Engine::PostgreSQL ? "VACUUM ANALYZE" : "ANALYZE");
    }

    // How the database finds the row of an update, as the server words it.
    std::string plan()
    {
        auto db = gsf::sql::openDatabase(target);
        const std::string explain =
            storage->GetEngine() == gsf::sql::Engine::PostgreSQL ? "EXPLAIN " : "EXPLAIN QUERY PLAN ";
        const auto result = db->Execute(explain +
                                        "UPDATE GRUPSERVFAT SET DSGRSERVFAT = 'x' WHERE CDFILIAL = '0001' AND "
                                        "CDCLIENTE = 'ESCRITA' AND CDGRSERVFAT = '001' AND QTEFETMINIGSF " +
                                        db->NullSafeEqual() + " 1.0");
        std::string out;
        for (const auto& row : result.rows)
            for (const auto& cell : row)
                if (const auto* text = std::get_if<std::string>(&cell))
                    out += (out.empty() ? "" : " / ") + *text;
        return out;
    }

    // One round of @p updates calls, each renaming one group.
    void round(int number, int updates)
    {
        const int description = groups.indexOf("DSGRSERVFAT");
        std::vector<std::string> bodies;
        std::vector<std::vector<gsf::data::Value>> after;
        for (int u = 0; u < updates; ++u) {
            const size_t row = static_cast<size_t>(u * 7919) % groups.rows.size();
            gsf::data::Delta delta;
            delta.fields = groups.fields;
            auto changed = groups.rows[row];
            changed[static_cast<size_t>(description)] = "Renomeado " + std::to_string(number) + "/" + std::to_string(u);
            delta.changes.push_back({gsf::data::ChangeKind::Update, groups.rows[row], changed});
            bodies.push_back(R"({"args":[)" + gsf::data::encodeDelta(delta) + "]}");
            groups.rows[row] = std::move(changed);
        }
        for (const std::string& body : bodies)
            if (module->Call("UpdGrupServ", body).status != 200)
                ++failures;
    }
};

void compare(const char* engine, const std::string& small, const std::string& large, int largeGroups, int rounds,
             int updates)
{
    Target a(small, 1000);
    Target b(large, largeGroups);
    std::vector<double> smallMs, largeMs;
    for (int r = 0; r < rounds; ++r) {
        smallMs.push_back(millisecondsOf([&] { a.round(r, updates); }));
        largeMs.push_back(millisecondsOf([&] { b.round(r, updates); }));
    }
    std::printf("%-11s %9d %12.1f %9d %12.1f %12.2f %9ld\n", engine, 1000, median(smallMs), largeGroups,
                median(largeMs), median(largeMs) / median(smallMs), a.failures + b.failures);
    std::printf("            plan on the large table: %s\n", b.plan().c_str());
}

} // namespace

int main(int argc, char** argv)
{
    std::string postgres;
    int rounds = 5, updates = 1000, large = 100000;
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string arg = argv[i];
        if (arg == "--postgres")
            postgres = argv[i + 1];
        else if (arg == "--rounds")
            rounds = std::max(1, std::atoi(argv[i + 1]));
        else if (arg == "--updates")
            updates = std::max(1, std::atoi(argv[i + 1]));
        else if (arg == "--large")
            large = std::max(2000, std::atoi(argv[i + 1]));
    }
    std::printf("== %d single-row UpdGrupServ calls on a table of 1,000 groups and on one of %d, %d rounds, load %s\n",
                updates, large, rounds, gsf::bench::loadAverage().c_str());
    std::printf("%-11s %9s %12s %9s %12s %12s %9s\n", "engine", "groups", "small ms", "groups", "large ms",
                "large/small", "failures");

    const auto dir = std::filesystem::temp_directory_path() / ("gsf-write-scaling-" + std::to_string(getpid()));
    std::filesystem::create_directories(dir);
    compare("SQLite", (dir / "small.db").string(), (dir / "large.db").string(), large, rounds, updates);
    std::filesystem::remove_all(dir);

    if (!postgres.empty()) {
        const std::string tag = std::to_string(getpid());
        const std::string small = "gsf_ws_small_" + tag, big = "gsf_ws_large_" + tag;
        auto admin = gsf::sql::openPostgres(postgres);
        admin->ExecuteScript("CREATE DATABASE " + small);
        admin->ExecuteScript("CREATE DATABASE " + big);
        try {
            compare("PostgreSQL", postgres + " dbname=" + small, postgres + " dbname=" + big, large, rounds, updates);
        } catch (const std::exception& e) {
            std::fprintf(stderr, "bench_write_scaling: %s\n", e.what());
        }
        admin->ExecuteScript("DROP DATABASE " + small);
        admin->ExecuteScript("DROP DATABASE " + big);
    }
    return 0;
}
