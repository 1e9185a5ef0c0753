#include "screen/tests/screen_fixture.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace gsf::screen::test {
namespace {

using data::DataSetState;
using host::Outcome;
using Calls = std::vector<std::string>;

bool shown(const ScreenFixture& screen, const std::string& line)
{
    const std::vector<std::string>& lines = screen.person.lines();
    return std::find(lines.begin(), lines.end(), line) != lines.end();
}

int confirmations(const ScreenFixture& screen)
{
    const std::vector<std::string>& lines = screen.person.lines();
    return static_cast<int>(
        std::count_if(lines.begin(), lines.end(), [](const std::string& l) { return l.rfind("confirm ", 0) == 0; }));
}

/// The services of a group as the server holds them now.
int servicesOnServer(ScreenFixture& screen, const char* group)
{
    return static_cast<int>(screen.server.storage().GetServClie("0001", "000002", group).rows.size());
}

void expectOnlyInclude(const TfrmGrupServFat& form)
{
    EXPECT_TRUE(form.sbtIncluir.Enabled());
    for (const ui::SpeedButton* button : {&form.sbtAlterar, &form.sbtExcluir, &form.sbtProcurar, &form.sbtVerificar,
                                          &form.sbtCancelar, &form.sbtConfirmar})
        EXPECT_FALSE(button->Enabled()) << button->Name();
}

TEST(DeleteCommand, OnServicesTheCorrectionServiceIsClearedFirstAndNoAsksNothingOfTheServer)
{
    ScreenFixture screen;
    TfrmGrupServFat& form = screen.form();
    ASSERT_EQ(screen.openClient("0001", kClientWithGroups), Outcome::Done);
    ASSERT_EQ(screen.act().clickMenu("mnuServ"), Outcome::Done);
    screen.clearCalls();
    screen.person.queueConfirm(false);
    ASSERT_EQ(screen.act().click("sbtExcluir"), Outcome::Done);
    EXPECT_TRUE(screen.calls().empty());
    EXPECT_EQ(form.cdsServClie.RecordCount(), 2);

    // 00010 carries the group's correction. A refused removal ends the command
    // with the list as it was; the correction service cleared before stays
    // cleared, and the screen reads the group again to hold it so.
    const auto reread = Calls{"GetGrupServ 0001|000002", "GetServClie 0001|000002|001",
                              "GetCorrPrecGrup 0001|000002|001", "GetServClie 0001|000002|001"};
    screen.server.failOnce("ProDeletaServ", "Remoção recusada.");
    screen.person.queueConfirm(true);
    EXPECT_EQ(screen.act().click("sbtExcluir"), Outcome::Failed);
    EXPECT_EQ(screen.errors.back(), "Remoção recusada.");
    Calls expected{"ProLimpaServ 0001|000002|001", "ProDeletaServ 0001|000002|001|00010"};
    expected.insert(expected.end(), reread.begin(), reread.end());
    EXPECT_EQ(screen.calls(), expected);
    EXPECT_FALSE(screen.person.progressVisible());
    EXPECT_EQ(form.cdsServClie.RecordCount(), 2);
    EXPECT_EQ(servicesOnServer(screen, "001"), 2);
    const data::Packet groups = screen.server.storage().GetGrupServ("0001", "000002");
    EXPECT_TRUE(data::isNull(groups.rows.front()[static_cast<size_t>(groups.indexOf("CDSERAJEFEGSF"))]));
    EXPECT_TRUE(form.cdsGrupServ.FieldByName("CDSERAJEFEGSF").IsNull());

    // Named again (and seen so), the removal clears it first, then reads the group again.
    screen.server.storage().ProAtualizaServ("0001", "000002", "001", "00010");
    ASSERT_EQ(screen.act().clickMenu("mnuGrupServ"), Outcome::Done);
    ASSERT_EQ(screen.act().click("sbtVerificar"), Outcome::Done);
    ASSERT_EQ(screen.act().clickMenu("mnuServ"), Outcome::Done);
    screen.clearCalls();
    screen.person.queueConfirm(true);
    ASSERT_EQ(screen.act().click("sbtExcluir"), Outcome::Done);
    expected = {"ProLimpaServ 0001|000002|001", "ProDeletaServ 0001|000002|001|00010"};
    expected.insert(expected.end(), reread.begin(), reread.end());
    EXPECT_EQ(screen.calls(), expected);
    EXPECT_TRUE(shown(screen, "progress show 1 \"Removendo serviços por clientes...\""));
    EXPECT_FALSE(screen.person.progressVisible());
    EXPECT_EQ(form.cdsServClie.RecordCount(), 1);

    screen.clearCalls();
    screen.person.queueConfirm(true);
    ASSERT_EQ(screen.act().click("sbtExcluir"), Outcome::Done);
    EXPECT_EQ(screen.calls(), (Calls{"ProDeletaServ 0001|000002|001|00020", "GetServClie 0001|000002|001"}));
    EXPECT_TRUE(form.cdsServClie.IsEmpty());
    expectOnlyInclude(form);
    EXPECT_EQ(servicesOnServer(screen, "001"), 0);
}

TEST(DeleteCommand, AGroupKeptOnNoKeepsItsServices)
{
    ScreenFixture screen;
    TfrmGrupServFat& form = screen.form();
    ASSERT_EQ(screen.openClient("0001", kClientWithGroups), Outcome::Done);
    screen.clearCalls();
    screen.person.queueConfirm(false);
    ASSERT_EQ(screen.act().click("sbtExcluir"), Outcome::Done);
    EXPECT_TRUE(screen.calls().empty());
    EXPECT_EQ(form.cdsGrupServ.RecordCount(), 3);
    EXPECT_EQ(servicesOnServer(screen, "001"), 2);

    // Yes: the services go, then the group, read again first because removing
    // the services cleared its correction service on the server.
    screen.person.queueConfirm(true);
    ASSERT_EQ(screen.act().click("sbtExcluir"), Outcome::Done) << (screen.errors.empty() ? "" : screen.errors.back());
    EXPECT_EQ(confirmations(screen), 2);
    const Calls calls = screen.calls();
    ASSERT_FALSE(calls.empty());
    EXPECT_EQ(calls.front(), "ProDelServ 0001|000002|001");
    EXPECT_EQ(std::count(calls.begin(), calls.end(), "UpdGrupServ <delta: 1 alterações>"), 1);
    EXPECT_EQ(Calls(calls.end() - 2, calls.end()),
              (Calls{"GetServClie 0001|000002|002", "GetCorrPrecGrup 0001|000002|002"}));
    EXPECT_EQ(form.cdsGrupServ.RecordCount(), 2);
    EXPECT_EQ(form.cdsGrupServ.FieldByName("CDGRSERVFAT").AsString(), "002");
    EXPECT_EQ(form.cdsServClie.RecordCount(), 2);
    EXPECT_EQ(form.cdsCorrPrecGrup.RecordCount(), 2);
    EXPECT_TRUE(unit().VerificaScroll);
    EXPECT_EQ(servicesOnServer(screen, "001"), 0);
}

TEST(DeleteCommand, ExceptionsPageDeletesTheGroupAndTheLastGroupLeavesOnlyInclude)
{
    ScreenFixture screen;
    TfrmGrupServFat& form = screen.form();
    ASSERT_EQ(screen.openClient("0001", kClientOneGroup), Outcome::Done);
    ASSERT_EQ(screen.act().clickMenu("mnuExce"), Outcome::Done);
    ASSERT_EQ(form.cdsGrupServ.RecordCount(), 1);
    // "Exceções Dia" offers no delete of its own; the command still routes to the group.
    form.sbtExcluir.SetEnabled(true);
    screen.clearCalls();
    screen.person.queueConfirm(true);
    ASSERT_EQ(screen.act().click("sbtExcluir"), Outcome::Done) << (screen.errors.empty() ? "" : screen.errors.back());
    EXPECT_EQ(screen.calls(), (Calls{"ProDelServ 0001|000001|001", "UpdGrupServ <delta: 1 alterações>",
                                     "GetServClie ||", "GetServClie ||", "GetCorrPrecGrup ||"}));
    EXPECT_TRUE(form.cdsGrupServ.IsEmpty());
    expectOnlyInclude(form);
}

TEST(IncludeCommand, FromExceptionsANewGroupStartsOnTheGroupPage)
{
    ScreenFixture screen;
    TfrmGrupServFat& form = screen.form();
    ASSERT_EQ(screen.openClient("0001", kClientWithGroups), Outcome::Done);
    ASSERT_EQ(screen.act().clickMenu("mnuExce"), Outcome::Done);
    form.sbtIncluir.SetEnabled(true);
    ASSERT_EQ(screen.act().click("sbtIncluir"), Outcome::Done);
    EXPECT_EQ(form.pgcPadrao.ActivePage(), &form.tshPadrao);
    EXPECT_TRUE(form.mnuGrupServ.Checked());
    EXPECT_FALSE(form.mnuExce.Checked());
    EXPECT_EQ(form.cdsGrupServ.State(), DataSetState::Insert);
    EXPECT_EQ(form.dbgPadrao.SelectedField()->FieldName(), "CDGRSERVFAT");
    screen.person.queueConfirm(true);
    ASSERT_EQ(screen.act().click("sbtCancelar"), Outcome::Done);

    ASSERT_EQ(screen.act().click("sbtAlterar"), Outcome::Done);
    EXPECT_EQ(form.cdsGrupServ.State(), DataSetState::Edit);
    EXPECT_EQ(form.dbgPadrao.SelectedField()->FieldName(), "DSGRSERVFAT");
}

TEST(CancelAndConfirm, ANoKeepsTheServiceRowAndConfirmReloadsTheServices)
{
    ScreenFixture screen;
    TfrmGrupServFat& form = screen.form();
    ASSERT_EQ(screen.openClient("0001", kClientWithGroups), Outcome::Done);
    ASSERT_EQ(screen.act().clickMenu("mnuServ"), Outcome::Done);
    ASSERT_EQ(screen.act().click("sbtIncluir"), Outcome::Done);
    screen.act().typeCell("dbgServico", "50");
    screen.clearMessages();
    screen.person.queueConfirm(false);
    ASSERT_EQ(screen.act().click("sbtCancelar"), Outcome::Done);
    EXPECT_EQ(confirmations(screen), 1);
    EXPECT_EQ(form.cdsServClie.State(), DataSetState::Insert);
    EXPECT_TRUE(form.sbtConfirmar.Enabled());
    EXPECT_TRUE(form.sbtCancelar.Enabled());
    EXPECT_FALSE(form.sbtIncluir.Enabled());

    screen.clearCalls();
    ASSERT_EQ(screen.act().click("sbtConfirmar"), Outcome::Done) << (screen.errors.empty() ? "" : screen.errors.back());
    EXPECT_EQ(screen.calls().back(), "GetServClie 0001|000002|001");
    EXPECT_EQ(form.cdsServClie.RecordCount(), 3);
    EXPECT_EQ(form.cdsServClie.State(), DataSetState::Browse);
    EXPECT_TRUE(form.sbtExcluir.Enabled());
    EXPECT_EQ(servicesOnServer(screen, "001"), 3);
}

TEST(SearchCommand, SearchingGroupsDoesNotAskForTheCorrectionService)
{
    ScreenFixture screen;
    TfrmGrupServFat& form = screen.form();
    screen.server.storage().ProLimpaServ("0001", "000002", "001");
    ASSERT_EQ(screen.openClient("0001", kClientWithGroups), Outcome::Done);
    screen.clearMessages();
    screen.person.queueFind("CDGRSERVFAT", "002");
    ASSERT_EQ(screen.act().click("sbtProcurar"), Outcome::Done);
    EXPECT_TRUE(screen.messages().empty());
    EXPECT_EQ(form.cdsGrupServ.FieldByName("CDGRSERVFAT").AsString(), "002");
    EXPECT_TRUE(unit().VerificaScroll);

    // Back on 001, moving on by the grid asks for it and brings "Serviços" up.
    screen.person.queueFind("CDGRSERVFAT", "001");
    ASSERT_EQ(screen.act().click("sbtProcurar"), Outcome::Done);
    EXPECT_EQ(screen.act().moveToRow("dbgPadrao", 1), Outcome::Failed);
    EXPECT_EQ(screen.messages(), std::vector<std::string>{"Serviço para correção de efetivos deve ser informado."});
    ASSERT_EQ(form.pgcPadrao.ActivePage(), &form.tshServico);

    // On "Serviços" the dialog searches the services.
    screen.person.queueFind("CDSERVFILI", "00020");
    ASSERT_EQ(screen.act().click("sbtProcurar"), Outcome::Done);
    EXPECT_TRUE(shown(screen, "find CDSERVFILI 00020 -> found"));
    EXPECT_EQ(form.cdsServClie.FieldByName("CDSERVFILI").AsString(), "00020");
    EXPECT_EQ(form.cdsGrupServ.FieldByName("CDGRSERVFAT").AsString(), "001");
}

TEST(VerifyCommand, ReloadsTheListOfThePageInFront)
{
    ScreenFixture screen;
    TfrmGrupServFat& form = screen.form();
    ASSERT_EQ(screen.openClient("0001", kClientWithGroups), Outcome::Done);
    ASSERT_EQ(screen.act().moveToRow("dbgPadrao", 1), Outcome::Done);

    // Services and intervals: the current group's keys, the group kept.
    ASSERT_EQ(screen.act().clickMenu("mnuServ"), Outcome::Done);
    screen.server.storage().ProDeletaServ("0001", "000002", "002", "00040");
    screen.clearCalls();
    ASSERT_EQ(screen.act().click("sbtVerificar"), Outcome::Done);
    EXPECT_EQ(screen.calls(), Calls{"GetServClie 0001|000002|002"});
    EXPECT_EQ(form.cdsServClie.RecordCount(), 1);
    EXPECT_EQ(form.pgcPadrao.ActivePage(), &form.tshServico);

    // A failed read keeps what the list showed.
    screen.server.failOnce("GetServClie", "Servidor ocupado.");
    screen.server.storage().ProDeletaServ("0001", "000002", "002", "00030");
    EXPECT_EQ(screen.act().click("sbtVerificar"), Outcome::Failed);
    EXPECT_EQ(screen.errors.back(), "Servidor ocupado.");
    EXPECT_EQ(form.cdsServClie.RecordCount(), 1);
    // Put back, so the page may be left.
    screen.server.storage().ProAtualizaGrupo("0001", "000002", "002", "00030");
    screen.server.storage().ProAtualizaServ("0001", "000002", "002", "00030");

    ASSERT_EQ(screen.act().clickMenu("mnuTabCorr"), Outcome::Done);
    screen.clearCalls();
    ASSERT_EQ(screen.act().click("sbtVerificar"), Outcome::Done);
    EXPECT_EQ(screen.calls(), Calls{"GetCorrPrecGrup 0001|000002|002"});
    EXPECT_EQ(form.cdsCorrPrecGrup.RecNo(), form.cdsCorrPrecGrup.RecordCount());
    EXPECT_FALSE(form.sbtProcurar.Enabled());
    EXPECT_EQ(form.cdsGrupServ.FieldByName("CDGRSERVFAT").AsString(), "002");

    // "Exceções Dia": the whole group list, for the client of the filter; the first group current.
    ASSERT_EQ(screen.act().clickMenu("mnuExce"), Outcome::Done);
    screen.clearCalls();
    ASSERT_EQ(screen.act().click("sbtVerificar"), Outcome::Done);
    ASSERT_FALSE(screen.calls().empty());
    EXPECT_EQ(screen.calls().front(), "GetGrupServ 0001|000002");
    EXPECT_EQ(form.cdsGrupServ.FieldByName("CDGRSERVFAT").AsString(), "001");
    EXPECT_EQ(form.pgcPadrao.ActivePage(), &form.tshExcecao);
    EXPECT_TRUE(form.sbtVerificar.Enabled());
}

} // namespace
} // namespace gsf::screen::test
