// A packet of each kind the screen loads on its main roads, answered with one
// field declared otherwise than the screen defines it (a text of another size,
// or a field under another name): the clerk is told which field, no progress
// indicator is left, and nothing is written after the refusal, so a refused
// check is never taken for an empty answer.
#include "screen/tests/screen_fixture.h"
#include "tests/support/screen_roads.h"

#include <gtest/gtest.h>
#include <httplib.h>
#include <nlohmann/json.hpp>

#include <mutex>
#include <ostream>
#include <stdexcept>
#include <thread>

namespace gsf::screen::test {
namespace {

using gsf::test::ScreenRoad;

/// Stands between the screen and the application server, passing every call
/// on and changing the definition of one field in one packet answered.
class TamperingPeer {
public:
    explicit TamperingPeer(int serverPort) : serverPort_(serverPort)
    {
        peer_.Post(R"(/.*)", [this](const httplib::Request& req, httplib::Response& res) { pass(req, res); });
        port_ = peer_.bind_to_any_port("127.0.0.1");
        thread_ = std::thread([this] { peer_.listen_after_bind(); });
        while (!peer_.is_running())
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    ~TamperingPeer()
    {
        peer_.stop();
        thread_.join();
    }
    TamperingPeer(const TamperingPeer&) = delete;
    TamperingPeer& operator=(const TamperingPeer&) = delete;

    int port() const { return port_; }
    /// From now on, changes the @p occurrence th packet (1-based) answered by @p method.
    void tamper(const std::string& method, int occurrence)
    {
        std::lock_guard lock(mutex_);
        method_ = method;
        left_ = occurrence;
        tampered_.clear();
        after_.clear();
    }
    /// The field the changed packet declared otherwise, "" while none was.
    std::string tampered() const
    {
        std::lock_guard lock(mutex_);
        return tampered_;
    }
    /// The methods called after the changed packet, in order.
    std::vector<std::string> callsAfter() const
    {
        std::lock_guard lock(mutex_);
        return after_;
    }

private:
    void pass(const httplib::Request& req, httplib::Response& res)
    {
        const std::string method = req.path.substr(req.path.rfind('/') + 1);
        httplib::Headers headers;
        for (const auto& [name, value] : req.headers)
            if (name.rfind("X-", 0) == 0 || name == "Authorization")
                headers.emplace(name, value);
        httplib::Client server("127.0.0.1", serverPort_);
        const auto answer = server.Post(req.path, headers, req.body, "application/json");
        if (!answer) {
            res.status = 502;
            return;
        }
        res.status = answer->status;
        res.set_content(answer->status == 200 ? tamper(method, answer->body) : answer->body, "application/json");
    }

    std::string tamper(const std::string& method, const std::string& body)
    {
        std::lock_guard lock(mutex_);
        if (!tampered_.empty()) {
            after_.push_back(method);
            return body;
        }
        nlohmann::json packet = nlohmann::json::parse(body, nullptr, false);
        if (method != method_ || !packet.is_object() || !packet.contains("fields") || --left_ != 0)
            return body;
        // A text one character longer than declared; where there is no text, a name changed.
        for (auto& field : packet["fields"])
            if (field.value("type", "") != "float" && field.value("size", 0) > 0) {
                field["size"] = field["size"].get<int>() + 1;
                tampered_ = field["name"].get<std::string>();
                return packet.dump();
            }
        auto& first = packet["fields"].at(0);
        tampered_ = first["name"].get<std::string>();
        first["name"] = tampered_ + "X";
        return packet.dump();
    }

    int serverPort_;
    httplib::Server peer_;
    int port_ = 0;
    std::thread thread_;
    mutable std::mutex mutex_;
    std::string method_;
    int left_ = 0;
    std::string tampered_;
    std::vector<std::string> after_;
};

/// The packet changed on a road: the @p occurrence th answer of @p method once the road runs.
struct Case {
    const char* road;
    const char* method;
    int occurrence;
};

void PrintTo(const Case& c, std::ostream* os)
{
    *os << c.road << " " << c.method << " #" << c.occurrence;
}

// Every method whose packet the screen loads, on a road that reads it; the
// group list also where it is read again after a write and before a close.
const Case kCases[] = {
    {"LeaveTheFilter", "GetPesqClie", 1},
    {"LeaveTheFilter", "GetGrupServ", 1},
    {"LeaveTheFilter", "GetServClie", 1},
    {"LeaveTheFilter", "GetCorrPrecGrup", 1},
    {"LeaveTheFilter", "GetParamFilial", 1},
    {"PostANewGroup", "GetVerifGrupServ", 1},
    {"PostAService", "GetPesqServ", 1},
    {"PostAService", "GetVerifServ", 1},
    {"PostAService", "GetGrupServ", 1},
    {"PostAnInterval", "GetIntervMaior", 1},
    {"Close", "GetGrupServ", 1},
};

const ScreenRoad& roadNamed(const std::string& name)
{
    for (const ScreenRoad& road : gsf::test::screenRoads())
        if (name == road.name)
            return road;
    throw std::logic_error("no road " + name);
}

class WrongLayout : public ::testing::TestWithParam<Case> {};

TEST_P(WrongLayout, ThePacketIsRefusedNamingTheFieldAndNothingIsWrittenAfter)
{
    const Case& c = GetParam();
    const ScreenRoad& road = roadNamed(c.road);
    ScreenFixture s;
    TamperingPeer peer(s.server.port());
    host::hostContext().serverPort = peer.port();
    s.form().netGrupServFat.Close();
    s.form().netGrupServFat.Open();
    ASSERT_TRUE(road.prepare(s.act(), s.person)) << s.lastError();
    ASSERT_TRUE(s.errors.empty()) << s.lastError();

    peer.tamper(c.method, c.occurrence);
    road.run(s.act(), s.person);
    const std::string field = peer.tampered();
    ASSERT_FALSE(field.empty()) << c.method << " was not read " << c.occurrence << " time(s)";
    ASSERT_FALSE(s.errors.empty()) << field << " accepted";
    EXPECT_EQ(s.errors.front().rfind("Campo \"" + field + "\" ", 0), 0u) << s.errors.front();
    EXPECT_NE(s.errors.front().find("no pacote de dados"), std::string::npos) << s.errors.front();
    EXPECT_EQ(s.errors.size(), 1u) << s.lastError();
    EXPECT_FALSE(s.person.progressVisible());
    for (const std::string& call : peer.callsAfter())
        EXPECT_EQ(call.rfind("Get", 0), 0u) << call << " sent after the refusal";
    // The kept-alive connection ends here, not when the peer gives up waiting on it.
    s.form().netGrupServFat.Close();
}

INSTANTIATE_TEST_SUITE_P(Packets, WrongLayout, ::testing::ValuesIn(kCases),
                         [](const ::testing::TestParamInfo<Case>& c) {
                             return std::string(c.param.road) + "_" + c.param.method;
                         });

} // namespace
} // namespace gsf::screen::test
