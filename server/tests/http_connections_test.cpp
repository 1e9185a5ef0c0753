// The real server against connections that idle, stall, half-close, send
// garbage or too much: none of them may keep another client waiting.

#include "server/in_process_server.h"
#include "server/tests/http_wire.h"

#include <gtest/gtest.h>
#include <httplib.h>
#include <nlohmann/json.hpp>

#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace {

using gsf::server::InProcessServer;
using gsf::server::ServerOptions;
using gsf::test::call;
using gsf::test::Wire;
using Json = nlohmann::json;
using namespace std::chrono_literals;

const std::string kParams = R"({"args":["0001"]})";
const std::string kGroups = R"({"args":["0001","000002"]})";
const std::string kHalfHead = "POST /Vex04120.rdmGrupServFat/GetGrupServ HTTP/1.1\r\nHost: 127.0.0.1\r\nContent-";

std::string message(const gsf::test::WireResponse& response)
{
    return Json::parse(response.body)["error"]["message"].get<std::string>();
}

// A server whose log lines are kept for the test.
class Server {
public:
    explicit Server(ServerOptions options = {})
    {
        options.log = [this](const std::string& line) {
            std::lock_guard lock(mutex_);
            lines_.push_back(line);
        };
        server_ = std::make_unique<InProcessServer>(std::move(options), "gsf-http");
    }
    int port() const { return server_->Port(); }
    // The lines so far, once there are @p atLeast: a line is written once
    // its answer is out, so it may come just after the answer is read.
    std::vector<Json> log(size_t atLeast = 0)
    {
        for (int i = 0; i < 200; ++i) {
            {
                std::lock_guard lock(mutex_);
                if (lines_.size() >= atLeast) {
                    std::vector<Json> entries;
                    for (const auto& line : lines_)
                        entries.push_back(Json::parse(line));
                    return entries;
                }
            }
            std::this_thread::sleep_for(10ms);
        }
        return {};
    }
    void stop() { server_.reset(); }

private:
    std::mutex mutex_;
    std::vector<std::string> lines_;
    std::unique_ptr<InProcessServer> server_;
};

// The first call of a screen that opens now, as the screen's own connection makes it.
int firstCall(int port, std::chrono::milliseconds& took)
{
    const auto start = std::chrono::steady_clock::now();
    httplib::Client client("127.0.0.1", port);
    client.set_read_timeout(10, 0);
    const auto res = client.Post("/Vex04120.rdmGrupServFat/GetGrupServ", kGroups, "application/json");
    took = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start);
    return res ? res->status : -1;
}

TEST(HttpConnections, IdleAndStalledConnectionsLeaveNewScreensServed)
{
    gsf::test::allowDescriptors(4096);
    Server server;
    // Open screens: each made its calls and now keeps its connection.
    std::vector<std::unique_ptr<Wire>> idle;
    for (int i = 0; i < 300; ++i) {
        idle.push_back(std::make_unique<Wire>(server.port()));
        ASSERT_TRUE(idle.back()->send(call("GetParamFilial", kParams)));
        const auto answer = idle.back()->response();
        ASSERT_TRUE(answer) << "conexão " << i;
        ASSERT_EQ(answer->status, 200);
    }
    // Connections that send half a head and fall silent.
    std::vector<std::unique_ptr<Wire>> stalled;
    for (int i = 0; i < 50; ++i) {
        stalled.push_back(std::make_unique<Wire>(server.port()));
        ASSERT_TRUE(stalled.back()->send(kHalfHead));
    }
    for (int screen = 0; screen < 3; ++screen) {
        std::chrono::milliseconds took{};
        EXPECT_EQ(firstCall(server.port(), took), 200);
        EXPECT_LT(took, 1s) << "a nova tela esperou " << took.count() << " ms";
    }
    // The open screens still have their connections.
    for (size_t i = 0; i < idle.size(); i += 37) {
        ASSERT_TRUE(idle[i]->send(call("GetGrupServ", kGroups)));
        const auto answer = idle[i]->response();
        ASSERT_TRUE(answer) << "conexão " << i;
        EXPECT_EQ(answer->status, 200);
    }
}

TEST(HttpConnections, RequestFollowedByAHalfCloseIsAnswered)
{
    Server server;
    for (int i = 0; i < 50; ++i) {
        Wire wire(server.port());
        ASSERT_TRUE(wire.send(call(i % 2 ? "GetParamFilial" : "GetGrupServ", i % 2 ? kParams : kGroups)));
        wire.shutdownWrite();
        const auto answer = wire.response();
        ASSERT_TRUE(answer) << "pedido " << i << " sem resposta";
        EXPECT_EQ(answer->status, 200);
        EXPECT_TRUE(wire.closedWithin(2s));
    }
}

TEST(HttpConnections, BodyLimitHoldsHoweverTheBodyIsSent)
{
    ServerOptions options;
    options.maxBodyBytes = 64 * 1024;
    Server server(options);

    // Chunked, past the limit and then silent: refused while reading, the
    // rest never awaited.
    {
        Wire wire(server.port());
        ASSERT_TRUE(wire.send("POST /Vex04120.rdmGrupServFat/UpdGrupServ HTTP/1.1\r\nHost: 127.0.0.1\r\n"
                              "Transfer-Encoding: chunked\r\n\r\n"));
        const std::string chunk = "2000\r\n" + std::string(0x2000, ' ') + "\r\n";
        for (int i = 0; i < 9; ++i)
            ASSERT_TRUE(wire.send(chunk));
        const auto answer = wire.response(3s);
        ASSERT_TRUE(answer) << "o corpo em partes acima do limite ficou sem resposta";
        EXPECT_EQ(answer->status, 413);
        EXPECT_EQ(message(*answer), "Requisição grande demais: o limite é de 64 KiB.");
        EXPECT_EQ(answer->headers.at("connection"), "close");
    }
    // A declared length past the limit is refused before the body comes.
    {
        Wire wire(server.port());
        ASSERT_TRUE(wire.send("POST /Vex04120.rdmGrupServFat/UpdGrupServ HTTP/1.1\r\nHost: 127.0.0.1\r\n"
                              "Content-Length: 70000\r\n\r\n"));
        const auto answer = wire.response(3s);
        ASSERT_TRUE(answer);
        EXPECT_EQ(answer->status, 413);
        EXPECT_NE(message(*answer).find("64 KiB"), std::string::npos);
    }
    // Chunked within the limit is a call like any other.
    {
        Wire wire(server.port());
        ASSERT_TRUE(wire.send("POST /Vex04120.rdmGrupServFat/GetParamFilial HTTP/1.1\r\nHost: 127.0.0.1\r\n"
                              "Transfer-Encoding: chunked\r\n\r\n6\r\n{\"args\r\nb\r\n\":[\"0001\"]}\r\n0\r\n\r\n"));
        const auto answer = wire.response();
        ASSERT_TRUE(answer);
        EXPECT_EQ(answer->status, 200) << answer->body;
        EXPECT_NE(answer->body.find("EXCDIA=1;TABCORR=2"), std::string::npos);
    }
}

// A client may send its head in pieces (a line per write, or split wherever
// the network splits it): the pieces make one request.
TEST(HttpConnections, AHeadThatArrivesInPiecesIsOneRequest)
{
    Server server;
    const std::string head = "GET /health HTTP/1.1\r\nHost: 127.0.0.1\r\nConnection: close\r\n\r\n";
    const std::vector<std::vector<size_t>> cuts = {
        {22, 39, 58}, // after each line
        {25},         // inside a header line
        {3, 12, 24},  // inside the request line, then inside a header
    };
    for (const auto& at : cuts) {
        Wire wire(server.port());
        size_t from = 0;
        for (const size_t to : at) {
            ASSERT_TRUE(wire.send(head.substr(from, to - from)));
            std::this_thread::sleep_for(30ms); // each piece read on its own
            from = to;
        }
        ASSERT_TRUE(wire.send(head.substr(from)));
        const auto answer = wire.response(3s);
        ASSERT_TRUE(answer) << "cortes a partir de " << at.front();
        EXPECT_EQ(answer->status, 200) << answer->body;
    }
}

TEST(HttpConnections, MalformedRequestsAreAnsweredAtOnce)
{
    ServerOptions options;
    options.readTimeout = 30s; // a wait for the deadline would show
    Server server(options);

    for (const std::string garbage :
         {"hello world\r\n", "GET /health\r\n", "GET /health HTTP/1.1 x\r\n", "G\"T / HTTP/1.1\r\n"}) {
        Wire wire(server.port());
        ASSERT_TRUE(wire.send(garbage));
        const auto answer = wire.response(3s);
        ASSERT_TRUE(answer) << "sem resposta imediata para " << garbage;
        EXPECT_EQ(answer->status, 400);
        EXPECT_EQ(message(*answer), "Requisição inválida: linha de requisição malformada.");
        EXPECT_TRUE(wire.closedWithin(3s));
    }
    // A TLS hello gets no HTTP answer: the connection closes.
    {
        Wire wire(server.port());
        ASSERT_TRUE(wire.send(std::string("\x16\x03\x01\x02\x00\x01\x00\x01\xfc\x03\x03", 11)));
        EXPECT_FALSE(wire.response(3s));
        EXPECT_TRUE(wire.closedWithin(1s));
    }
    // A path or header that is not UTF-8 is refused; the connection stays in step.
    {
        Wire wire(server.port());
        ASSERT_TRUE(wire.send(gsf::test::request("POST", "/Vex04120.rdmGrupServFat/Get%FFServ", kGroups)));
        auto answer = wire.response();
        ASSERT_TRUE(answer);
        EXPECT_EQ(answer->status, 400);
        EXPECT_NE(message(*answer).find("UTF-8"), std::string::npos);
        ASSERT_TRUE(wire.send(call("GetParamFilial", kParams, "X-Nome: Jo\xE3o\r\n")));
        answer = wire.response();
        ASSERT_TRUE(answer);
        EXPECT_EQ(answer->status, 400);
        ASSERT_TRUE(wire.send(call("GetParamFilial", kParams, "X-Nome: Jo\xC3\xA3o\r\n")));
        answer = wire.response();
        ASSERT_TRUE(answer);
        EXPECT_EQ(answer->status, 200);
    }
    // Every line was logged as valid JSON, the bad path's bytes replaced.
    const auto log = server.log(8);
    ASSERT_FALSE(log.empty());
    for (const auto& entry : log)
        EXPECT_EQ(entry["remote"], "127.0.0.1");
}

TEST(HttpConnections, RefusedRequestWithALateBodyKeepsTheConnectionInStep)
{
    ServerOptions options;
    options.token = "s3gredo";
    Server server(options);
    Wire wire(server.port());
    const std::string refused = call("GetParamFilial", kParams, "Authorization: Bearer errado\r\n");
    const size_t head = refused.find("\r\n\r\n") + 4;
    ASSERT_TRUE(wire.send(refused.substr(0, head)));
    std::this_thread::sleep_for(300ms);
    ASSERT_TRUE(wire.send(refused.substr(head)));
    auto answer = wire.response();
    ASSERT_TRUE(answer);
    EXPECT_EQ(answer->status, 401);
    EXPECT_EQ(message(*answer), "Acesso não autorizado: informe a chave de acesso do servidor.");

    ASSERT_TRUE(wire.send(call("GetParamFilial", kParams, "Authorization: Bearer s3gredo\r\n")));
    answer = wire.response();
    ASSERT_TRUE(answer);
    EXPECT_EQ(answer->status, 200) << answer->body;
    EXPECT_NE(answer->body.find("EXCDIA=1;TABCORR=2"), std::string::npos);

    // One line per request, each with its own time and the client's address.
    const auto log = server.log(2);
    ASSERT_EQ(log.size(), 2u);
    EXPECT_EQ(log[0]["status"], 401);
    EXPECT_EQ(log[0]["method"], "GetParamFilial");
    EXPECT_GE(log[0]["ms"].get<double>(), 250.0);
    EXPECT_EQ(log[1]["status"], 200);
    EXPECT_LT(log[1]["ms"].get<double>(), 250.0);
    for (const auto& entry : log)
        EXPECT_EQ(entry["remote"], "127.0.0.1");
}

TEST(HttpConnections, ConnectionsPastTheCapAreToldSo)
{
    ServerOptions options;
    options.maxConnections = 4;
    Server server(options);
    std::vector<std::unique_ptr<Wire>> open;
    for (int i = 0; i < 4; ++i) {
        open.push_back(std::make_unique<Wire>(server.port()));
        ASSERT_TRUE(open.back()->send(call("GetParamFilial", kParams)));
        ASSERT_TRUE(open.back()->response());
    }
    {
        Wire extra(server.port());
        ASSERT_TRUE(extra.send(call("GetParamFilial", kParams)));
        const auto answer = extra.response();
        ASSERT_TRUE(answer);
        EXPECT_EQ(answer->status, 503);
        EXPECT_EQ(message(*answer),
                  "O servidor de aplicação está com o máximo de 4 conexões abertas. Tente novamente em instantes.");
        EXPECT_TRUE(extra.closedWithin(3s));
    }
    // A connection that closes makes room for the next.
    open.pop_back();
    int status = 0;
    for (int attempt = 0; attempt < 50 && status != 200; ++attempt) {
        Wire next(server.port());
        if (next.send(call("GetParamFilial", kParams)))
            if (const auto answer = next.response())
                status = answer->status;
        if (status != 200)
            std::this_thread::sleep_for(20ms);
    }
    EXPECT_EQ(status, 200);
}

TEST(HttpConnections, DeadlinesCloseStalledAndLongIdleConnections)
{
    ServerOptions options;
    options.readTimeout = 1s;
    options.keepAliveTimeout = 3s;
    Server server(options);
    Wire stalled(server.port());
    ASSERT_TRUE(stalled.send(kHalfHead));
    Wire active(server.port());
    Wire forgotten(server.port());
    for (Wire* wire : {&active, &forgotten}) {
        ASSERT_TRUE(wire->send(call("GetParamFilial", kParams)));
        ASSERT_TRUE(wire->response());
    }
    EXPECT_TRUE(stalled.closedWithin(2500ms)) << "o pedido parado passou do prazo";
    // Idle past the request deadline: still open, the idle time is another limit.
    std::this_thread::sleep_for(500ms);
    ASSERT_TRUE(active.send(call("GetParamFilial", kParams)));
    const auto answer = active.response();
    ASSERT_TRUE(answer);
    EXPECT_EQ(answer->status, 200);
    EXPECT_TRUE(forgotten.closedWithin(4s)) << "a conexão ociosa passou do tempo ocioso";

    bool timedOut = false;
    for (const auto& entry : server.log(4))
        timedOut = timedOut || (entry["status"] == 408 && entry["http"] == "");
    EXPECT_TRUE(timedOut) << "o pedido parado não foi registrado";
}

TEST(HttpConnections, StopIsPromptWhileConnectionsAreOpen)
{
    Server server;
    std::vector<std::unique_ptr<Wire>> wires;
    for (int i = 0; i < 100; ++i) {
        wires.push_back(std::make_unique<Wire>(server.port()));
        if (i % 4 == 0) {
            ASSERT_TRUE(wires.back()->send(kHalfHead));
        } else {
            ASSERT_TRUE(wires.back()->send(call("GetParamFilial", kParams)));
            ASSERT_TRUE(wires.back()->response());
        }
    }
    const auto start = std::chrono::steady_clock::now();
    server.stop();
    EXPECT_LT(std::chrono::steady_clock::now() - start, 2s);
    for (auto& wire : wires)
        EXPECT_TRUE(wire->closedWithin(1s));
}

} // namespace
