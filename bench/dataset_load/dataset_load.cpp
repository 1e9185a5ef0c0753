// Decoding and loading a 100,000-row group packet, against a simdjson pass
// that reads every value of the same bytes (the floor), measured in one run.
//
// usage: bench_dataset_load [--rounds N] [--rows N]
//
// Every measurement starts from a trimmed heap and a parser of its own, as
// the dataset's decoder has for a packet this large (it keeps no parser
// buffers past a megabyte between packets):
// - floor: simdjson parses the bytes and every value is read (numbers as
//   doubles, texts as views, nulls);
// - warm floor: the same with a parser that already holds its buffers;
// - load: DataSet::SetData of the text into the demo group record;
// - nlohmann: a plain parse into a JSON tree, for comparison.
// Memory: the allocator's bytes in use (heap and mapped blocks) after the
// load minus before, change log empty, per row.

#include "platform/data/dataset.h"

#include "bench/common/bench_data.h"

#include <nlohmann/json.hpp>
#include <simdjson.h>

#include <malloc.h>

#include <array>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

namespace {

using gsf::bench::median;
using gsf::bench::millisecondsOf;
using gsf::data::DataSet;
using gsf::data::FieldDef;
using gsf::data::FieldType;

const std::array<const char*, 9> kMinimums = {"QTEFETMINIGSF", "QTEFMINDOMGSF", "QTEFMINSEGGSF",
                                              "QTEFMINTERGSF", "QTEFMINQUAGSF", "QTEFMINQUIGSF",
                                              "QTEFMINSEXGSF", "QTEFMINSABGSF", "QTEFMINFERGSF"};

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
        def.decimals = 3;
        ds.AddField(def);
    }
    text("CDSERAJEFEGSF", 5);
}

// Realistic rows: a few branches and clients, accented descriptions,
// minimums with three decimals, some nulls.
std::string groupPacket(int rows)
{
    std::string out = R"({"fields":[{"name":"CDFILIAL","type":"string","size":4},)"
                      R"({"name":"CDCLIENTE","type":"string","size":21},)"
                      R"({"name":"CDGRSERVFAT","type":"string","size":3},)"
                      R"({"name":"DSGRSERVFAT","type":"string","size":30},)";
    for (const char* name : kMinimums)
        out += std::string(R"({"name":")") + name + R"(","type":"float"},)";
    out += R"({"name":"CDSERAJEFEGSF","type":"string","size":5}],"rows":[)";
    char buf[512];
    for (int i = 0; i < rows; ++i) {
        std::snprintf(buf, sizeof buf, R"(%s["%04d","%014d","%03d","Grupo de serviço nº %d",%d.%03d)",
                      i == 0 ? "" : ",", 1 + i % 7, 10'000'000 + i / 50, i % 1000, i, i % 40, (i * 37) % 1000);
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
}

// Every value of the packet read off simdjson's document; returns a sum of
// what was read so that nothing is skipped.
double readEveryValue(simdjson::dom::parser& parser, const std::string& json)
{
    simdjson::dom::element root;
    if (parser.parse(json.data(), json.size(), true).get(root) != simdjson::SUCCESS)
        std::abort();
    double sum = 0;
    for (const simdjson::dom::key_value_pair member : simdjson::dom::object(root)) {
        if (member.key == "fields") {
            for (const simdjson::dom::element field : simdjson::dom::array(member.value))
                for (const simdjson::dom::key_value_pair definition : simdjson::dom::object(field))
                    sum += static_cast<double>(definition.key.size());
            continue;
        }
        for (const simdjson::dom::element row : simdjson::dom::array(member.value)) {
            for (const simdjson::dom::element cell : simdjson::dom::array(row)) {
                switch (cell.type()) {
                case simdjson::dom::element_type::STRING:
                    sum += static_cast<double>(std::string_view(cell).size());
                    break;
                case simdjson::dom::element_type::NULL_VALUE: sum += 1; break;
                default: sum += double(cell);
                }
            }
        }
    }
    return sum;
}

std::size_t heapInUse()
{
    const struct mallinfo2 info = mallinfo2();
    return info.uordblks + info.hblkhd;
}

} // namespace

int main(int argc, char** argv)
{
    int rounds = 9, rowCount = 100'000;
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string arg = argv[i];
        if (arg == "--rounds")
            rounds = std::max(3, std::atoi(argv[i + 1]));
        else if (arg == "--rows")
            rowCount = std::max(1, std::atoi(argv[i + 1]));
    }
    const std::string json = groupPacket(rowCount);

    std::vector<double> floorMs, warmMs, loadMs, treeMs, bytesPerRow;
    simdjson::dom::parser warm;
    readEveryValue(warm, json);
    double checksum = 0;
    for (int r = 0; r < rounds; ++r) {
        malloc_trim(0);
        floorMs.push_back(millisecondsOf([&] {
            simdjson::dom::parser parser;
            checksum += readEveryValue(parser, json);
        }));

        malloc_trim(0);
        warmMs.push_back(millisecondsOf([&] { checksum += readEveryValue(warm, json); }));

        auto ds = std::make_unique<DataSet>("cdsGrupServ");
        defineGroupFields(*ds);
        malloc_trim(0);
        const std::size_t before = heapInUse();
        loadMs.push_back(millisecondsOf([&] { ds->SetData(std::string_view(json)); }));
        bytesPerRow.push_back(static_cast<double>(heapInUse() - before) / rowCount);
        if (ds->RecordCount() != rowCount || ds->ChangeCount() != 0) {
            std::fprintf(stderr, "the packet did not load every row\n");
            return 1;
        }
        ds.reset();

        malloc_trim(0);
        treeMs.push_back(millisecondsOf([&] {
            const auto doc = nlohmann::json::parse(json);
            checksum += static_cast<double>(doc.size());
        }));
    }

    const double floor = median(floorMs), load = median(loadMs);
    std::printf("== decode and load of %d group rows (%zu bytes, %.0f bytes a row), %d rounds, load %s\n", rowCount,
                json.size(), static_cast<double>(json.size()) / rowCount, rounds, gsf::bench::loadAverage().c_str());
    std::printf("  floor (simdjson parse, every value read)  %8.2f ms\n", floor);
    std::printf("  warm floor (parser buffers kept)          %8.2f ms\n", median(warmMs));
    std::printf("  decode and load (DataSet::SetData)        %8.2f ms\n", load);
    std::printf("  nlohmann parse into a tree                %8.2f ms\n", median(treeMs));
    std::printf("  ratio load/floor %.2f   load/warm floor %.2f   load/nlohmann %.2f\n", load / floor,
                load / median(warmMs), load / median(treeMs));
    std::printf("  memory of a loaded row: %.1f bytes (allocator bytes in use after the load minus before)\n",
                median(bytesPerRow));
    std::printf("  (checksum %.0f)\n", checksum);
    return 0;
}
