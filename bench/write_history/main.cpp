// What the change history costs a write: the same writes on the same
// database, recorded and not recorded (the baseline), measured in one run.
// SQLite in a temporary folder; PostgreSQL too when GSF_BENCH_POSTGRES names
// an empty database.

#include "server/history.h"
#include "server/storage.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <memory>
#include <optional>
#include <string>

namespace {

using gsf::data::ChangeKind;
using gsf::data::Delta;
using gsf::data::Packet;
using gsf::server::Storage;

std::map<std::string, std::unique_ptr<Storage>>& storages()
{
    static std::map<std::string, std::unique_ptr<Storage>> all;
    return all;
}

// A one-row update of group 001's description, back and forth, so that
// every write changes the row.
void groupUpdate(benchmark::State& state, Storage* storage, bool recorded)
{
    const Packet groups = storage->GetGrupServ("0001", "000002");
    const int description = groups.indexOf("DSGRSERVFAT");
    auto row = groups.rows.at(0);
    auto other = row;
    other[static_cast<size_t>(description)] = std::string("Vigilância (alterada)");
    std::optional<gsf::server::history::Unrecorded> quiet;
    if (!recorded)
        quiet.emplace();
    bool forth = true;
    for (auto _ : state) {
        Delta delta{groups.fields, {{ChangeKind::Update, forth ? row : other, forth ? other : row}}};
        storage->UpdGrupServ(delta);
        forth = !forth;
    }
}

// The correction service moved between the group's two services: three rows each time.
void correctionMove(benchmark::State& state, Storage* storage, bool recorded)
{
    std::optional<gsf::server::history::Unrecorded> quiet;
    if (!recorded)
        quiet.emplace();
    bool second = true;
    for (auto _ : state) {
        storage->ProAtualizaServ("0001", "000002", "001", second ? "00020" : "00010");
        second = !second;
    }
}

// Keeps the mean time of each run, to print each recorded write against its baseline.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override
    {
        for (const Run& run : runs)
            if (run.run_type == Run::RT_Iteration)
                times_[run.benchmark_name()] = run.GetAdjustedRealTime();
        ConsoleReporter::ReportRuns(runs);
    }
    void Finalize() override
    {
        ConsoleReporter::Finalize();
        for (const auto& [name, time] : times_) {
            const auto at = name.find("/recorded");
            if (at == std::string::npos)
                continue;
            const std::string baseline = name.substr(0, at) + "/unrecorded";
            if (const auto it = times_.find(baseline); it != times_.end() && it->second > 0)
                std::printf("%s: %.2fx the unrecorded write\n", name.substr(0, at).c_str(), time / it->second);
        }
    }

private:
    std::map<std::string, double> times_;
};

} // namespace

int main(int argc, char** argv)
{
    const auto folder = std::filesystem::temp_directory_path() / "gsf-bench-history";
    std::filesystem::remove_all(folder);
    std::filesystem::create_directories(folder);
    storages()["SQLite"] = std::make_unique<Storage>((folder / "bench.db").string(), true);
    if (const char* pg = std::getenv("GSF_BENCH_POSTGRES"); pg && *pg)
        storages()["PostgreSQL"] = std::make_unique<Storage>(pg, true);
    for (const auto& [engine, storage] : storages())
        for (const bool recorded : {false, true}) {
            const std::string suffix = std::string("/") + engine + (recorded ? "/recorded" : "/unrecorded");
            benchmark::RegisterBenchmark(("UpdGrupServ" + suffix).c_str(), groupUpdate, storage.get(), recorded)
                ->Unit(benchmark::kMicrosecond);
            benchmark::RegisterBenchmark(("ProAtualizaServ" + suffix).c_str(), correctionMove, storage.get(), recorded)
                ->Unit(benchmark::kMicrosecond);
        }
    benchmark::Initialize(&argc, argv);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    storages().clear();
    std::filesystem::remove_all(folder);
    return 0;
}
