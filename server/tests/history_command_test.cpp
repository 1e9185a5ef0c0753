// Who the change history names for calls over HTTP (the user name header,
// the token's name), and grupservfat-server history.

#include "server/history.h"
#include "server/in_process_server.h"
#include "server/tests/command_run.h"

#include <gmock/gmock.h>
#include <httplib.h>

namespace {

using gsf::server::testing::CommandRun;
using ::testing::HasSubstr;
using ::testing::Not;

CommandRun history(const std::string& arguments)
{
    return gsf::server::testing::runCommand(std::string(GSF_SERVER_EXE) + " history " + arguments + " 2>&1");
}

class HistoryOverHttp : public ::testing::Test {
protected:
    static gsf::server::ServerOptions options()
    {
        gsf::server::ServerOptions o;
        o.tokens = {{"caixa-1", "segredo-um"}, {"fiscal", "segredo-dois"}};
        o.log = [](const std::string&) {};
        return o;
    }

    int post(const std::string& token, const httplib::Headers& headers, const std::string& method,
             const std::string& args)
    {
        httplib::Client client(server_.Host(), server_.Port());
        client.set_bearer_token_auth(token);
        const auto res = client.Post("/Vex04120.rdmGrupServFat/" + method, headers, args, "application/json");
        return res ? res->status : -1;
    }

    std::vector<gsf::server::history::Entry> rows()
    {
        return gsf::server::history::entries(*gsf::sql::openDatabase(server_.DatabasePath()), {});
    }

    gsf::server::InProcessServer server_{options(), "gsf-history"};
};

TEST_F(HistoryOverHttp, TheUserNameSentAndTheTokensNameAreRecorded)
{
    ASSERT_EQ(post("segredo-um", {{"X-Gsf-User", "Jo%C3%A3o%20da%20Silva"}}, "ProLimpaServ",
                   R"({"args":["0001","000002","001"]})"),
              200);
    ASSERT_EQ(post("segredo-dois", {}, "ProLimpaServ", R"({"args":["0001","000002","002"]})"), 200);
    // A control character or a byte that is not UTF-8 (here an overlong
    // "/") a decoded name would carry is replaced; a name longer than 200
    // characters is cut at a character's boundary.
    std::string longName;
    for (int i = 0; i < 150; ++i)
        longName += "%C3%A9"; // é
    longName += std::string(100, 'x');
    ASSERT_EQ(
        post("segredo-um", {{"X-Gsf-User", "ana%0Aroot%C0%AF"}}, "ProLimpaServ", R"({"args":["0001","000003","A1"]})"),
        200);
    ASSERT_EQ(post("segredo-um", {{"X-Gsf-User", longName}}, "ProDelServ", R"({"args":["0001","000002","001"]})"), 200);
    ASSERT_EQ(post("errado", {{"X-Gsf-User", "intruso"}}, "ProDelServ", R"({"args":["0001","000002","002"]})"), 401);

    const auto all = rows();
    ASSERT_EQ(all.size(), 8u);
    for (size_t i = 0; i < 2; ++i) {
        EXPECT_EQ(all[i].user, "João da Silva");
        EXPECT_EQ(all[i].token, "caixa-1");
    }
    for (size_t i = 2; i < 4; ++i) {
        EXPECT_EQ(all[i].user, "");
        EXPECT_EQ(all[i].token, "fiscal");
    }
    EXPECT_EQ(all[4].user, "ana?root??");
    for (size_t i = 6; i < 8; ++i) {
        std::string expected;
        for (int k = 0; k < 150; ++k)
            expected += "é";
        expected += std::string(50, 'x');
        EXPECT_EQ(all[i].user, expected);
    }
}

TEST_F(HistoryOverHttp, ACallSentAgainWithItsRequestIdIsRecordedOnce)
{
    const httplib::Headers first = {{"X-Request-Id", "pedido-0001"}, {"X-Gsf-User", "maria"}};
    const std::string toSecond = R"({"args":["0001","000002","001","00020"]})";
    ASSERT_EQ(post("segredo-um", first, "ProAtualizaServ", toSecond), 200);
    ASSERT_EQ(post("segredo-um", {{"X-Request-Id", "pedido-0002"}}, "ProAtualizaServ",
                   R"({"args":["0001","000002","001","00010"]})"),
              200);
    ASSERT_EQ(rows().size(), 6u);
    // Applied again, the first call would move the correction back and leave three rows more.
    ASSERT_EQ(post("segredo-um", first, "ProAtualizaServ", toSecond), 200);
    const auto all = rows();
    ASSERT_EQ(all.size(), 6u);
    for (size_t i = 0; i < 3; ++i)
        EXPECT_EQ(all[i].requestId, "pedido-0001");
    for (size_t i = 3; i < 6; ++i)
        EXPECT_EQ(all[i].requestId, "pedido-0002");
}

TEST_F(HistoryOverHttp, TheCommandListsFiltersAndWritesCsv)
{
    ASSERT_EQ(
        post("segredo-um", {{"X-Gsf-User", "maria"}}, "ProAtualizaServ", R"({"args":["0001","000002","001","00020"]})"),
        200);
    ASSERT_EQ(post("segredo-dois", {{"X-Gsf-User", "jose"}}, "ProDelServ", R"({"args":["0001","000002","002"]})"), 200);
    const std::string db = " --sqlite " + server_.DatabasePath();

    const CommandRun all = history(db);
    ASSERT_EQ(all.status, 0) << all.output;
    EXPECT_THAT(all.output, HasSubstr("Data e hora (UTC)"));
    EXPECT_THAT(all.output, HasSubstr("maria    caixa-1  ProAtualizaServ  alteração  GRUPSERVFAT"));
    EXPECT_THAT(all.output, HasSubstr("CDSERAJEFEGSF: 00010 → 00020"));
    EXPECT_THAT(all.output, HasSubstr("jose     fiscal   ProDelServ       exclusão   SERVGRUPFAT"));
    EXPECT_THAT(all.output, HasSubstr("6 alterações."));

    const CommandRun group = history(db + " --branch 0001 --client 000002 --group 002");
    EXPECT_THAT(group.output, Not(HasSubstr("maria")));
    EXPECT_THAT(group.output, HasSubstr("3 alterações."));
    EXPECT_THAT(history(db + " --since 2999-01-01").output, HasSubstr("Nenhuma alteração registrada."));
    EXPECT_THAT(history(db + " --since 01/01/2000 --group 001").output, HasSubstr("3 alterações."));

    const CommandRun csv = history(db + " --csv --group 001");
    ASSERT_EQ(csv.status, 0);
    EXPECT_EQ(std::count(csv.output.begin(), csv.output.end(), '\n'), 4);
    EXPECT_THAT(csv.output, HasSubstr(",maria,caixa-1,,ProAtualizaServ,alteração,GRUPSERVFAT,0001,000002,001,"));
    EXPECT_THAT(csv.output, HasSubstr(R"(""CDSERAJEFEGSF"":""00020"")"));

    const CommandRun badDate = history(db + " --since ontem");
    EXPECT_EQ(badDate.status, 2);
    EXPECT_THAT(badDate.output, HasSubstr("data inválida em --since: ontem"));
    EXPECT_EQ(history(db + " --port 1").status, 2);
    EXPECT_EQ(history(db + " extra").status, 2);
    const CommandRun missing = history("--sqlite /nonexistent/x.db");
    EXPECT_EQ(missing.status, 2);
    EXPECT_THAT(missing.output, HasSubstr("banco de dados não encontrado"));
}

} // namespace
