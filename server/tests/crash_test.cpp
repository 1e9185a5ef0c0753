#include "platform/sql/database.h"
#include "server/storage.h"
#include "tests/support/server_process.h"

#include <gtest/gtest.h>
#include <httplib.h>

#include <csignal>
#include <filesystem>
#include <thread>

#include <sys/wait.h>

namespace {

std::string state(const std::string& path)
{
    gsf::server::Storage storage(path);
    return encodePacket(storage.GetCorrPrecGrup("0001", "000002", "003")) +
           encodePacket(storage.GetGrupServ("0001", "000002")) +
           encodePacket(storage.GetServClie("0001", "000002", "001"));
}

TEST(ServerCrash, KilledInTheMiddleOfADeltaLeavesTheDatabaseAsBefore)
{
    std::string dir = (std::filesystem::temp_directory_path() / "gsf-crash-XXXXXX").string();
    ASSERT_TRUE(mkdtemp(dir.data()));
    const std::string db = dir + "/crash.db";
    // A pause between changes keeps the delta's transaction open long enough to be killed in it.
    gsf::test::ServerProcess server(GSF_SERVER_EXE, {"--sqlite", db, "--demo"},
                                    {{"GSF_SERVER_DELTA_PAUSE_US", "2000"}});
    ASSERT_TRUE(server.waitUntilHealthy());
    const std::string before = state(db);

    std::string delta = R"({"args": [{"fields": [{"name": "CDFILIAL", "type": "string", "size": 4},
        {"name": "CDCLIENTE", "type": "string", "size": 21}, {"name": "VRPEINICGRUP", "type": "float"},
        {"name": "VRPEFIMGRUP", "type": "float"}, {"name": "VRPECORRGRUP", "type": "float"},
        {"name": "CDGRSERVFAT", "type": "string", "size": 3}], "changes": [)";
    // A long run of valid, contiguous intervals: 0,00-0,03, 0,03-0,06, ... up to 90,00.
    auto percent = [](int hundredths) {
        return std::to_string(hundredths / 100) + "." + std::to_string(hundredths % 100 / 10) +
               std::to_string(hundredths % 10);
    };
    for (int i = 0; i < 3000; ++i) {
        delta += (i ? "," : "") + std::string(R"({"op": "insert", "new": ["0001", "000002", )") + percent(3 * i) +
                 ", " + percent(3 * i + 3) + R"(, 1.5, "003"]})";
    }
    delta += "]}]}";
    std::thread sender([&] {
        httplib::Client c("127.0.0.1", server.port());
        c.set_read_timeout(30, 0);
        const auto res = c.Post("/Vex04120.rdmGrupServFat/UpdCorrPrecGrup", delta, "application/json");
        EXPECT_FALSE(res && res->status == 200) << "the delta finished before the kill";
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(800));
    const auto status = server.stop(SIGKILL);
    sender.join();
    ASSERT_TRUE(status) << "the server ended before the kill";
    EXPECT_TRUE(WIFSIGNALED(*status));

    EXPECT_EQ(state(db), before);
    auto connection = gsf::sql::openSqlite(db);
    const auto check = connection->Execute("PRAGMA integrity_check");
    EXPECT_EQ(std::get<std::string>(check.rows.at(0).at(0)), "ok");
    std::filesystem::remove_all(dir);
}

} // namespace
