// A write whose answer never came, on the open screen: the server frozen or
// killed during a confirm. The screen follows its failure handling, then
// reads its lists again once the server answers, so the clerk's next edit of
// the same row is not refused as changed by someone else.
#include "screen/tests/screen_fixture.h"
#include "records/remote_module.h"
#include "server/app_server.h"
#include "tests/support/server_process.h"

#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <thread>

namespace gsf::screen::test {
namespace {

using host::Outcome;
using Fault = gsf::server::AppServer::Fault;

constexpr auto kTimeout = std::chrono::milliseconds(300);

std::string description(const TfrmGrupServFat& form)
{
    return form.cdsGrupServ.FieldByName("DSGRSERVFAT").AsString();
}

std::string storedDescription(gsf::remote::RemoteConnection& net)
{
    const auto result = net.Call("GetGrupServ", {"0001", "000002"});
    if (!result.ok)
        return "(" + result.message + ")";
    const auto packet = gsf::data::decodePacket(result.body);
    return std::get<std::string>(packet.rows.at(0).at(packet.indexOf("DSGRSERVFAT")));
}

Outcome alterDescription(ScreenFixture& screen, const char* text)
{
    screen.act().click("sbtAlterar");
    screen.typeInto("dbgPadrao", "DSGRSERVFAT", text);
    return screen.act().click("sbtConfirmar");
}

bool conflictShown(const ScreenFixture& screen)
{
    for (const auto& e : screen.errors)
        if (e.find("outro usuário") != std::string::npos)
            return true;
    return false;
}

// The screen moved to a server of its own process, which the test freezes and kills.
class AgainstAProcess : public ::testing::Test {
protected:
    void SetUp() override
    {
        folder_ = (std::filesystem::temp_directory_path() / "gsf-unknown-XXXXXX").string();
        ASSERT_TRUE(mkdtemp(folder_.data()));
        startServer(0);
        host::hostContext().serverPort = server_->port();
        screen_.form().netGrupServFat.Open();
        screen_.form().netGrupServFat.Timeout = kTimeout;
        ASSERT_EQ(screen_.openClient("0001", kClientWithGroups), Outcome::Done) << screen_.lastError();
        reader_.ServerName = gsf::records::kModuleName;
        reader_.BeforeConnect = [port = server_->port()](gsf::remote::RemoteConnection& c) {
            c.Host = "127.0.0.1";
            c.Port = port;
        };
        reader_.Open();
    }
    void TearDown() override
    {
        server_.reset();
        std::filesystem::remove_all(folder_);
    }
    void startServer(int port)
    {
        server_ = std::make_unique<gsf::test::ServerProcess>(
            GSF_SERVER_EXE, std::vector<std::string>{"--sqlite", folder_ + "/db", "--demo"},
            std::vector<std::pair<std::string, std::string>>{}, port);
        ASSERT_TRUE(server_->waitUntilHealthy());
    }

    ScreenFixture screen_;
    std::string folder_;
    std::unique_ptr<gsf::test::ServerProcess> server_;
    gsf::remote::RemoteConnection reader_;
};

TEST_F(AgainstAProcess, AConfirmWhileTheServerIsFrozenIsFollowedByARereadAndTheNextEditIsNoConflict)
{
    TfrmGrupServFat& form = screen_.form();
    ASSERT_EQ(description(form), "Vigilância");
    server_->signal(SIGSTOP);
    EXPECT_EQ(alterDescription(screen_, "Vigilância armada"), Outcome::Failed);
    ASSERT_FALSE(screen_.errors.empty());
    EXPECT_NE(screen_.errors.front().find("Servidor de aplicação indisponível"), std::string::npos)
        << screen_.errors.front();
    EXPECT_FALSE(screen_.person.progressVisible());
    // The post's failure handling: the edit is dropped, the old row shown.
    EXPECT_EQ(form.cdsGrupServ.State(), data::DataSetState::Browse);
    EXPECT_EQ(description(form), "Vigilância");

    // Resumed, the server applies the change it was sent (once, though it got it twice).
    server_->signal(SIGCONT);
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (storedDescription(reader_) != "Vigilância armada" && std::chrono::steady_clock::now() < until)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    EXPECT_EQ(storedDescription(reader_), "Vigilância armada");

    // The clerk's next action starts from what the server holds.
    screen_.errors.clear();
    ASSERT_EQ(screen_.act().moveToRow("dbgPadrao", 0), Outcome::Done) << screen_.lastError();
    EXPECT_EQ(description(form), "Vigilância armada");
    EXPECT_EQ(alterDescription(screen_, "Vigilância 24h"), Outcome::Done) << screen_.lastError();
    EXPECT_FALSE(conflictShown(screen_));
    EXPECT_EQ(storedDescription(reader_), "Vigilância 24h");
}

TEST_F(AgainstAProcess, AConfirmWhenTheServerIsKilledGoesOnOnceItIsBackOnTheSamePort)
{
    TfrmGrupServFat& form = screen_.form();
    const int port = server_->port();
    std::thread killer([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        server_->stop(SIGKILL);
    });
    server_->signal(SIGSTOP); // the confirm's call waits in the server until the kill
    EXPECT_EQ(alterDescription(screen_, "Vigilância armada"), Outcome::Failed);
    killer.join();
    ASSERT_FALSE(screen_.errors.empty());
    EXPECT_NE(screen_.errors.front().find("Servidor de aplicação indisponível"), std::string::npos);
    EXPECT_FALSE(screen_.person.progressVisible());
    EXPECT_EQ(description(form), "Vigilância");

    startServer(port);
    screen_.errors.clear();
    EXPECT_EQ(alterDescription(screen_, "Vigilância 24h"), Outcome::Done) << screen_.lastError();
    EXPECT_EQ(storedDescription(reader_), "Vigilância 24h");
}

// In-process: the server applies the change, then dies before answering.
TEST(UnknownOutcome, AChangeAppliedBeforeTheServerDiedIsShownOnceItIsBack)
{
    ScreenFixture screen;
    screen.form().netGrupServFat.Timeout = kTimeout;
    ASSERT_EQ(screen.openClient("0001", kClientWithGroups), Outcome::Done);
    TfrmGrupServFat& form = screen.form();
    screen.server.app().FaultAt(1, Fault::DieAfter);
    EXPECT_EQ(alterDescription(screen, "Vigilância armada"), Outcome::Failed);
    EXPECT_EQ(description(form), "Vigilância") << "the re-read cannot reach a dead server";
    EXPECT_TRUE(form.rdmGrupServFat.OutcomeUnknown()) << "and stays to be done";

    screen.server.stop();
    screen.server.start();
    screen.errors.clear();
    ASSERT_EQ(screen.act().focus("dbgPadrao"), Outcome::Done);
    EXPECT_FALSE(form.rdmGrupServFat.OutcomeUnknown());
    EXPECT_EQ(description(form), "Vigilância armada");
    EXPECT_EQ(alterDescription(screen, "Vigilância 24h"), Outcome::Done) << screen.lastError();
    EXPECT_FALSE(conflictShown(screen));
}

TEST(UnknownOutcome, ARowBeingTypedIsNotDroppedByTheReread)
{
    ScreenFixture screen;
    screen.form().netGrupServFat.Timeout = kTimeout;
    ASSERT_EQ(screen.openClient("0001", kClientWithGroups), Outcome::Done);
    TfrmGrupServFat& form = screen.form();
    ASSERT_EQ(screen.act().moveToRow("dbgPadrao", 2), Outcome::Done); // 003, no services
    ASSERT_EQ(screen.act().clickMenu("mnuServ"), Outcome::Done);
    ASSERT_EQ(screen.act().click("sbtIncluir"), Outcome::Done);
    screen.act().typeCell("dbgServico", "50");
    // ProAtualizaGrupo is applied, then the server dies.
    screen.server.app().FaultAt(3, Fault::DieAfter);
    screen.clearCalls();
    EXPECT_EQ(screen.act().click("sbtConfirmar"), Outcome::Failed);
    EXPECT_NE(screen.lastError().find("Servidor de aplicação indisponível"), std::string::npos) << screen.lastError();

    screen.server.stop();
    screen.server.start();
    screen.clearCalls();
    // The typed row stays: no list is read while it is in insert.
    ASSERT_EQ(screen.act().selectColumn("dbgServico", "CDSERVFILI"), Outcome::Done) << screen.lastError();
    EXPECT_EQ(form.cdsServClie.State(), data::DataSetState::Insert);
    EXPECT_EQ(form.cdsServClie.FieldByName("CDSERVFILI").AsString(), "00050");
    EXPECT_EQ(screen.count("GetGrupServ"), 0);
    EXPECT_TRUE(form.rdmGrupServFat.OutcomeUnknown());

    // Confirmed again, the screen's own check finds the service the server
    // now holds for the group; the clerk gives the row up, and the list read
    // again shows the server's.
    screen.clearMessages();
    EXPECT_EQ(screen.act().click("sbtConfirmar"), Outcome::Failed);
    EXPECT_EQ(screen.messages(), std::vector<std::string>{"Serviço já cadastrado para o grupo informado."});
    screen.person.queueConfirm(true);
    ASSERT_EQ(screen.act().click("sbtCancelar"), Outcome::Done) << screen.lastError();
    EXPECT_FALSE(form.rdmGrupServFat.OutcomeUnknown());
    EXPECT_EQ(form.cdsServClie.State(), data::DataSetState::Browse);
    ASSERT_EQ(form.cdsServClie.RecordCount(), 1);
    EXPECT_EQ(form.cdsServClie.FieldByName("CDSERVFILI").AsString(), "00050");
    EXPECT_EQ(form.cdsServClie.ChangeCount(), 0);
    EXPECT_EQ(screen.server.storage().GetServClie("0001", "000002", "003").rows.size(), 1u);
}

} // namespace
} // namespace gsf::screen::test
