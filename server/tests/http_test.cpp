#include "server/storage.h"
#include "tests/support/server_fixture.h"

#include <gtest/gtest.h>
#include <httplib.h>
#include <nlohmann/json.hpp>

#include <set>
#include <thread>

namespace {

using Json = nlohmann::json;

std::string snapshot(gsf::server::Storage& s)
{
    return encodePacket(s.GetGrupServ("0001", "000002")) + encodePacket(s.GetServClie("0001", "000002", "001")) +
           encodePacket(s.GetCorrPrecGrup("0001", "000002", "001")) + encodePacket(s.GetPesqClie("", "0001"));
}

class HttpTest : public ::testing::Test {
protected:
    HttpTest() : client_(server_.host(), server_.port()) { client_.set_tcp_nodelay(true); }

    httplib::Result post(const std::string& method, const std::string& body)
    {
        return client_.Post(("/Vex04120.rdmGrupServFat/" + method).c_str(), body, "application/json");
    }

    gsf::test::ServerFixture server_;
    httplib::Client client_;
};

struct BadCase {
    const char* method;
    std::string body;
    int status;
    const char* message;
};

TEST_F(HttpTest, BadRequestsAreRefusedClearlyAndChangeNothing)
{
    const std::string before = snapshot(server_.storage());
    const std::string hugeDescription(200, 'x');
    const std::vector<BadCase> cases = {
        {"GetGrupServ", R"({"args": ["0001"]})", 400, "O método GetGrupServ espera 2 argumentos e recebeu 1."},
        {"GetGrupServ", R"({"args": ["0001", "000002", "x"]})", 400, "espera 2 argumentos e recebeu 3"},
        {"GetGrupServ", R"({"args": ["00001", "000002"]})", 400,
         "Argumento 1 (filial) inválido: no máximo 4 caracteres."},
        {"GetPesqClie", R"({"args": ["", "0001"]})", 200, ""},
        {"GetPesqClie", R"({"args": ["", 1]})", 400, "Argumento 2 (filial) inválido: deve ser um texto."},
        {"GetPesqClie", R"({"args": ["529.982.247-25", "0001"]})", 400,
         "Argumento 1 (inscrição) inválido: use apenas letras e dígitos."},
        {"GetServClie", R"({"args": ["0001", "000002", "ABCD"]})", 400, "Argumento 3 (grupo) inválido"},
        {"GetServClie", R"({"args": ["0001", "000002", "a\u0001"]})", 400, "caracteres de controle"},
        {"GetPesqServ", R"({"args": ["0001", "000002", "0001A"]})", 400,
         "Argumento 3 (serviço) inválido: use apenas dígitos e espaços."},
        {"GetGrupServ", R"({"args": ["0001", "0000000000000000000002"]})", 400,
         "Argumento 2 (cliente) inválido: no máximo 21 caracteres."},
        {"ProDelServ", R"({"args": ["0001", "000002", null]})", 400, "deve ser um texto"},
        {"ProDelServ", R"({"args": ["0001'; DELETE FROM GRUPSERVFAT; --", "000002", "001"]})", 400, "filial"},
        {"GetGrupServ", R"({"args": ["0001", "000002"])", 400, "JSON malformado"},
        {"GetGrupServ", R"(["0001", "000002"])", 400, "\"args\""},
        {"UpdGrupServ", R"({"args": ["texto"]})", 400, "Argumento 1 (delta) inválido: deve ser um objeto."},
        {"UpdGrupServ", R"({"args": [{"fields": 3}]})", 400, "Argumento 1 (delta) inválido"},
        {"UpdGrupServ",
         R"({"args": [{"fields": [{"name": "CDFILIAL", "type": "string", "size": 4}], "changes": [{"op": "insert", "new": ["0001"]}]}]})",
         400, "falta o campo CDCLIENTE"},
        {"UpdGrupServ",
         R"({"args": [{"fields": [{"name": "CDFILIAL", "type": "string", "size": 4}, {"name": "CDCLIENTE", "type": "string", "size": 21}, {"name": "CDGRSERVFAT", "type": "string", "size": 3}, {"name": "DSGRSERVFAT", "type": "string", "size": 200}], "changes": [{"op": "insert", "new": ["0001", "000002", "009", ")" +
             hugeDescription + R"("]}]}]})",
         400, "DSGRSERVFAT tem no máximo 30 caracteres"},
        {"NaoExiste", R"({"args": []})", 404, "Método desconhecido: NaoExiste."},
    };
    for (const auto& c : cases) {
        const auto res = post(c.method, c.body);
        ASSERT_TRUE(res) << httplib::to_string(res.error());
        EXPECT_EQ(res->status, c.status) << c.method << " " << c.body << " -> " << res->body;
        if (c.status != 200) {
            const auto reply = Json::parse(res->body);
            EXPECT_NE(reply["error"]["message"].get<std::string>().find(c.message), std::string::npos) << reply.dump();
        }
    }
    EXPECT_EQ(snapshot(server_.storage()), before);
}

TEST_F(HttpTest, OversizedBodyIsRefused)
{
    const std::string before = snapshot(server_.storage());
    const auto res = post("UpdGrupServ", "{\"args\": [\"" + std::string(1024 * 1024 + 10, 'a') + "\"]}");
    ASSERT_TRUE(res) << httplib::to_string(res.error());
    EXPECT_EQ(res->status, 413);
    EXPECT_NE(res->body.find("1 MiB"), std::string::npos) << res->body;
    EXPECT_EQ(snapshot(server_.storage()), before);
}

TEST_F(HttpTest, MetacharactersTravelVerbatim)
{
    const std::string delta =
        R"({"args": [{"fields": [{"name": "CDFILIAL", "type": "string", "size": 4}, {"name": "CDCLIENTE", "type": "string", "size": 21}, {"name": "CDGRSERVFAT", "type": "string", "size": 3}, {"name": "DSGRSERVFAT", "type": "string", "size": 30}], "changes": [{"op": "insert", "new": ["0001", "000004", "%_'", "\"; DROP TABLE CLIENTE; -- \\ é"]}]}]})";
    const auto res = post("UpdGrupServ", delta);
    ASSERT_TRUE(res);
    ASSERT_EQ(res->status, 200) << res->body;
    EXPECT_EQ(res->body, "{}");
    const auto groups = post("GetGrupServ", R"({"args": ["0001", "000004"]})");
    const auto packet = gsf::data::decodePacket(groups->body);
    ASSERT_EQ(packet.rows.size(), 1u);
    EXPECT_EQ(std::get<std::string>(packet.rows[0][2]), "%_'");
    EXPECT_EQ(std::get<std::string>(packet.rows[0][3]), "\"; DROP TABLE CLIENTE; -- \\ é");
    EXPECT_TRUE(post("GetVerifGrupServ", R"({"args": ["0001", "000004", "%__"]})")->body.find("\"rows\":[]") !=
                std::string::npos);
}

TEST_F(HttpTest, HealthLogAndInjectedFailure)
{
    const auto health = client_.Get("/health");
    ASSERT_TRUE(health);
    EXPECT_EQ(health->status, 200);

    server_.failOnce("GetParamFilial", "Falha simulada.");
    const auto failed = post("GetParamFilial", R"({"args": ["0001"]})");
    ASSERT_TRUE(failed);
    EXPECT_EQ(failed->status, 500);
    EXPECT_EQ(Json::parse(failed->body)["error"]["message"], "Falha simulada.");
    EXPECT_EQ(post("GetParamFilial", R"({"args": ["0001"]})")->status, 200);

    // The line is written once the response is out: wait for it, briefly.
    auto lines = server_.logLines();
    for (int i = 0; i < 200 && lines.size() < 3; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
        lines = server_.logLines();
    }
    ASSERT_EQ(lines.size(), 3u);
    // A failed request may close the connection, so lines of consecutive calls can come in any order.
    std::multiset<std::pair<std::string, int>> seen;
    for (const auto& line : lines) {
        const auto entry = Json::parse(line);
        EXPECT_TRUE(entry["ms"].is_number()) << line;
        seen.insert({entry["method"].get<std::string>(), entry["status"].get<int>()});
    }
    EXPECT_EQ(seen, (std::multiset<std::pair<std::string, int>>{
                        {"health", 200}, {"GetParamFilial", 500}, {"GetParamFilial", 200}}));
}

TEST(HttpToken, RequestsWithoutTheTokenAreRefused)
{
    gsf::test::ServerFixture server("s3gredo");
    httplib::Client client(server.host(), server.port());
    const std::string body = R"({"args": ["0001"]})";
    const auto path = "/Vex04120.rdmGrupServFat/GetParamFilial";
    const auto none = client.Post(path, body, "application/json");
    ASSERT_TRUE(none);
    EXPECT_EQ(none->status, 401);
    EXPECT_NE(none->body.find("não autorizado"), std::string::npos);
    client.set_bearer_token_auth("errado");
    EXPECT_EQ(client.Post(path, body, "application/json")->status, 401);
    client.set_bearer_token_auth("s3gredo");
    EXPECT_EQ(client.Post(path, body, "application/json")->status, 200);
}

} // namespace
