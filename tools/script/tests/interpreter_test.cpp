#include "tools/script/interpreter.h"

#include "platform/host/errors.h"
#include "platform/host/host_context.h"
#include "platform/host/progress.h"
#include "platform/remote/connection.h"
#include "platform/ui/ui.h"
#include "records/remote_module.h"
#include "tools/script/embedded_server.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <sstream>

using namespace gsf::script;
namespace data = gsf::data;
namespace host = gsf::host;
namespace ui = gsf::ui;

namespace {

/// A small screen: a filter panel with two edits, command buttons with
/// known reactions, two pages (the second disabled, with an edit and a grid
/// of its own), a menu entry, a grid over a dataset with a text column (shown
/// through a get-text handler) and a number column, and a record navigator.
class TestScreen : public ScreenSession {
public:
    ui::Form window{"frmTeste"};
    ui::Panel& panFiltro = window.Add<ui::Panel>(window, "panFiltro");
    ui::Edit& edtA = window.Add<ui::Edit>(panFiltro, "edtA");
    ui::Edit& edtB = window.Add<ui::Edit>(panFiltro, "edtB");
    ui::SpeedButton& sbtAviso = window.Add<ui::SpeedButton>(window, "sbtAviso");
    ui::SpeedButton& sbtFalha = window.Add<ui::SpeedButton>(window, "sbtFalha");
    ui::SpeedButton& sbtPergunta = window.Add<ui::SpeedButton>(window, "sbtPergunta");
    ui::SpeedButton& sbtChama = window.Add<ui::SpeedButton>(window, "sbtChama");
    ui::SpeedButton& sbtOculto = window.Add<ui::SpeedButton>(window, "sbtOculto");
    ui::SpeedButton& sbtEspera = window.Add<ui::SpeedButton>(window, "sbtEspera");
    ui::DBNavigator& dbnX = window.Add<ui::DBNavigator>(window, "dbnX");
    ui::PageControl& pgc = window.Add<ui::PageControl>(window, "pgc");
    ui::TabSheet& tshA = window.Add<ui::TabSheet>(pgc, "tshA");
    ui::TabSheet& tshB = window.Add<ui::TabSheet>(pgc, "tshB");
    ui::DBGrid& dbgX = window.Add<ui::DBGrid>(tshA, "dbgX");
    ui::Edit& edtAtras = window.Add<ui::Edit>(tshB, "edtAtras");
    ui::DBGrid& dbgAtras = window.Add<ui::DBGrid>(tshB, "dbgAtras");
    ui::MainMenu& mnuMenu = window.Add<ui::MainMenu>(window, "mnuMenu");
    ui::MenuItem& mnuA = window.Add<ui::MenuItem>(mnuMenu, "mnuA", "A");
    ui::MenuItem& mnuB = window.Add<ui::MenuItem>(mnuMenu, "mnuB", "B");
    data::DataSet cdsX{"cdsX"};
    data::DataSet cdsOculto{"cdsOculto"};
    data::DataSource dtsX{"dtsX", &cdsX};
    gsf::remote::RemoteConnection net{"netTeste"};
    gsf::remote::CallResult lastCall;
    bool opened = false;

    TestScreen()
    {
        net.ServerName = gsf::records::kModuleName;
        data::FieldDef code;
        code.name = "CODE";
        code.size = 3;
        data::FieldDef qt;
        qt.name = "QT";
        qt.type = data::FieldType::Float;
        qt.displayFormat = "#,##0.000";
        cdsX.AddField(code);
        cdsX.AddField(qt);
        cdsX.SetData(data::Packet{{{"CODE", data::FieldType::String, 3}, {"QT", data::FieldType::Float, 0}},
                                  {{std::string("001"), 2.0}, {std::string("002"), data::Value{}}}});
        cdsOculto.SetData(data::Packet{{{"K", data::FieldType::String, 1}}, {}});
        dbgX.SetDataSource(&dtsX);
        dbgX.AddColumn("CODE");
        dbgX.AddColumn("QT");
        cdsX.FieldByName("CODE").OnGetText = [](data::Field& field, std::string& text, bool) {
            text = "Nº " + field.AsString();
        };
        dbgAtras.SetDataSource(&dtsX);
        dbgAtras.AddColumn("CODE");
        dbnX.SetDataSource(&dtsX);
        sbtOculto.SetVisible(false);
        tshB.SetEnabled(false);
        mnuA.SetChecked(true);
        mnuB.SetEnabled(false);
        sbtAviso.OnClick = [](ui::Control&) { host::MensErro("Filial deve ser informada.", true); };
        sbtFalha.OnClick = [](ui::Control&) { throw std::runtime_error("Servidor fora do ar."); };
        sbtPergunta.OnClick = [this](ui::Control&) {
            if (host::interaction().confirm("Excluir o registro?"))
                cdsX.Delete();
        };
        sbtChama.OnClick = [this](ui::Control&) {
            host::ActiveShowAvi(&window, 1, "Consultando...");
            lastCall = net.Call("GetParamFilial", {"0001"});
            host::CheckResultServ(lastCall, true, 0);
            host::DeactiveShowAvi();
        };
        // Leaves the indicator up, as a handler that forgets to hide it would.
        sbtEspera.OnClick = [this](ui::Control&) { host::ActiveShowAvi(&window, 1, "Aguarde..."); };
    }

    ~TestScreen() override { window.DestroyComponents(); }

    ui::Form* form() override { return opened ? &window : nullptr; }
    void open() override
    {
        opened = true;
        window.Show();
    }
    void iniProc() override { open(); }
    gsf::remote::RemoteConnection* connection() override { return &net; }
    std::vector<data::DataSet*> dataSets() override { return {&cdsOculto}; }
    std::vector<UnitValue> unitState() override { return {{"Flag", true}, {"Texto", std::string("2")}}; }
};

struct RunResult {
    Status status;
    std::string out;
    std::string diagnostics;
};

class InterpreterTest : public ::testing::Test {
protected:
    std::unique_ptr<TestScreen> owned = std::make_unique<TestScreen>();
    TestScreen* screen = owned.get();

    /// A new screen, as a new process would have.
    void reset()
    {
        owned = std::make_unique<TestScreen>();
        screen = owned.get();
    }

    /// Runs each script on a new screen: each stops with @p status and says
    /// exactly its message.
    void expectEach(const std::vector<std::pair<std::string, std::string>>& cases, Status status)
    {
        for (const auto& [script, message] : cases) {
            reset();
            const RunResult r = run(script);
            EXPECT_EQ(r.status, status) << script;
            EXPECT_EQ(r.diagnostics, message + "\n") << script;
        }
    }

    RunResult run(const std::string& script, ServerControl* server = nullptr)
    {
        std::ostringstream out;
        std::ostringstream diagnostics;
        Interpreter interpreter(*screen, out, diagnostics);
        interpreter.setServer(server);
        std::istringstream in(script);
        const Status status = interpreter.run(in);
        return {status, out.str(), diagnostics.str()};
    }
};

TEST_F(InterpreterTest, MessagesAndErrorsAreToldApart)
{
    const RunResult r = run("open\nclick sbtAviso\nclick sbtFalha\n");
    EXPECT_EQ(r.status, Status::Ok) << r.diagnostics;
    EXPECT_EQ(r.out, "message \"Filial deve ser informada.\"\n"
                     "error \"Servidor fora do ar.\"\n")
        << "a message shown by the screen stays a message; an error the dispatcher caught is an error";
}

TEST_F(InterpreterTest, LastShownTextCountsForExpectMessage)
{
    EXPECT_EQ(run("open\nclick sbtAviso\nexpect message \"Filial deve ser informada.\"\n").status, Status::Ok);
    EXPECT_EQ(run("open\nclick sbtFalha\nexpect message \"Servidor fora do ar.\"\n").status, Status::Ok);
    const RunResult r = run("open\nclick sbtAviso\nexpect message \"Outra.\"\n");
    EXPECT_EQ(r.status, Status::ExpectFailed);
    EXPECT_EQ(r.diagnostics, "linha 3: esperado mensagem \"Outra.\", visto \"Filial deve ser informada.\"\n");
}

TEST_F(InterpreterTest, AnsweredConfirmationIsPrintedAndActedOn)
{
    const RunResult r = run("open\nanswer yes\nclick sbtPergunta\nexpect count cdsX 1\n"
                            "answer no\nclick sbtPergunta\nexpect count cdsX 1\n");
    EXPECT_EQ(r.status, Status::Ok) << r.diagnostics;
    EXPECT_EQ(r.out, "confirm \"Excluir o registro?\" -> yes\nconfirm \"Excluir o registro?\" -> no\n");
}

TEST_F(InterpreterTest, UnansweredDialogStopsTheRunNamingIt)
{
    const RunResult r = run("open\nclick sbtPergunta\nexpect count cdsX 1\n");
    EXPECT_EQ(r.status, Status::Fatal);
    EXPECT_NE(r.out.find("error \"Roteiro sem resposta para a confirmação \"Excluir o registro?\".\""),
              std::string::npos)
        << r.out;
    EXPECT_EQ(r.diagnostics.rfind("linha 2: diálogo sem resposta: ", 0), 0u) << r.diagnostics;
    EXPECT_EQ(screen->cdsX.RecordCount(), 2) << "nothing deleted without an answer";
}

TEST_F(InterpreterTest, ScriptMistakesStopWithStatusTwoAndTheLineNumber)
{
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"open\nfrobnicate\n", "linha 2: comando desconhecido \"frobnicate\""},
        {"open\n\n# nada\nclick sbtNada\n", "linha 4: controle desconhecido \"sbtNada\""},
        {"open\nclick edtA\n", "linha 2: \"edtA\" não é botão (é Edit)"},
        {"open\ntype edtA \"sem fim\n", "linha 2: aspas \" sem fechamento"},
        {"click sbtAviso\n", "linha 1: a tela não está aberta (use open)"},
        {"open\nkey F13\n", "linha 2: tecla desconhecida \"F13\""},
        {"open\nrow dbgX 0\n", "linha 2: uso: row GRADE N (N a partir de 1)"},
        {"open\ncell dbgX NADA 1\n", "linha 2: a grade dbgX não tem a coluna \"NADA\""},
        {"open\nexpect state cdsX parado\n",
         "linha 2: estado desconhecido \"parado\" (inactive, browse, edit, insert)"},
        {"open\nexpect enabled mnuA mnuNada\n", "linha 2: controle desconhecido \"mnuNada\""},
        {"open\nanswer talvez\n", "linha 2: uso: answer yes|no"},
    };
    expectEach(cases, Status::BadScript);
}

TEST_F(InterpreterTest, ExpectationsOnControlsMenusPagesAndFocus)
{
    const RunResult ok = run("open\nexpect enabled edtA sbtAviso mnuA tshA\nexpect disabled tshB mnuB\n"
                             "expect checked mnuA\nexpect unchecked mnuB\nexpect page tshA\n"
                             "focus edtB\nexpect focus edtB\ntab tshB\nexpect page tshA\n");
    EXPECT_EQ(ok.status, Status::Ok) << ok.diagnostics;

    reset();
    screen->panFiltro.SetEnabled(false);
    const RunResult r = run("open\nexpect enabled edtA\n");
    EXPECT_EQ(r.status, Status::ExpectFailed) << "a control in a disabled panel is disabled for the person";
    EXPECT_EQ(r.diagnostics, "linha 2: esperado edtA enabled, visto edtA disabled\n");
    reset();
    EXPECT_EQ(run("open\nexpect focus edtA\n").diagnostics,
              "linha 2: esperado foco em edtA, visto foco em nenhum controle\n");
}

TEST_F(InterpreterTest, ExpectationsOnDataSets)
{
    const RunResult ok = run("open\nexpect state cdsX browse\nexpect count cdsX 2\nexpect count cdsOculto 0\n"
                             "expect field cdsX.CODE 001\nexpect field cdsX.QT 2\nexpect field cdsX.QT 2,000\n"
                             "row dbgX 2\nexpect field cdsX.QT null\nexpect field cdsX.CODE \"002\"\n");
    EXPECT_EQ(ok.status, Status::Ok) << ok.diagnostics;

    reset();
    EXPECT_EQ(run("open\nexpect field cdsX.QT 3\n").diagnostics,
              "linha 2: esperado cdsX.QT = 3, visto cdsX.QT = \"2\"\n");
    reset();
    EXPECT_EQ(run("open\nrow dbgX 2\nexpect field cdsX.QT 0\n").diagnostics,
              "linha 3: esperado cdsX.QT = 0, visto cdsX.QT = null\n")
        << "null is not 0";
    EXPECT_EQ(run("open\nexpect field cdsX.CODE \"null\"\n").status, Status::ExpectFailed) << "a quoted null is a text";
    EXPECT_EQ(run("open\nexpect field cdsNada.X 1\n").status, Status::BadScript);
    EXPECT_EQ(run("open\nexpect field cdsX.NADA 1\n").status, Status::BadScript);
}

TEST_F(InterpreterTest, GridCellTypingEditsTheDataSetAndAPendingEditFailsAtTheEnd)
{
    const RunResult r = run("open\ncell dbgX QT \"2,5\"\nexpect state cdsX edit\n");
    EXPECT_EQ(r.status, Status::Fatal) << "a script may not end with a record in edit";
    EXPECT_EQ(r.diagnostics, "fim do roteiro: edição pendente em cdsX (edit)\n");

    reset();
    const RunResult moved = run("open\ncell dbgX 2 \"2,5\"\nrow dbgX 2\nrow dbgX 1\nexpect field cdsX.QT 2,5\n"
                                "expect state cdsX browse\n");
    EXPECT_EQ(moved.status, Status::Ok) << moved.diagnostics << "moving the row posts the typed cell";
}

TEST_F(InterpreterTest, UnusedAnswersFailAtTheEnd)
{
    const RunResult r = run("open\nanswer yes\npick 1\n");
    EXPECT_EQ(r.status, Status::Fatal);
    EXPECT_EQ(r.diagnostics, "fim do roteiro: 2 resposta(s) de diálogo não usada(s)\n");
}

TEST_F(InterpreterTest, RemoteCallsPrintInOrderAndAreCheckedSinceTheLastExpect)
{
    EmbeddedServer server;
    screen->net.Host = server.host();
    screen->net.Port = server.port();
    screen->net.Open();
    const RunResult r = run("open\nexpect nocalls\nclick sbtChama\nclick sbtChama\n"
                            "expect calls GetParamFilial GetParamFilial\nexpect nocalls\n"
                            "click sbtChama\nexpect calls GetPesqClie\n");
    EXPECT_EQ(r.out, "progress show 1 \"Consultando...\"\ncall GetParamFilial [\"0001\"]\nprogress hide\n"
                     "progress show 1 \"Consultando...\"\ncall GetParamFilial [\"0001\"]\nprogress hide\n"
                     "progress show 1 \"Consultando...\"\ncall GetParamFilial [\"0001\"]\nprogress hide\n");
    EXPECT_EQ(r.status, Status::ExpectFailed);
    EXPECT_EQ(r.diagnostics, "linha 8: esperado chamadas: GetPesqClie, visto chamadas: GetParamFilial\n");
    // A keep-alive client still connected would hold the server's stop until it times out.
    screen->net.Close();
}

// The connection keeps only its last calls: the driver, reading after every
// action, must still print each call once, also after the log wrapped or was
// cleared.
TEST_F(InterpreterTest, CallsPrintOnceEachWhenTheLogKeepsOnlyTheLastOnes)
{
    EmbeddedServer server;
    screen->net.Host = server.host();
    screen->net.Port = server.port();
    screen->net.Open();
    screen->net.SetCallLogLimit(2);
    std::ostringstream out;
    std::ostringstream diagnostics;
    Interpreter interpreter(*screen, out, diagnostics);
    const auto line = [&](const std::string& text) { return interpreter.runLine(text, 1); };
    EXPECT_EQ(line("open"), std::nullopt);
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(line("click sbtChama"), std::nullopt);
    screen->net.ClearCallLog();
    EXPECT_EQ(line("click sbtChama"), std::nullopt);
    EXPECT_EQ(line("expect calls GetParamFilial GetParamFilial GetParamFilial GetParamFilial"), std::nullopt)
        << diagnostics.str();
    const std::string call = "progress show 1 \"Consultando...\"\ncall GetParamFilial [\"0001\"]\nprogress hide\n";
    EXPECT_EQ(out.str(), call + call + call + call);
    screen->net.Close();
}

TEST_F(InterpreterTest, DumpIsOneJsonObjectOfFormControlsDataSetsAndUnit)
{
    const RunResult r = run("open\nfocus edtA\ntype edtA abc\nrow dbgX 2\ndump\n");
    ASSERT_EQ(r.status, Status::Ok) << r.diagnostics;
    const auto dump = nlohmann::json::parse(r.out);
    EXPECT_EQ(dump["form"]["focused"], "dbgX");
    EXPECT_EQ(dump["form"]["activePage"], "tshA");
    EXPECT_EQ(dump["form"]["windowState"], "normal");
    EXPECT_EQ(dump["controls"]["edtA"]["text"], "abc");
    EXPECT_EQ(dump["controls"]["tshB"]["enabled"], false);
    EXPECT_EQ(dump["controls"]["mnuA"]["checked"], true);
    EXPECT_EQ(dump["controls"]["dbgX"]["row"], 2);
    const auto& cdsX = dump["datasets"]["cdsX"];
    EXPECT_EQ(cdsX["state"], "browse");
    EXPECT_EQ(cdsX["recNo"], 2);
    EXPECT_EQ(cdsX["rows"][0]["QT"], 2.0);
    EXPECT_TRUE(cdsX["rows"][1]["QT"].is_null()) << "null stays null in the dump";
    EXPECT_TRUE(dump["datasets"].contains("cdsOculto")) << "datasets the screen lists are dumped too";
    EXPECT_EQ(dump["unit"]["Flag"], true);
    EXPECT_EQ(dump["unit"]["Texto"], "2");
}

TEST_F(InterpreterTest, WindowAndKeyCommandsReachTheForm)
{
    int lastKey = 0;
    ui::ShiftState lastShift;
    std::u32string typed;
    screen->window.SetKeyPreview(true);
    screen->window.OnKeyDown = [&](ui::Control&, int& key, ui::ShiftState shift) {
        lastKey = key;
        lastShift = shift;
    };
    screen->window.OnKeyPress = [&](ui::Control&, char32_t& ch) { typed += ch; };
    const RunResult r = run("open\nminimize\nfocus edtA\nkey F12 ctrl shift\nchar ç\n");
    EXPECT_EQ(r.status, Status::Ok) << r.diagnostics;
    EXPECT_EQ(screen->window.GetWindowState(), ui::WindowState::Minimized);
    EXPECT_EQ(lastKey, ui::VK_F12);
    EXPECT_EQ(lastShift, ui::ShiftState(ui::ShiftState::Ctrl | ui::ShiftState::Shift));
    EXPECT_EQ(typed, U"ç");
    EXPECT_EQ(screen->edtA.Text(), "ç");
    EXPECT_EQ(run("open\nchar ab\n").status, Status::BadScript);
}

/// The test screen's connection on a server started for the test; closed
/// on the way out, since an open keep-alive connection holds a server's stop.
class ServerTest : public InterpreterTest {
protected:
    EmbeddedServer server;

    void SetUp() override { connect(); }
    void TearDown() override { screen->net.Close(); }

    void connect()
    {
        screen->net.Host = server.host();
        screen->net.Port = server.port();
        screen->net.Open();
    }
    void reconnect()
    {
        screen->net.Close();
        reset();
        connect();
    }
};

TEST_F(ServerTest, FailRefusesOnlyTheNextCallOfTheMethodWithWhatItWasGiven)
{
    const RunResult r = run("open\nfail GetParamFilial\nclick sbtChama\nclick sbtChama\n"
                            "fail GetParamFilial 503\nclick sbtChama\n"
                            "fail GetParamFilial 422 invalid \"Filial sem parâmetros.\"\nclick sbtChama\n"
                            "expect message \"Filial sem parâmetros.\"\n",
                            &server);
    EXPECT_EQ(r.status, Status::Ok) << r.diagnostics;
    const std::string call = "progress show 1 \"Consultando...\"\ncall GetParamFilial [\"0001\"]\nprogress hide\n";
    EXPECT_EQ(r.out, call + "error \"" + kConflictText + "\"\n" + call + call +
                         "error \"O banco de dados está ocupado. Tente novamente em instantes.\"\n" + call +
                         "error \"Filial sem parâmetros.\"\n")
        << "the second call after a fail goes through";
    EXPECT_EQ(screen->lastCall.errorCode, "invalid");

    reconnect();
    EXPECT_EQ(run("open\nfail GetParamFilial 500\nclick sbtChama\n", &server)
                  .out.find("error \"Falha provocada "
                            "pelo roteiro na chamada "
                            "de GetParamFilial.\""),
              call.size());
    EXPECT_EQ(screen->lastCall.errorCode, "server_error") << "a status without a code of its own";
    reconnect();
    EXPECT_EQ(run("open\nfail GetParamFilial 409 duplicate\nclick sbtChama\n", &server).status, Status::Ok);
    EXPECT_EQ(screen->lastCall.errorCode, "duplicate");
    EXPECT_EQ(screen->lastCall.message, kConflictText) << "a code alone keeps the status's own text";

    reconnect();
    const RunResult nth = run("open\nfail GetParamFilial@3 503\nclick sbtChama\nclick sbtChama\nclick sbtChama\n"
                              "click sbtChama\n",
                              &server);
    EXPECT_EQ(nth.out,
              call + call + call + "error \"O banco de dados está ocupado. Tente novamente em instantes.\"\n" + call)
        << "METHOD@N lets the calls before the Nth through, and only the Nth fails";
}

TEST_F(ServerTest, DefaultRefusalIsTheOneTheServerGivesForAChangeMadeMeanwhile)
{
    // A deletion of an interval whose original correction differs from the
    // stored one: refused by the server itself as changed by someone else.
    const gsf::remote::CallResult table = screen->net.Call("GetCorrPrecGrup", {"0001", "000002", "001"});
    ASSERT_TRUE(table.ok) << table.message;
    const data::Packet packet = data::decodePacket(table.body);
    ASSERT_FALSE(packet.rows.empty());
    data::Delta delta{packet.fields, {data::Change{data::ChangeKind::Delete, packet.rows[0], {}}}};
    const int correction = delta.indexOf("VRPECORRGRUP");
    ASSERT_GE(correction, 0);
    delta.changes[0].oldValues[static_cast<size_t>(correction)] = 99.0;
    const gsf::remote::CallResult refused = screen->net.Call("UpdCorrPrecGrup", delta);
    EXPECT_FALSE(refused.ok);
    EXPECT_EQ(refused.errorCode, "conflict");
    EXPECT_EQ(refused.message, kConflictText);
}

TEST_F(ServerTest, StoppedServerIsUnreachableAndComesBackOnThePortWithTheDataAndANewState)
{
    const int port = server.port();
    // Written before the stop: the group loses its correction service.
    ASSERT_TRUE(screen->net.Call("ProLimpaServ", {"0001", "000002", "001"}).ok);
    const RunResult r = run("open\nfail GetParamFilial\nserver stop\nclick sbtChama\n"
                            "expect messagestart \"Servidor de aplicação indisponível em 127.0.0.1:" +
                                std::to_string(port) +
                                ": \"\nserver start\nclick sbtChama\nexpect message \"Servidor de aplicação "
                                "indisponível em 127.0.0.1:" +
                                std::to_string(port) + ": conexão recusada ou endereço inacessível.\"\n",
                            &server);
    EXPECT_EQ(r.status, Status::Ok) << r.diagnostics;
    EXPECT_EQ(r.out.find("error", r.out.find("error") + 1), std::string::npos)
        << "after the start the same connection gets its answer, and the fail told to the stopped "
           "server's state is gone:\n"
        << r.out;
    EXPECT_EQ(server.port(), port);
    const gsf::remote::CallResult groups = screen->net.Call("GetGrupServ", {"0001", "000002"});
    ASSERT_TRUE(groups.ok) << groups.message;
    const data::Packet packet = data::decodePacket(groups.body);
    const size_t code = static_cast<size_t>(packet.indexOf("CDGRSERVFAT"));
    const size_t corr = static_cast<size_t>(packet.indexOf("CDSERAJEFEGSF"));
    ASSERT_EQ(std::get<std::string>(packet.rows.at(0)[code]), "001");
    EXPECT_TRUE(std::holds_alternative<std::monostate>(packet.rows[0][corr]) ||
                std::get<std::string>(packet.rows[0][corr]).empty())
        << "what was written before the stop is still there";
}

TEST_F(ServerTest, ServerThatCannotStartAgainStopsTheRunAndStaysStopped)
{
    ASSERT_EQ(run("server stop\n", &server).status, Status::Ok);
    // Someone else takes the port meanwhile.
    const int taker = socket(AF_INET, SOCK_STREAM, 0);
    ASSERT_GE(taker, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<uint16_t>(server.port()));
    inet_pton(AF_INET, "127.0.0.1", &address.sin_addr);
    ASSERT_EQ(bind(taker, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    ASSERT_EQ(listen(taker, 1), 0);
    const RunResult r = run("server start\n", &server);
    close(taker);
    EXPECT_EQ(r.status, Status::Fatal);
    EXPECT_EQ(r.diagnostics, "linha 1: o servidor não voltou: O servidor local não conseguiu escutar de novo em "
                             "127.0.0.1:" +
                                 std::to_string(server.port()) + ".\n");
    EXPECT_FALSE(server.running());
    EXPECT_EQ(run("server start\n", &server).status, Status::Ok) << "the port is free again";
    EXPECT_TRUE(server.running());
}

TEST_F(ServerTest, ServerCommandsThatCannotBeGivenAreScriptErrors)
{
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"fail GetNada\n", "linha 1: método desconhecido \"GetNada\""},
        {"fail GetGrupServ 200\n", "linha 1: status de recusa inválido \"200\" (de 400 a 599)"},
        {"fail GetGrupServ 409 \"\"\n", "linha 1: o código de erro de fail não pode ser vazio"},
        {"fail\n", "linha 1: uso: fail MÉTODO[@N] [STATUS [CÓDIGO [MENSAGEM]]]"},
        {"fail GetGrupServ@0\n", "linha 1: chamada inválida \"GetGrupServ@0\" (use MÉTODO@N, N a partir de 1)"},
        {"fail GetNada@2\n", "linha 1: método desconhecido \"GetNada\""},
        {"server\n", "linha 1: uso: server stop|start"},
        {"server start\n", "linha 1: o servidor já está em execução"},
        {"server stop\nserver stop\n", "linha 2: o servidor já está parado"},
        {"server stop\nfail GetGrupServ\n", "linha 2: o servidor está parado (use server start antes de fail)"},
    };
    for (const auto& [script, message] : cases) {
        const RunResult r = run(script, &server);
        if (!server.running())
            server.start();
        EXPECT_EQ(r.status, Status::BadScript) << script;
        EXPECT_EQ(r.diagnostics, message + "\n") << script;
    }
    for (const std::string script : {"fail GetGrupServ\n", "server stop\n", "server start\n"}) {
        const RunResult r = run(script);
        EXPECT_EQ(r.status, Status::BadScript) << "without a server in the process: " << script;
        EXPECT_NE(r.diagnostics.find("só vale para o servidor embutido (--embedded)"), std::string::npos)
            << r.diagnostics;
    }
}

TEST_F(ServerTest, ExpectCallsMatchesArgumentsWhereTheyAreWritten)
{
    EXPECT_EQ(run("open\nclick sbtChama\nclick sbtChama\n"
                  "expect calls GetParamFilial [\"0001\"] GetParamFilial\n",
                  &server)
                  .status,
              Status::Ok);
    reconnect();
    EXPECT_EQ(run("open\nclick sbtChama\nexpect calls GetParamFilial ['0001']\n", &server).status, Status::BadScript)
        << "the list is written as the call line prints it";
    reconnect();
    const RunResult wrong =
        run("open\nclick sbtChama\nclick sbtChama\nexpect calls GetParamFilial GetParamFilial [\"0002\"]\n", &server);
    EXPECT_EQ(wrong.status, Status::ExpectFailed);
    EXPECT_EQ(wrong.diagnostics, "linha 4: esperado chamadas: GetParamFilial GetParamFilial [\"0002\"], visto "
                                 "chamadas: GetParamFilial GetParamFilial [\"0001\"]\n");
    reconnect();
    EXPECT_EQ(run("open\nclick sbtChama\nexpect calls GetParamFilial []\n", &server).status, Status::ExpectFailed)
        << "an empty list means no arguments";
    reconnect();
    const RunResult bracket =
        run("open\nclick sbtChama\nclick sbtChama\nexpect calls GetParamFilial [\"0]1\"]\n", &server);
    EXPECT_EQ(bracket.diagnostics, "linha 4: esperado chamadas: GetParamFilial [\"0]1\"], visto chamadas: "
                                   "GetParamFilial [\"0001\"] GetParamFilial [\"0001\"]\n")
        << "a bracket inside a text does not end the list; extra calls show their arguments";

    const std::vector<std::pair<std::string, std::string>> mistakes = {
        {"expect calls [\"0001\"]\n", "linha 1: lista de argumentos sem método antes dela em \"expect calls\""},
        {"expect calls GetParamFilial [\"0001\"] [\"2\"]\n",
         "linha 1: lista de argumentos sem método antes dela em \"expect calls\""},
        {"expect calls GetParamFilial [\"0001\"\n",
         "linha 1: lista de argumentos inválida em \"expect calls\" (use [\"A\", \"B\"])"},
        {"expect calls GetParamFilial [1]\n",
         "linha 1: lista de argumentos inválida em \"expect calls\" (use [\"A\", \"B\"])"},
        {"expect nocalls GetParamFilial\n", "linha 1: número de argumentos errado para \"expect nocalls\""},
    };
    expectEach(mistakes, Status::BadScript);
}

TEST_F(ServerTest, HostServerEmbeddedNamesTheServerInTheProcess)
{
    const host::HostContext saved = host::hostContext();
    EXPECT_EQ(run("host server 127.0.0.1:1\nhost server embedded\n", &server).status, Status::Ok);
    EXPECT_EQ(host::hostContext().serverHost + ":" + std::to_string(host::hostContext().serverPort),
              server.host() + ":" + std::to_string(server.port()));
    const RunResult alone = run("host server embedded\n");
    EXPECT_EQ(alone.diagnostics, "linha 1: host server embedded só vale para o servidor embutido (--embedded)\n");
    host::setHostContext(saved);
}

TEST_F(InterpreterTest, HostServerIsReadAtTheNextOpening)
{
    const host::HostContext saved = host::hostContext();
    EXPECT_EQ(run("host server 10.1.2.3:8300\n").status, Status::Ok);
    EXPECT_EQ(host::hostContext().serverHost, "10.1.2.3");
    EXPECT_EQ(host::hostContext().serverPort, 8300);
    for (const std::string bad : {"10.1.2.3", "10.1.2.3:0", ":8211", "h:70000", "h:8a"}) {
        const RunResult r = run("host server " + bad + "\n");
        EXPECT_EQ(r.status, Status::BadScript) << bad;
        EXPECT_EQ(r.diagnostics, "linha 1: endereço de servidor inválido \"" + bad + "\" (use HOST:PORTA)\n");
    }
    EXPECT_EQ(host::hostContext().serverPort, 8300) << "a bad address changes nothing";
    host::setHostContext(saved);
}

TEST_F(InterpreterTest, NavigatorPressesMoveTheDataSetAndShowWhichButtonsAct)
{
    const RunResult r = run("open\nexpect disabled dbnX.first dbnX.prior\nexpect enabled dbnX dbnX.next dbnX.last\n"
                            "nav next\nexpect field cdsX.CODE 002\nexpect disabled dbnX.next\n"
                            "nav last\nexpect field cdsX.CODE 002\nnav first dbnX\nexpect field cdsX.CODE 001\n"
                            "dump\n");
    ASSERT_EQ(r.status, Status::Ok) << r.diagnostics;
    const auto dump = nlohmann::json::parse(r.out);
    EXPECT_EQ(dump["controls"]["dbnX"]["buttons"],
              (nlohmann::json{{"first", false}, {"prior", false}, {"next", true}, {"last", true}}));

    reset();
    screen->dbnX.SetEnabled(false);
    const RunResult disabled = run("open\nnav next\nexpect field cdsX.CODE 001\nexpect disabled dbnX.next\n");
    EXPECT_EQ(disabled.status, Status::Ok) << "a disabled navigator does nothing: " << disabled.diagnostics;

    const std::vector<std::pair<std::string, std::string>> mistakes = {
        {"open\nnav sideways\n", "linha 2: uso: nav first|prior|next|last [NAVEGADOR]"},
        {"open\nnav next dbgX\n", "linha 2: \"dbgX\" não é navegador (é DBGrid)"},
        {"open\nexpect enabled dbnX.up\n",
         "linha 2: botão de navegador desconhecido \"up\" (first, prior, next, last)"},
    };
    expectEach(mistakes, Status::BadScript);
    reset();
    screen->dbnX.SetVisible(false);
    EXPECT_EQ(run("open\nnav next\n").diagnostics, "linha 2: dbnX não está à vista: está oculto\n");
}

TEST_F(InterpreterTest, ExpectCellReadsTheTextTheGridShows)
{
    const RunResult r = run("open\nexpect cell dbgX 1 QT \"2,000\"\nexpect cell dbgX 1 CODE \"Nº 001\"\n"
                            "expect cell dbgX 2 1 \"Nº 002\"\nexpect cell dbgX 2 QT \"\"\n"
                            "cell dbgX QT 7\nexpect cell dbgX 1 QT 7\n"
                            "row dbgX 2\nexpect cell dbgX 1 QT \"7,000\"\n");
    EXPECT_EQ(r.status, Status::Ok) << r.diagnostics << "display format, get-text and a cell being typed";

    reset();
    EXPECT_EQ(run("open\nexpect cell dbgX 2 CODE 002\n").diagnostics,
              "linha 2: esperado dbgX linha 2 coluna CODE = \"002\", visto dbgX linha 2 coluna CODE = \"Nº 002\"\n");
    EXPECT_EQ(run("open\nexpect cell dbgX 3 CODE x\n").diagnostics,
              "linha 2: esperado dbgX linha 3 coluna CODE = \"x\", visto a grade com 2 linha(s)\n");
    EXPECT_EQ(run("open\nexpect cell dbgX 1 NADA x\n").status, Status::BadScript);
    EXPECT_EQ(run("open\nexpect cell dbgX 0 CODE x\n").status, Status::BadScript);
}

TEST_F(InterpreterTest, ActionsOnControlsOutOfSightAreScriptErrorsAndDisabledOnesDoNothing)
{
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"open\nrow dbgAtras 1\n",
         "linha 2: dbgAtras não está à vista: fica na página tshB, e a página na frente é tshA"},
        {"open\ntype edtAtras x\n",
         "linha 2: edtAtras não está à vista: fica na página tshB, e a página na frente é tshA"},
        {"open\nfocus edtAtras\n",
         "linha 2: edtAtras não está à vista: fica na página tshB, e a página na frente é tshA"},
        {"open\ncell dbgAtras CODE 1\n",
         "linha 2: dbgAtras não está à vista: fica na página tshB, e a página na frente é tshA"},
        {"open\nclick sbtOculto\n", "linha 2: sbtOculto não está à vista: está oculto"},
        {"open\nrow dbgX 3\n", "linha 2: a grade dbgX não tem a linha 3 (tem 2)"},
    };
    expectEach(cases, Status::BadScript);
    reset();
    screen->sbtFalha.SetEnabled(false);
    screen->panFiltro.SetEnabled(false);
    const RunResult quiet = run("open\nclick sbtFalha\ntype edtA abc\nexpect text edtA \"\"\ntab tshB\n"
                                "expect page tshA\n");
    EXPECT_EQ(quiet.status, Status::Ok) << quiet.diagnostics;
    EXPECT_EQ(quiet.out, "") << "a disabled control in sight ignores the person";
}

TEST_F(InterpreterTest, ExpectationsOnUnitStateSelectedColumnPendingChangesAndMessageStart)
{
    const RunResult ok = run("open\nexpect unit Flag true\nexpect unit Texto 2\nexpect changes cdsX 0\n"
                             "cell dbgX QT 5\nexpect column dbgX QT\nrow dbgX 2\nexpect changes cdsX 1\n"
                             "click sbtAviso\nexpect messagestart \"Filial deve\"\n");
    EXPECT_EQ(ok.status, Status::Ok) << ok.diagnostics;

    const std::vector<std::pair<std::string, std::string>> failed = {
        {"open\nexpect unit Flag false\n", "linha 2: esperado Flag = false, visto Flag = true"},
        {"open\nexpect unit Texto 3\n", "linha 2: esperado Texto = 3, visto Texto = \"2\""},
        {"open\nexpect column dbgX QT\n", "linha 2: esperado dbgX na coluna QT, visto dbgX na coluna CODE"},
        {"open\nexpect changes cdsX 1\n",
         "linha 2: esperado cdsX com 1 alteração(ões) pendente(s), visto cdsX com 0 alteração(ões) pendente(s)"},
        {"open\nclick sbtAviso\nexpect messagestart Servidor\n",
         "linha 3: esperado mensagem começando por \"Servidor\", visto \"Filial deve ser informada.\""},
    };
    expectEach(failed, Status::ExpectFailed);
    reset();
    EXPECT_EQ(run("open\nexpect unit Nada 1\n").diagnostics, "linha 2: estado da tela desconhecido \"Nada\"\n");
    EXPECT_EQ(run("open\nexpect changes cdsX muitas\n").status, Status::BadScript);
}

TEST_F(InterpreterTest, ProgressIndicatorStateIsExpectedAndDumped)
{
    const RunResult r = run("open\nexpect progress hidden\nclick sbtEspera\nexpect progress shown\ndump\n"
                            "expect progress hidden\n");
    host::DeactiveShowAvi();
    EXPECT_EQ(r.status, Status::ExpectFailed);
    EXPECT_EQ(r.diagnostics.substr(r.diagnostics.find("linha")),
              "linha 6: esperado indicador de progresso hidden, visto indicador de progresso shown\n");
    const auto dump = nlohmann::json::parse(r.out.substr(r.out.find('{')));
    EXPECT_EQ(dump["progress"]["shown"], true);
    EXPECT_EQ(run("open\nexpect progress gone\n").status, Status::BadScript);
}

} // namespace
