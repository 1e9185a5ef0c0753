#include "platform/sql/database.h"
#include "server/storage.h"

#include <gtest/gtest.h>
#include <httplib.h>

#include <filesystem>
#include <thread>

#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

int freePort() {
    const int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
    socklen_t length = sizeof address;
    getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length);
    close(fd);
    return ntohs(address.sin_port);
}

std::string state(const std::string& path) {
    gsf::server::Storage storage(path);
    return encodePacket(storage.GetCorrPrecGrup("0001", "000002", "003")) +
           encodePacket(storage.GetGrupServ("0001", "000002")) + encodePacket(storage.GetServClie("0001", "000002", "001"));
}

TEST(ServerCrash, KilledInTheMiddleOfADeltaLeavesTheDatabaseAsBefore) {
    std::string dir = (std::filesystem::temp_directory_path() / "gsf-crash-XXXXXX").string();
    ASSERT_TRUE(mkdtemp(dir.data()));
    const std::string db = dir + "/crash.db";
    const int port = freePort();

    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        // A pause between changes keeps the delta's transaction open long enough to be killed in it.
        setenv("GSF_SERVER_DELTA_PAUSE_US", "2000", 1);
        const std::string portText = std::to_string(port);
        execl(GSF_SERVER_EXE, GSF_SERVER_EXE, "--sqlite", db.c_str(), "--demo", "--port", portText.c_str(),
              static_cast<char*>(nullptr));
        _exit(127);
    }
    httplib::Client client("127.0.0.1", port);
    bool ready = false;
    for (int i = 0; i < 500 && !ready; ++i) {
        const auto res = client.Get("/health");
        ready = res && res->status == 200;
        if (!ready) std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    ASSERT_TRUE(ready);
    const std::string before = state(db);

    std::string delta = R"({"args": [{"fields": [{"name": "CDFILIAL", "type": "string", "size": 4},
        {"name": "CDCLIENTE", "type": "string", "size": 21}, {"name": "VRPEINICGRUP", "type": "float"},
        {"name": "VRPEFIMGRUP", "type": "float"}, {"name": "VRPECORRGRUP", "type": "float"},
        {"name": "CDGRSERVFAT", "type": "string", "size": 3}], "changes": [)";
    for (int i = 0; i < 3000; ++i) {
        delta += (i ? "," : "") + std::string(R"({"op": "insert", "new": ["0001", "000002", )") + std::to_string(i) +
                 ", " + std::to_string(i + 1) + R"(, 1.5, "003"]})";
    }
    delta += "]}]}";
    std::thread sender([&] {
        httplib::Client c("127.0.0.1", port);
        c.set_read_timeout(30, 0);
        const auto res = c.Post("/Vex04120.rdmGrupServFat/UpdCorrPrecGrup", delta, "application/json");
        EXPECT_FALSE(res && res->status == 200) << "the delta finished before the kill";
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(800));
    ASSERT_EQ(kill(child, SIGKILL), 0);
    int status = 0;
    waitpid(child, &status, 0);
    sender.join();
    EXPECT_TRUE(WIFSIGNALED(status));

    EXPECT_EQ(state(db), before);
    auto connection = gsf::sql::openSqlite(db);
    const auto check = connection->Execute("PRAGMA integrity_check");
    EXPECT_EQ(std::get<std::string>(check.rows.at(0).at(0)), "ok");
    std::filesystem::remove_all(dir);
}

} // namespace
