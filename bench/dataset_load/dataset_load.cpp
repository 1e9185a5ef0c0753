// Decoding and loading a 100,000-row group packet, against a plain JSON parse
// of the same bytes measured in the same run (the floor).

#include "platform/data/dataset.h"

#include <benchmark/benchmark.h>
#include <nlohmann/json.hpp>

#include <malloc.h>

#include <array>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <new>
#include <string>

// Live bytes requested through operator new, to measure what a loaded row costs.
namespace {
std::atomic<long long> liveBytes{0};
constexpr std::size_t kHeader = alignof(std::max_align_t);

void* countedAlloc(std::size_t size)
{
    void* raw = std::malloc(size + kHeader);
    if (!raw)
        throw std::bad_alloc();
    *static_cast<std::size_t*>(raw) = size;
    liveBytes += static_cast<long long>(size);
    return static_cast<char*>(raw) + kHeader;
}

void countedFree(void* p) noexcept
{
    if (!p)
        return;
    void* raw = static_cast<char*>(p) - kHeader;
    liveBytes -= static_cast<long long>(*static_cast<std::size_t*>(raw));
    std::free(raw);
}
} // namespace

void* operator new(std::size_t size) { return countedAlloc(size); }
void* operator new[](std::size_t size) { return countedAlloc(size); }
void operator delete(void* p) noexcept { countedFree(p); }
void operator delete[](void* p) noexcept { countedFree(p); }
void operator delete(void* p, std::size_t) noexcept { countedFree(p); }
void operator delete[](void* p, std::size_t) noexcept { countedFree(p); }

namespace {

using gsf::data::DataSet;
using gsf::data::FieldDef;
using gsf::data::FieldType;
using Clock = std::chrono::steady_clock;

constexpr int kRows = 100'000;

const std::array<const char*, 9> kMinimums = {
    "QTEFETMINIGSF", "QTEFMINDOMGSF", "QTEFMINSEGGSF", "QTEFMINTERGSF", "QTEFMINQUAGSF",
    "QTEFMINQUIGSF", "QTEFMINSEXGSF", "QTEFMINSABGSF", "QTEFMINFERGSF"};

void defineGroupFields(DataSet& ds)
{
    const auto text = [&ds](const char* name, int size) {
        FieldDef def;
        def.name = name;
        def.size = size;
        ds.AddField(def);
    };
    text("CDFILIAL", 4);
    text("CDCLIENTE", 21);
    text("CDGRSERVFAT", 3);
    text("DSGRSERVFAT", 30);
    for (const char* name : kMinimums) {
        FieldDef def;
        def.name = name;
        def.type = FieldType::Float;
        def.displayFormat = "#,##0.000";
        ds.AddField(def);
    }
    text("CDSERAJEFEGSF", 5);
}

// Realistic rows: a few branches and clients, accented descriptions,
// minimums with three decimals, some nulls.
const std::string& groupPacket()
{
    static const std::string json = [] {
        std::string out = R"({"fields":[{"name":"CDFILIAL","type":"string","size":4},)"
                          R"({"name":"CDCLIENTE","type":"string","size":21},)"
                          R"({"name":"CDGRSERVFAT","type":"string","size":3},)"
                          R"({"name":"DSGRSERVFAT","type":"string","size":30},)";
        for (const char* name : kMinimums)
            out += std::string(R"({"name":")") + name + R"(","type":"float"},)";
        out += R"({"name":"CDSERAJEFEGSF","type":"string","size":5}],"rows":[)";
        char buf[512];
        for (int i = 0; i < kRows; ++i) {
            std::snprintf(buf, sizeof buf,
                          R"(%s["%04d","%014d","%03d","Grupo de serviço nº %d",%d.%03d)",
                          i == 0 ? "" : ",", 1 + i % 7, 10'000'000 + i / 50, i % 1000, i,
                          i % 40, (i * 37) % 1000);
            out += buf;
            for (int d = 0; d < 8; ++d) {
                if ((i + d) % 11 == 0)
                    std::snprintf(buf, sizeof buf, ",null");
                else
                    std::snprintf(buf, sizeof buf, ",%d.%d", (i + d) % 9, d * 125);
                out += buf;
            }
            if (i % 3 == 0)
                std::snprintf(buf, sizeof buf, R"(,null])");
            else
                std::snprintf(buf, sizeof buf, R"(,"%05d"])", i % 99'999);
            out += buf;
        }
        out += "]}";
        return out;
    }();
    return json;
}

double seconds(Clock::duration d)
{
    return std::chrono::duration<double>(d).count();
}

void BM_PlainParse(benchmark::State& state)
{
    const std::string& json = groupPacket();
    for (auto _ : state) {
        auto doc = nlohmann::json::parse(json);
        benchmark::DoNotOptimize(doc);
        state.PauseTiming();
        doc = nullptr;
        state.ResumeTiming();
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * json.size()));
}

void BM_DecodeAndLoad(benchmark::State& state)
{
    const std::string& json = groupPacket();
    for (auto _ : state) {
        state.PauseTiming();
        auto ds = std::make_unique<DataSet>("cdsGrupServ");
        defineGroupFields(*ds);
        state.ResumeTiming();
        ds->SetData(std::string_view(json));
        benchmark::DoNotOptimize(ds->RecordCount());
        state.PauseTiming();
        ds.reset();
        state.ResumeTiming();
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * json.size()));
}

// Both in one loop, alternating, so that the ratio compares like with like;
// also measures the memory a loaded row keeps.
void BM_LoadAgainstParse(benchmark::State& state)
{
    const std::string& json = groupPacket();
    Clock::duration parseTime{}, loadTime{};
    long long rowBytes = 0;
    std::size_t heapBytes = 0;
    for (auto _ : state) {
        auto start = Clock::now();
        auto doc = nlohmann::json::parse(json);
        parseTime += Clock::now() - start;
        benchmark::DoNotOptimize(doc);
        doc = nullptr;

        auto ds = std::make_unique<DataSet>("cdsGrupServ");
        defineGroupFields(*ds);
        malloc_trim(0);
        const long long before = liveBytes.load();
        const std::size_t heapBefore = mallinfo2().uordblks;
        start = Clock::now();
        ds->SetData(std::string_view(json));
        loadTime += Clock::now() - start;
        rowBytes = liveBytes.load() - before;
        heapBytes = mallinfo2().uordblks - heapBefore;
        if (ds->RecordCount() != kRows)
            state.SkipWithError("the packet did not load every row");
        ds.reset();
    }
    const double rows = kRows;
    state.counters["ratio_load_to_parse"] = seconds(loadTime) / seconds(parseTime);
    state.counters["parse_ms"] =
        1000 * seconds(parseTime) / static_cast<double>(state.iterations());
    state.counters["load_ms"] = 1000 * seconds(loadTime) / static_cast<double>(state.iterations());
    state.counters["json_bytes_per_row"] = static_cast<double>(json.size()) / rows;
    state.counters["mem_bytes_per_row"] = static_cast<double>(rowBytes) / rows;
    state.counters["heap_bytes_per_row"] = static_cast<double>(heapBytes) / rows;
}

} // namespace

BENCHMARK(BM_PlainParse)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DecodeAndLoad)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LoadAgainstParse)->Unit(benchmark::kMillisecond)->Iterations(10);

BENCHMARK_MAIN();
