#include "tools/script/interpreter.h"

#include "platform/host/errors.h"
#include "platform/host/progress.h"
#include "platform/remote/connection.h"
#include "platform/ui/ui.h"
#include "tools/script/embedded_server.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <sstream>

using namespace gsf::script;
namespace data = gsf::data;
namespace host = gsf::host;
namespace ui = gsf::ui;

namespace {

/// A small screen: a filter panel with two edits, command buttons with
/// known reactions, two pages (the second disabled), a menu entry and a
/// grid over a dataset with a text and a number column.
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
    ui::PageControl& pgc = window.Add<ui::PageControl>(window, "pgc");
    ui::TabSheet& tshA = window.Add<ui::TabSheet>(pgc, "tshA");
    ui::TabSheet& tshB = window.Add<ui::TabSheet>(pgc, "tshB");
    ui::DBGrid& dbgX = window.Add<ui::DBGrid>(tshA, "dbgX");
    ui::MainMenu& mnuMenu = window.Add<ui::MainMenu>(window, "mnuMenu");
    ui::MenuItem& mnuA = window.Add<ui::MenuItem>(mnuMenu, "mnuA", "A");
    ui::MenuItem& mnuB = window.Add<ui::MenuItem>(mnuMenu, "mnuB", "B");
    data::DataSet cdsX{"cdsX"};
    data::DataSet cdsOculto{"cdsOculto"};
    data::DataSource dtsX{"dtsX", &cdsX};
    gsf::remote::RemoteConnection net{"netTeste"};
    bool opened = false;

    TestScreen()
    {
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
            net.Call("GetParamFilial", {"0001"});
            host::DeactiveShowAvi();
        };
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

    RunResult run(const std::string& script)
    {
        std::ostringstream out;
        std::ostringstream diagnostics;
        Interpreter interpreter(*screen, out, diagnostics);
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
    EXPECT_EQ(r.diagnostics,
              "linha 3: esperado mensagem \"Outra.\", visto \"Filial deve ser informada.\"\n");
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
    for (const auto& [script, message] : cases) {
        reset();
        const RunResult r = run(script);
        EXPECT_EQ(r.status, Status::BadScript) << script;
        EXPECT_EQ(r.diagnostics, message + "\n") << script;
    }
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
    EXPECT_EQ(run("open\nexpect field cdsX.CODE \"null\"\n").status, Status::ExpectFailed)
        << "a quoted null is a text";
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

} // namespace
