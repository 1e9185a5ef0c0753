// A cold GetGrupServ against its floor, measured side by side in one run.
//
// usage: bench_packet_read [--rounds N] [--largest N]
//
// For clients of 1,000 and 10,000 groups (and ten times more up to --largest):
// - floor: the method's query stepped through the SQLite C API on the same
//   database file, each row written by a minimal JSON writer into a string
//   reused from one round to the next;
// - cold: the remote module's GetGrupServ with its cache off (arguments
//   checked, query, packet);
// - miss: the module with its cache on, right after a write elsewhere moved
//   the database's change version (the version read, query, packet, kept).
// The rounds alternate the three; the table shows medians and their ratios
// to the floor. The floor's bytes and the server's are compared first.

#include "bench/common/bench_data.h"
#include "server/remote_module.h"
#include "server/storage.h"

#include <sqlite3.h>

#include <charconv>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <unistd.h>

namespace {

using gsf::bench::median;
using gsf::bench::millisecondsOf;

const char* const kSql =
    "SELECT CDFILIAL, CDCLIENTE, CDGRSERVFAT, DSGRSERVFAT, QTEFETMINIGSF, QTEFMINDOMGSF, QTEFMINSEGGSF, "
    "QTEFMINTERGSF, QTEFMINQUAGSF, QTEFMINQUIGSF, QTEFMINSEXGSF, QTEFMINSABGSF, QTEFMINFERGSF, CDSERAJEFEGSF "
    "FROM GRUPSERVFAT WHERE CDFILIAL = ? AND CDCLIENTE = ? ORDER BY CDGRSERVFAT";

// The shortest JSON writer that gives the same bytes for these rows: texts
// are escaped but their encoding is taken as it is.
void writeText(std::string& out, const unsigned char* text, int size)
{
    out += '"';
    int plain = 0;
    for (int i = 0; i < size; ++i) {
        const unsigned char c = text[i];
        if (c >= 0x20 && c != '"' && c != '\\')
            continue;
        out.append(reinterpret_cast<const char*>(text) + plain, static_cast<size_t>(i - plain));
        char escaped[8];
        std::snprintf(escaped, sizeof escaped, c == '"' || c == '\\' ? "\\%c" : "\\u%04x", c);
        out += escaped;
        plain = i + 1;
    }
    out.append(reinterpret_cast<const char*>(text) + plain, static_cast<size_t>(size - plain));
    out += '"';
}

void floorRead(sqlite3* db, sqlite3_stmt* stmt, const std::string& header, const std::string& client, std::string& out)
{
    sqlite3_reset(stmt);
    sqlite3_bind_text(stmt, 1, "0001", 4, SQLITE_STATIC);
    sqlite3_bind_text(stmt, 2, client.data(), static_cast<int>(client.size()), SQLITE_STATIC);
    out.clear();
    out += header;
    bool first = true;
    const int columns = sqlite3_column_count(stmt);
    int rc;
    while ((rc = sqlite3_step(stmt)) == SQLITE_ROW) {
        out += first ? "[" : ",[";
        first = false;
        for (int c = 0; c < columns; ++c) {
            if (c > 0)
                out += ',';
            switch (sqlite3_column_type(stmt, c)) {
            case SQLITE_NULL: out += "null"; break;
            case SQLITE_INTEGER:
            case SQLITE_FLOAT: {
                char number[32];
                const auto end = std::to_chars(number, number + sizeof number, sqlite3_column_double(stmt, c)).ptr;
                out.append(number, end);
                break;
            }
            default: writeText(out, sqlite3_column_text(stmt, c), sqlite3_column_bytes(stmt, c));
            }
        }
        out += ']';
    }
    if (rc != SQLITE_DONE) {
        std::fprintf(stderr, "floor: %s\n", sqlite3_errmsg(db));
        std::exit(1);
    }
    out += "]}";
}

} // namespace

int main(int argc, char** argv)
{
    int rounds = 60, largest = 10000;
    for (int i = 1; i + 1 < argc; i += 2) {
        if (std::string(argv[i]) == "--rounds")
            rounds = std::max(3, std::atoi(argv[i + 1]));
        else if (std::string(argv[i]) == "--largest")
            largest = std::max(1000, std::atoi(argv[i + 1]));
    }

    const auto dir = std::filesystem::temp_directory_path() / ("gsf-packet-read-" + std::to_string(getpid()));
    std::filesystem::create_directories(dir);
    const std::string path = (dir / "bench.db").string();
    {
        gsf::server::Storage storage(path);
        storage.SeedDemo();
        gsf::server::RemoteModule cold(storage, false);
        gsf::server::RemoteModule cached(storage, true);

        sqlite3* db = nullptr;
        sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READONLY | SQLITE_OPEN_NOMUTEX, nullptr);

        std::printf("== cold GetGrupServ against its floor, %d rounds, load %s\n", rounds,
                    gsf::bench::loadAverage().c_str());
        std::printf("%8s %10s %10s %10s %10s %12s %12s %9s\n", "groups", "floor ms", "cold ms", "miss ms", "bytes",
                    "cold/floor", "miss/floor", "failures");
        int seed = 1;
        for (int groups = 1000; groups <= largest; groups *= 10) {
            const std::string client = "CARGA" + std::to_string(groups);
            gsf::bench::addClientWithGroups(storage, client, seed++, groups);
            const std::string body = R"({"args":["0001",")" + client + R"("]})";

            sqlite3_stmt* stmt = nullptr;
            sqlite3_prepare_v2(db, kSql, -1, &stmt, nullptr);
            const std::string packet = std::string(cold.Call("GetGrupServ", body).Body());
            const std::string header = packet.substr(0, packet.find("\"rows\":[") + 8);
            std::string floorOut;
            floorRead(db, stmt, header, client, floorOut);
            if (floorOut != packet) {
                std::fprintf(stderr, "the floor and the server wrote different packets (%zu and %zu bytes)\n",
                             floorOut.size(), packet.size());
                return 1;
            }

            std::vector<double> floorMs, coldMs, missMs;
            long failures = 0;
            for (int r = 0; r < rounds; ++r) {
                floorMs.push_back(millisecondsOf([&] { floorRead(db, stmt, header, client, floorOut); }));
                coldMs.push_back(millisecondsOf([&] {
                    if (cold.Call("GetGrupServ", body).Body().size() != packet.size())
                        ++failures;
                }));
                // A write elsewhere moves the version: the next read misses.
                storage.ProLimpaServ("0001", "000002", "001");
                missMs.push_back(millisecondsOf([&] {
                    if (cached.Call("GetGrupServ", body).Body().size() != packet.size())
                        ++failures;
                }));
            }
            const double f = median(floorMs), c = median(coldMs), m = median(missMs);
            std::printf("%8d %10.3f %10.3f %10.3f %10zu %12.2f %12.2f %9ld\n", groups, f, c, m, packet.size(), c / f,
                        m / f, failures);
            sqlite3_finalize(stmt);
        }
        sqlite3_close(db);
    }
    std::filesystem::remove_all(dir);
    return 0;
}
