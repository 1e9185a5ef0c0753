#include "screen/tests/screen_fixture.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace gsf::screen::test {
namespace {

using host::Outcome;

bool called(const std::vector<std::string>& calls, const std::string& call)
{
    return std::find(calls.begin(), calls.end(), call) != calls.end();
}

TEST(BranchFilter, BlankOrUnknownBranchKeepsTheFocus)
{
    ScreenFixture screen;
    screen.act().typeText("medCdFilial", "");
    EXPECT_EQ(screen.act().focus("medCdCliente"), Outcome::Failed);
    EXPECT_EQ(screen.messages(), std::vector<std::string>{"Filial deve ser informada."});
    EXPECT_EQ(screen.focused(), "medCdFilial");

    screen.clearMessages();
    screen.act().typeText("medCdFilial", "9");
    EXPECT_EQ(screen.act().focus("medCdCliente"), Outcome::Failed);
    EXPECT_EQ(screen.messages(), std::vector<std::string>{"Filial não cadastrada."});
    EXPECT_EQ(screen.focused(), "medCdFilial");
    EXPECT_EQ(screen.form().medCdFilial.Text(), "0009");
    EXPECT_FALSE(screen.form().cdsGrupServ.Active());
}

TEST(BranchFilter, AnAdjustedBranchCodeClearsTheClient)
{
    // The host presets "1": the adjustment happens only when the panel is left.
    ScreenFixture screen({true, "1", "Filial Centro"});
    TfrmGrupServFat& form = screen.form();
    screen.act().typeText("medCdCliente", kClientWithGroups);
    EXPECT_EQ(screen.act().focus("dbgPadrao"), Outcome::Failed);
    EXPECT_EQ(form.medCdFilial.Text(), "0001");
    EXPECT_EQ(form.medCdCliente.Text(), "");
    EXPECT_EQ(screen.messages(), std::vector<std::string>{"Cliente deve ser informado."});
    EXPECT_EQ(screen.focused(), "medCdCliente");
    EXPECT_EQ(screen.count("GetGrupServ"), 0);
}

TEST(BranchFilter, LeavingTheAdjustedBranchAgainKeepsTheClient)
{
    ScreenFixture screen;
    TfrmGrupServFat& form = screen.form();
    screen.act().typeText("medCdFilial", "1");
    ASSERT_EQ(screen.act().focus("medCdCliente"), Outcome::Done);
    EXPECT_EQ(form.edtNmFilial.Text(), "Filial Centro");
    screen.act().typeText("medCdCliente", kClientWithGroups);
    screen.act().focus("medCdFilial");
    ASSERT_EQ(screen.act().focus("medCdCliente"), Outcome::Done);
    EXPECT_EQ(form.medCdCliente.Text(), kClientWithGroups);
}

TEST(ClientFilter, AResolvedClientIsNotAskedForAgain)
{
    ScreenFixture screen;
    TfrmGrupServFat& form = screen.form();
    ASSERT_EQ(screen.openClient("0001", "112.223.330/001-81"), Outcome::Done);
    EXPECT_TRUE(called(screen.calls(), "GetPesqClie 11222333000181|0001"));
    EXPECT_TRUE(called(screen.calls(), "GetGrupServ 0001|000002"));
    EXPECT_EQ(form.ClienteValidado(), "000002");
    EXPECT_EQ(form.edtNmCliente.Text(), "Comércio Exemplo Ltda");
    EXPECT_EQ(form.medCdCliente.EditText(), "11.222.333/0001-81");

    // Entering the field drops the mask only: the client stays resolved.
    ASSERT_EQ(screen.act().focus("medCdCliente"), Outcome::Done);
    EXPECT_EQ(form.medCdCliente.EditText(), "11222333000181");
    EXPECT_EQ(form.edtNmCliente.Text(), "Comércio Exemplo Ltda");
    EXPECT_EQ(form.ClienteValidado(), "000002");
    screen.clearCalls();
    ASSERT_EQ(screen.act().focus("dbgPadrao"), Outcome::Done);
    EXPECT_EQ(screen.count("GetPesqClie"), 0);
    EXPECT_EQ(screen.count("GetGrupServ"), 1);

    // One typed character unresolves it at once.
    screen.act().typeText("medCdCliente", "52998224725");
    EXPECT_EQ(form.edtNmCliente.Text(), "");
    EXPECT_EQ(form.ClienteValidado(), "");
    screen.clearCalls();
    ASSERT_EQ(screen.act().focus("dbgPadrao"), Outcome::Done);
    EXPECT_TRUE(called(screen.calls(), "GetPesqClie 52998224725|0001"));
    EXPECT_EQ(form.edtNmCliente.Text(), "Maria da Silva");
}

TEST(ClientFilter, LeavingThePanelLoadsTheGroupsThenTheBranchParameters)
{
    ScreenFixture screen;
    ASSERT_EQ(screen.openClient("0001", kClientWithGroups), Outcome::Done);
    // Branch before client in every call; the first group's lists after the
    // open and again after the scroll; the branch parameters last.
    EXPECT_EQ(screen.calls(), (std::vector<std::string>{
                                  "GetPesqClie 11222333000181|0001",
                                  "GetGrupServ 0001|000002",
                                  "GetServClie 0001|000002|001",
                                  "GetCorrPrecGrup 0001|000002|001",
                                  "GetServClie 0001|000002|001",
                                  "GetParamFilial 0001",
                              }));
    const std::vector<std::string>& lines = screen.person.lines();
    const auto shown =
        std::find(lines.begin(), lines.end(), "progress show 6 \"Carregando grupos de serviços para faturamento...\"");
    ASSERT_NE(shown, lines.end());
    ASSERT_NE(shown + 1, lines.end());
    EXPECT_EQ(*(shown + 1), "progress hide");
    EXPECT_FALSE(screen.person.progressVisible());
}

TEST(ClientFilter, UnknownOrBlankClientLoadsNothing)
{
    ScreenFixture screen;
    EXPECT_EQ(screen.openClient("0001", "99999999999"), Outcome::Failed);
    EXPECT_EQ(screen.messages(), std::vector<std::string>{"Cliente não cadastrado."});
    EXPECT_EQ(screen.focused(), "medCdCliente");
    screen.clearMessages();
    EXPECT_EQ(screen.openClient("0001", ""), Outcome::Failed);
    EXPECT_EQ(screen.messages(), std::vector<std::string>{"Cliente deve ser informado."});
    EXPECT_EQ(screen.count("GetGrupServ"), 0);
    EXPECT_FALSE(screen.form().cdsGrupServ.Active());
}

TEST(ClientFilter, ClientWithoutGroupsOffersOnlyIncludeOnTheFirstPage)
{
    ScreenFixture screen;
    TfrmGrupServFat& form = screen.form();
    ASSERT_EQ(screen.openClient("0001", kClientWithoutGroups), Outcome::Done);
    EXPECT_EQ(form.pgcPadrao.ActivePage(), &form.tshPadrao);
    EXPECT_TRUE(form.tshPadrao.Enabled());
    for (ui::TabSheet* page : {&form.tshServico, &form.tshExcecao, &form.tshTabCorr})
        EXPECT_FALSE(page->Enabled()) << page->Name();
    for (ui::MenuItem* entry : {&form.mnuGrupServ, &form.mnuServ, &form.mnuExce, &form.mnuTabCorr})
        EXPECT_FALSE(entry->Enabled()) << entry->Name();
    EXPECT_TRUE(form.sbtIncluir.Enabled());
    EXPECT_TRUE(form.mnuIncluir.Enabled());
    for (ui::SpeedButton* button : {&form.sbtAlterar, &form.sbtExcluir, &form.sbtProcurar, &form.sbtVerificar,
                                    &form.sbtImprimir, &form.sbtCancelar, &form.sbtConfirmar})
        EXPECT_FALSE(button->Enabled()) << button->Name();
    EXPECT_EQ(screen.count("GetParamFilial"), 0);
    // Even an empty list asks for the services and intervals, with empty keys.
    EXPECT_TRUE(called(screen.calls(), "GetServClie ||"));
    EXPECT_TRUE(called(screen.calls(), "GetCorrPrecGrup ||"));
}

TEST(ClientFilter, BillingParametersOpenTheirPagesOnlyOnExactValues)
{
    {
        ScreenFixture screen;
        ASSERT_EQ(screen.openClient("0001", kClientWithGroups), Outcome::Done);
        EXPECT_TRUE(screen.form().tshExcecao.Enabled());
        EXPECT_TRUE(screen.form().tshTabCorr.Enabled());
        EXPECT_TRUE(screen.form().mnuTabCorr.Enabled());
        EXPECT_TRUE(screen.form().tshServico.Enabled());
        EXPECT_TRUE(screen.form().mnuGrupServ.Enabled());
        EXPECT_FALSE(screen.form().sbtImprimir.Enabled());
    }
    {
        // Branch 0003: "EXCDIA=01;TABCORR=2 ".
        ScreenFixture screen({false, "0003", "Filial Sul"});
        ASSERT_EQ(screen.openClient("0003", "A1B2C3D4000193"), Outcome::Done);
        EXPECT_EQ(unit().ParamTabCorr, "2 ");
        EXPECT_FALSE(screen.form().tshExcecao.Enabled());
        EXPECT_FALSE(screen.form().tshTabCorr.Enabled());
        EXPECT_FALSE(screen.form().mnuTabCorr.Enabled());
        EXPECT_TRUE(screen.form().tshServico.Enabled());
    }
    {
        // Branch 0002 has no billing type.
        ScreenFixture screen({false, "0002", "Filial Norte"});
        ASSERT_EQ(screen.openClient("0002", "45678912000155"), Outcome::Done);
        EXPECT_EQ(screen.count("GetParamFilial"), 1);
        EXPECT_TRUE(unit().ParamExcecaoDia.empty());
        EXPECT_FALSE(screen.form().tshExcecao.Enabled());
        EXPECT_FALSE(screen.form().tshTabCorr.Enabled());
    }
}

TEST(ClientLookup, AListClosedWithoutAChoiceKeepsTheClientShown)
{
    ScreenFixture screen;
    TfrmGrupServFat& form = screen.form();
    ASSERT_EQ(screen.openClient("0001", kClientWithGroups), Outcome::Done);
    screen.person.queuePick(std::nullopt);
    ASSERT_EQ(screen.act().click("btpCliente"), Outcome::Done);
    EXPECT_EQ(form.cdsCliente.RecordCount(), 4);
    EXPECT_EQ(form.cdsCliente.FieldByName("CDCLIENTE").AsString(), "000002");

    screen.act().focus("medCdCliente");
    screen.clearCalls();
    ASSERT_EQ(screen.act().focus("dbgPadrao"), Outcome::Done);
    EXPECT_EQ(screen.calls().front(), "GetGrupServ 0001|000002");
    EXPECT_EQ(form.edtNmCliente.Text(), "Comércio Exemplo Ltda");
}

TEST(ClientLookup, APickResolvesTheClientWithoutAnotherSearch)
{
    ScreenFixture screen;
    TfrmGrupServFat& form = screen.form();
    screen.act().typeText("medCdFilial", "0001");
    screen.person.queuePick(3);
    ASSERT_EQ(screen.act().click("btpCliente"), Outcome::Done);
    EXPECT_TRUE(called(screen.calls(), "GetPesqClie |0001"));
    const std::string chosen = form.cdsCliente.FieldByName("CDCLIENTE").AsString();
    EXPECT_EQ(form.ClienteValidado(), chosen);
    EXPECT_EQ(form.edtNmCliente.Text(), form.cdsCliente.FieldByName("NMRAZSOCCLIE").AsString());
    EXPECT_EQ(form.medCdCliente.Text(), form.cdsCliente.FieldByName("NRINSJURCLIE").AsString());

    screen.clearCalls();
    ASSERT_EQ(screen.act().focus("dbgPadrao"), Outcome::Done);
    EXPECT_EQ(screen.count("GetPesqClie"), 0);
    EXPECT_EQ(screen.calls().front(), "GetGrupServ 0001|" + chosen);
}

TEST(BranchLookup, APickWritesCodeAndNameAndClearsTheClient)
{
    ScreenFixture screen;
    TfrmGrupServFat& form = screen.form();
    screen.act().typeText("medCdCliente", kClientWithGroups);
    screen.person.queuePick(2);
    ASSERT_EQ(screen.act().click("btpFilial"), Outcome::Done);
    EXPECT_EQ(form.medCdFilial.Text(), "0002");
    EXPECT_EQ(form.edtNmFilial.Text(), "Filial Norte");
    EXPECT_EQ(form.medCdCliente.Text(), "");
}

TEST(ClientFilter, AServerFailureKeepsWhatWasLoaded)
{
    ScreenFixture screen;
    ASSERT_EQ(screen.openClient("0001", kClientWithGroups), Outcome::Done);
    screen.server.failOnce("GetGrupServ", "Falha simulada.");
    screen.act().focus("medCdCliente");
    EXPECT_EQ(screen.act().focus("dbgPadrao"), Outcome::Failed);
    EXPECT_EQ(screen.errors.back(), "Falha simulada.");
    EXPECT_EQ(screen.form().cdsGrupServ.RecordCount(), 3);
    EXPECT_FALSE(screen.person.progressVisible());
    EXPECT_EQ(screen.focused(), "medCdCliente");
}

} // namespace
} // namespace gsf::screen::test
