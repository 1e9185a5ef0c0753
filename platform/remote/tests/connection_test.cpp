#include "platform/remote/connection.h"
#include "records/remote_module.h"
#include "tests/support/server_fixture.h"
#include "tests/support/server_process.h"

#include <gtest/gtest.h>

namespace {

using gsf::remote::RemoteConnection;

void connectTo(RemoteConnection& net, const gsf::test::ServerFixture& server)
{
    net.ServerName = gsf::records::kModuleName;
    net.BeforeConnect = [&server](RemoteConnection& c) {
        c.Host = server.host();
        c.Port = server.port();
    };
    net.Open();
}

TEST(RemoteConnection, UnreachableServerIsAFailedResult)
{
    RemoteConnection net;
    net.ServerName = gsf::records::kModuleName;
    const int port = gsf::test::unusedLoopbackPort();
    net.BeforeConnect = [port](RemoteConnection& c) {
        c.Host = "127.0.0.1";
        c.Port = port;
    };
    net.Timeout = std::chrono::seconds(2);
    net.Open();
    EXPECT_TRUE(net.Connected());
    gsf::remote::CallResult result;
    EXPECT_NO_THROW(result = net.Call("GetGrupServ", {"0001", "000002"}));
    EXPECT_FALSE(result.ok);
    EXPECT_EQ(result.errorCode, "unavailable");
    const std::string prefix = "Servidor de aplicação indisponível em 127.0.0.1:" + std::to_string(port) + ": ";
    EXPECT_EQ(result.message.substr(0, prefix.size()), prefix) << result.message;
    EXPECT_GT(result.message.size(), prefix.size());
}

TEST(RemoteConnection, CallWhileClosedFailsCleanly)
{
    RemoteConnection net;
    net.ServerName = gsf::records::kModuleName;
    net.Host = "127.0.0.1";
    net.Port = 1;
    const auto result = net.Call("GetParamFilial", {"0001"});
    EXPECT_FALSE(result.ok);
    EXPECT_EQ(result.message, "Servidor de aplicação indisponível em 127.0.0.1:1: a conexão não está aberta.");
}

TEST(RemoteConnection, CallsReachTheServerAndAreLoggedInOrder)
{
    gsf::test::ServerFixture server;
    RemoteConnection net;
    net.ServerName = gsf::records::kModuleName;
    int connects = 0;
    net.BeforeConnect = [&](RemoteConnection& c) {
        ++connects;
        c.Host = server.host();
        c.Port = server.port();
    };
    net.Open();
    const auto groups = net.Call("GetGrupServ", {"0001", "000002"});
    ASSERT_TRUE(groups.ok) << groups.message;
    const auto packet = gsf::data::decodePacket(groups.body);
    EXPECT_EQ(packet.rows.size(), 3u);

    auto row = packet.rows[2];
    row[3] = std::string("Recepção e portaria");
    gsf::data::Delta delta{packet.fields, {{gsf::data::ChangeKind::Update, packet.rows[2], row}}};
    const auto update = net.Call("UpdGrupServ", delta);
    ASSERT_TRUE(update.ok) << update.message;
    EXPECT_EQ(update.body, "{}");

    const auto refused = net.Call("GetGrupServ", {"00001", "000002"});
    EXPECT_FALSE(refused.ok);
    EXPECT_EQ(refused.errorCode, "bad_request");
    EXPECT_EQ(refused.message, "Argumento 1 (filial) inválido: no máximo 4 caracteres.");

    const auto log = net.CallLog();
    ASSERT_EQ(log.size(), 3u);
    EXPECT_EQ(log[0].method, "GetGrupServ");
    EXPECT_EQ(log[0].args, (std::vector<std::string>{"0001", "000002"}));
    EXPECT_EQ(log[1].method, "UpdGrupServ");
    EXPECT_EQ(log[1].args, (std::vector<std::string>{"<delta: 1 alterações>"}));
    EXPECT_EQ(log[2].args[0], "00001");
    net.ClearCallLog();
    EXPECT_TRUE(net.CallLog().empty());

    // Reconnecting runs the before-connect event again.
    net.Close();
    EXPECT_FALSE(net.Connected());
    net.SetConnected(true);
    EXPECT_EQ(connects, 2);
    EXPECT_TRUE(net.Call("GetParamFilial", {"0001"}).ok);
}

TEST(RemoteConnection, InjectedFailureComesBackOnce)
{
    gsf::test::ServerFixture server;
    RemoteConnection net;
    net.ServerName = gsf::records::kModuleName;
    connectTo(net, server);
    server.failOnce("ProLimpaServ", "Falha simulada no servidor.");
    const auto failed = net.Call("ProLimpaServ", {"0001", "000002", "001"});
    EXPECT_FALSE(failed.ok);
    EXPECT_EQ(failed.message, "Falha simulada no servidor.");
    EXPECT_TRUE(net.Call("ProLimpaServ", {"0001", "000002", "001"}).ok);
}

TEST(RemoteConnection, SecondUpdateOfTheSameGroupConflicts)
{
    gsf::test::ServerFixture server;
    RemoteConnection first, second;
    connectTo(first, server);
    connectTo(second, server);
    const auto a = gsf::data::decodePacket(first.Call("GetGrupServ", {"0001", "000002"}).body);
    const auto b = gsf::data::decodePacket(second.Call("GetGrupServ", {"0001", "000002"}).body);

    auto mine = a.rows[0];
    mine[4] = 5.0;
    ASSERT_TRUE(
        first.Call("UpdGrupServ", gsf::data::Delta{a.fields, {{gsf::data::ChangeKind::Update, a.rows[0], mine}}}).ok);

    // The second client edits two groups, one of them the group the first changed.
    auto theirs0 = b.rows[0];
    theirs0[3] = std::string("Outra descrição");
    auto theirs1 = b.rows[1];
    theirs1[3] = std::string("Também mudou");
    const gsf::data::Delta stale{
        b.fields,
        {{gsf::data::ChangeKind::Update, b.rows[1], theirs1}, {gsf::data::ChangeKind::Update, b.rows[0], theirs0}}};
    const auto refused = second.Call("UpdGrupServ", stale);
    EXPECT_FALSE(refused.ok);
    EXPECT_EQ(refused.errorCode, "conflict");
    EXPECT_EQ(refused.message,
              "O registro foi alterado ou excluído por outro usuário. Recarregue os dados e tente novamente.");

    const auto now = gsf::data::decodePacket(first.Call("GetGrupServ", {"0001", "000002"}).body);
    EXPECT_EQ(std::get<double>(now.rows[0][4]), 5.0);
    EXPECT_EQ(std::get<std::string>(now.rows[0][3]), "Vigilância");
    EXPECT_EQ(std::get<std::string>(now.rows[1][3]), "Limpeza e portaria");
}

TEST(RemoteConnection, BearerToken)
{
    gsf::test::ServerFixture server("chave-teste");
    RemoteConnection net;
    net.ServerName = gsf::records::kModuleName;
    connectTo(net, server);
    const auto refused = net.Call("GetParamFilial", {"0001"});
    EXPECT_FALSE(refused.ok);
    EXPECT_EQ(refused.errorCode, "unauthorized");
    net.Token = "chave-teste";
    net.Open();
    EXPECT_TRUE(net.Call("GetParamFilial", {"0001"}).ok);
}

} // namespace

namespace {

std::vector<std::string> firstArgs(const std::vector<gsf::remote::CallLogEntry>& log)
{
    std::vector<std::string> out;
    for (const auto& entry : log)
        out.push_back(entry.args.at(0));
    return out;
}

} // namespace

// Calls made while closed fail at once but are logged like any other: the
// bound is checked without a server.
TEST(RemoteConnection, CallLogKeepsOnlyTheLastCalls)
{
    RemoteConnection net;
    net.ServerName = gsf::records::kModuleName;
    EXPECT_EQ(net.CallLogLimit(), RemoteConnection::kDefaultCallLogLimit);
    net.SetCallLogLimit(3);
    for (int i = 1; i <= 5; ++i)
        net.Call("GetGrupServ", {std::to_string(i)});
    const auto log = net.CallLog();
    EXPECT_EQ(firstArgs(log), (std::vector<std::string>{"3", "4", "5"}));
    EXPECT_EQ(log.front().number, 3u);
    EXPECT_EQ(log.back().number, 5u);
    EXPECT_EQ(net.Stats().calls, 5) << "the count of calls is not bounded by the log";

    // A reader that saw call 3 gets the two after it; one that saw call 1
    // gets what is left, not the dropped ones.
    EXPECT_EQ(firstArgs(net.CallLogSince(3)), (std::vector<std::string>{"4", "5"}));
    EXPECT_EQ(firstArgs(net.CallLogSince(1)), (std::vector<std::string>{"3", "4", "5"}));
    EXPECT_TRUE(net.CallLogSince(5).empty());

    // Lowering the limit drops the oldest at once; raising it keeps growing.
    net.SetCallLogLimit(1);
    EXPECT_EQ(firstArgs(net.CallLog()), std::vector<std::string>{"5"});
    net.SetCallLogLimit(4);
    gsf::data::Delta delta;
    net.Call("UpdGrupServ", delta);
    net.Call("GetGrupServ", {"7"});
    EXPECT_EQ(firstArgs(net.CallLog()), (std::vector<std::string>{"5", "<delta: 0 alterações>", "7"}));

    // Numbers go on after a clear: a reader keeps its place.
    net.ClearCallLog();
    EXPECT_TRUE(net.CallLogSince(7).empty());
    net.Call("GetGrupServ", {"8"});
    ASSERT_EQ(net.CallLogSince(7).size(), 1u);
    EXPECT_EQ(net.CallLogSince(7)[0].number, 8u);

    net.SetCallLogLimit(0);
    net.Call("GetGrupServ", {"9"});
    EXPECT_TRUE(net.CallLog().empty());
}

TEST(RemoteConnection, CallLogDefaultHoldsALongSession)
{
    RemoteConnection net;
    net.ServerName = gsf::records::kModuleName;
    const auto limit = static_cast<int>(RemoteConnection::kDefaultCallLogLimit);
    for (int i = 0; i < limit + 10; ++i)
        net.Call("GetParamFilial", {std::to_string(i)});
    const auto log = net.CallLog();
    ASSERT_EQ(log.size(), RemoteConnection::kDefaultCallLogLimit);
    EXPECT_EQ(log.front().args[0], "10");
    EXPECT_EQ(log.back().args[0], std::to_string(limit + 9));
}

// The component names no module or server of its own: a screen that forgets
// to name its module reaches none, instead of inheriting another screen's.
TEST(RemoteConnection, WithoutSettingsItNamesNoModuleAndReachesNone)
{
    RemoteConnection net;
    EXPECT_EQ(net.Name(), "");
    EXPECT_EQ(net.ServerName, "");
    EXPECT_EQ(net.Port, 0);

    gsf::test::ServerFixture server;
    net.BeforeConnect = [&](RemoteConnection& c) {
        c.Host = server.host();
        c.Port = server.port();
    };
    net.Open();
    const auto result = net.Call("GetGrupServ", {"0001", "000002"});
    EXPECT_FALSE(result.ok);
    EXPECT_FALSE(result.message.empty());

    net.ServerName = gsf::records::kModuleName;
    EXPECT_TRUE(net.Call("GetGrupServ", {"0001", "000002"}).ok);
}
