// The connection against servers that stop answering: frozen, killed,
// restarted, or closing a kept-alive connection.
#include "platform/remote/connection.h"
#include "records/remote_module.h"
#include "tests/support/server_process.h"

#include <gtest/gtest.h>
#include <httplib.h>

#include <csignal>
#include <filesystem>
#include <mutex>
#include <set>
#include <thread>

namespace {

using gsf::remote::RemoteConnection;
using Clock = std::chrono::steady_clock;

gsf::data::Delta newGroups(int count)
{
    std::string json = R"({"fields": [{"name": "CDFILIAL", "type": "string", "size": 4},
        {"name": "CDCLIENTE", "type": "string", "size": 21}, {"name": "CDGRSERVFAT", "type": "string", "size": 3},
        {"name": "DSGRSERVFAT", "type": "string", "size": 30}, {"name": "QTEFETMINIGSF", "type": "float"}],
        "changes": [)";
    const char* const digits = "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ";
    for (int i = 0; i < count; ++i)
        json += (i ? "," : "") + std::string(R"({"op": "insert", "new": ["0001", "000002", "N)") + digits[i / 36] +
                digits[i % 36] + R"(", "Novo", 1]})";
    return gsf::data::decodeDelta(json + "]}");
}

void pointAt(RemoteConnection& net, int port)
{
    net.ServerName = gsf::records::kModuleName;
    net.BeforeConnect = [port](RemoteConnection& c) {
        c.Host = "127.0.0.1";
        c.Port = port;
    };
    net.Open();
}

size_t groupCount(RemoteConnection& net)
{
    const auto result = net.Call("GetGrupServ", {"0001", "000002"});
    EXPECT_TRUE(result.ok) << result.message;
    return result.ok ? gsf::data::decodePacket(result.body).rows.size() : 0;
}

class TempFolder {
public:
    TempFolder()
    {
        path_ = (std::filesystem::temp_directory_path() / "gsf-lost-XXXXXX").string();
        if (!mkdtemp(path_.data()))
            throw std::runtime_error("mkdtemp");
    }
    ~TempFolder() { std::filesystem::remove_all(path_); }
    std::string file(const std::string& name) const { return path_ + "/" + name; }

private:
    std::string path_;
};

// --- headers, against a server that records what it gets ---

struct RecordingPeer {
    RecordingPeer()
    {
        server.Post(R"(/.*)", [this](const httplib::Request& req, httplib::Response& res) {
            std::lock_guard lock(mutex);
            seen.push_back(req.headers);
            res.set_content("{}", "application/json");
        });
        port = server.bind_to_any_port("127.0.0.1");
        thread = std::thread([this] { server.listen_after_bind(); });
        while (!server.is_running())
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    ~RecordingPeer()
    {
        server.stop();
        thread.join();
    }
    std::string header(size_t call, const std::string& name)
    {
        std::lock_guard lock(mutex);
        const auto it = seen.at(call).find(name);
        return it == seen.at(call).end() ? "" : it->second;
    }
    httplib::Server server;
    int port = 0;
    std::thread thread;
    std::mutex mutex;
    std::vector<httplib::Headers> seen;
};

TEST(RemoteConnectionHeaders, WriteCallsCarryANewIdAndEveryCallTheHeadersSet)
{
    RecordingPeer peer;
    RemoteConnection net;
    pointAt(net, peer.port);
    net.SetHeader("X-Usuario", "maria");
    ASSERT_TRUE(net.Call("GetGrupServ", {"0001", "000002"}).ok);
    ASSERT_TRUE(net.Call("ProDelServ", {"0001", "000002", "001"}).ok);
    ASSERT_TRUE(net.Call("UpdGrupServ", newGroups(1)).ok);
    net.SetHeader("x-usuario", "joao"); // replaces, whatever the case
    ASSERT_TRUE(net.Call("ProLimpaServ", {"0001", "000002", "001"}).ok);
    net.SetHeader("X-Usuario", "");
    ASSERT_TRUE(net.Call("GetParamFilial", {"0001"}).ok);

    EXPECT_EQ(peer.header(0, "X-Request-Id"), "");
    std::set<std::string> ids;
    for (size_t call : {1u, 2u, 3u}) {
        const std::string id = peer.header(call, "X-Request-Id");
        EXPECT_GE(id.size(), 16u);
        ids.insert(id);
    }
    EXPECT_EQ(ids.size(), 3u) << "each write call has an id of its own";
    EXPECT_EQ(peer.header(0, "X-Usuario"), "maria");
    EXPECT_EQ(peer.header(2, "X-Usuario"), "maria");
    EXPECT_EQ(peer.header(3, "X-Usuario"), "joao");
    EXPECT_EQ(peer.header(4, "X-Usuario"), "");
    EXPECT_EQ(net.Headers().size(), 0u);

    RemoteConnection other;
    pointAt(other, peer.port);
    ASSERT_TRUE(other.Call("ProDelServ", {"0001", "000002", "001"}).ok);
    EXPECT_FALSE(ids.count(peer.header(5, "X-Request-Id"))) << "two connections never share an id";
}

TEST(RemoteConnectionHeaders, SetHeaderRefusesWhatWouldBreakTheRequest)
{
    RemoteConnection net;
    EXPECT_THROW(net.SetHeader("X Usuario", "a"), std::invalid_argument);
    EXPECT_THROW(net.SetHeader("", "a"), std::invalid_argument);
    EXPECT_THROW(net.SetHeader("X-Usuario", "a\r\nX-Injetado: 1"), std::invalid_argument);
    EXPECT_THROW(net.SetHeader("x-request-id", "abc"), std::invalid_argument);
    EXPECT_THROW(net.SetHeader("Authorization", "Bearer x"), std::invalid_argument);
    EXPECT_TRUE(net.Headers().empty());
}

// --- lost answers, against the real server in a process of its own ---

class LostAnswer : public ::testing::Test {
protected:
    void start(std::vector<std::pair<std::string, std::string>> environment = {}, int port = 0,
               std::vector<std::string> extra = {})
    {
        std::vector<std::string> args = {"--sqlite", folder_.file("lost.db"), "--demo"};
        args.insert(args.end(), extra.begin(), extra.end());
        server_ = std::make_unique<gsf::test::ServerProcess>(GSF_SERVER_EXE, args, environment, port);
        ASSERT_TRUE(server_->waitUntilHealthy());
    }

    // A connection on a server holding the demo data, which is then frozen.
    void connectAndFreeze(std::chrono::milliseconds timeout)
    {
        start();
        net_.Timeout = timeout;
        pointAt(net_, server_->port());
        ASSERT_EQ(groupCount(net_), 3u);
        server_->signal(SIGSTOP);
    }

    TempFolder folder_;
    std::unique_ptr<gsf::test::ServerProcess> server_;
    RemoteConnection net_;
};

TEST_F(LostAnswer, AServerFrozenPastTheFirstTryAnswersTheRetryAndAppliesTheCallOnce)
{
    connectAndFreeze(std::chrono::milliseconds(700));
    RemoteConnection& net = net_;
    std::thread thaw([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(1000));
        server_->signal(SIGCONT);
    });
    const auto result = net.Call("UpdGrupServ", newGroups(1));
    thaw.join();
    EXPECT_TRUE(result.ok) << result.message;
    EXPECT_FALSE(result.outcomeUnknown);
    EXPECT_EQ(net.Stats().retries, 1);
    EXPECT_EQ(net.Stats().connectionsOpened, 2) << "the retry goes on a new connection";
    EXPECT_EQ(groupCount(net), 4u) << "the first try and the retry both reached the server; one was applied";
}

TEST_F(LostAnswer, AServerFrozenPastBothTriesLeavesTheOutcomeUnknown)
{
    connectAndFreeze(std::chrono::milliseconds(400));
    RemoteConnection& net = net_;
    auto started = Clock::now();
    const auto result = net.Call("UpdGrupServ", newGroups(1));
    EXPECT_GE(Clock::now() - started, std::chrono::milliseconds(800)) << "two tries, each its whole timeout";
    EXPECT_FALSE(result.ok);
    EXPECT_TRUE(result.outcomeUnknown);
    EXPECT_EQ(result.errorCode, "unavailable");
    EXPECT_NE(result.message.find("Servidor de aplicação indisponível"), std::string::npos) << result.message;

    // A read that timed out is not sent twice, and is never marked unknown.
    started = Clock::now();
    const auto read = net.Call("GetGrupServ", {"0001", "000002"});
    EXPECT_LT(Clock::now() - started, std::chrono::milliseconds(700));
    EXPECT_FALSE(read.ok);
    EXPECT_FALSE(read.outcomeUnknown);
    EXPECT_EQ(net.Stats().retries, 1);

    // Resumed, the server runs what it was sent: the call once, its retry
    // answered from the first; no late answer is read as a later call's.
    server_->signal(SIGCONT);
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    EXPECT_EQ(groupCount(net), 4u);
    EXPECT_EQ(groupCount(net), 4u);
}

TEST_F(LostAnswer, AServerKilledInACallLeavesAllOrNothingAndTheNextCallWorksAfterARestart)
{
    // A pause between the changes keeps the delta's transaction open for the kill.
    start({{"GSF_SERVER_DELTA_PAUSE_US", "3000"}});
    RemoteConnection net;
    pointAt(net, server_->port());
    ASSERT_EQ(groupCount(net), 3u);
    std::thread killer([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        server_->stop(SIGKILL);
    });
    const auto result = net.Call("UpdGrupServ", newGroups(200));
    killer.join();
    EXPECT_FALSE(result.ok);
    EXPECT_TRUE(result.outcomeUnknown);
    EXPECT_EQ(result.errorCode, "unavailable");

    const int port = server_->port();
    server_.reset();
    start({}, port);
    EXPECT_EQ(groupCount(net), 3u) << "the killed delta left nothing; the same connection works again";
    EXPECT_TRUE(net.Call("UpdGrupServ", newGroups(2)).ok);
    EXPECT_EQ(groupCount(net), 5u);
}

TEST_F(LostAnswer, AConnectionTheServerClosedWhileIdleIsReplacedAtTheNextCall)
{
    start({}, 0, {"--idle-timeout", "1"});
    RemoteConnection net;
    pointAt(net, server_->port());
    ASSERT_EQ(groupCount(net), 3u);
    ASSERT_EQ(groupCount(net), 3u);
    EXPECT_EQ(net.Stats().connectionsOpened, 1) << "one connection kept alive";
    std::this_thread::sleep_for(std::chrono::milliseconds(1600));
    ASSERT_EQ(groupCount(net), 3u);
    EXPECT_EQ(net.Stats().connectionsOpened, 2);
    EXPECT_TRUE(net.Call("ProLimpaServ", {"0001", "000002", "001"}).ok);
    EXPECT_EQ(net.Stats().connectionsOpened, 2);
}

} // namespace
