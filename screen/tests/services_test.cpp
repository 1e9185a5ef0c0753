#include "screen/tests/screen_fixture.h"

#include "platform/host/control_routines.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace gsf::screen::test {
namespace {

using data::DataSetState;
using host::Outcome;
using Calls = std::vector<std::string>;

/// Method names of the calls made since the last clearCalls, only those of @p methods.
Calls methods(const ScreenFixture& screen, std::initializer_list<const char*> methods)
{
    Calls out;
    for (const std::string& call : screen.calls()) {
        const std::string method = call.substr(0, call.find(' '));
        for (const char* wanted : methods)
            if (method == wanted)
                out.push_back(method);
    }
    return out;
}

std::string flagShown(const TfrmGrupServFat& form)
{
    return form.cdsServClie.FieldByName("IDCORREFET").Text();
}

/// Client 000002 of branch 0001, the services page of its first group (00010 flagged, 00020).
void openServices(ScreenFixture& screen)
{
    ASSERT_EQ(screen.openClient("0001", kClientWithGroups), Outcome::Done);
    ASSERT_EQ(screen.act().clickMenu("mnuServ"), Outcome::Done);
    ASSERT_EQ(screen.form().cdsServClie.RecordCount(), 2);
}

/// Loads into the services list a packet of the server's layout with these rows.
void loadServices(TfrmGrupServFat& form, const std::string& rows)
{
    form.cdsServClie.SetData(R"({"fields": [{"name": "CDSERVFILI", "type": "string", "size": 5},
                                           {"name": "NMSERVICO", "type": "string", "size": 40},
                                           {"name": "IDCORREFET", "type": "fixedstring", "size": 3},
                                           {"name": "CDGRSERVFAT", "type": "string", "size": 3},
                                           {"name": "CDFILIAL", "type": "string", "size": 4},
                                           {"name": "CDCLIENTE", "type": "string", "size": 21}],
                                "rows": )" +
                             rows + "}");
}

TEST(ServiceGrid, CodeChecksOnLeavingTheCodeColumnKeepTheRowBeingIncluded)
{
    ScreenFixture screen;
    openServices(screen);
    TfrmGrupServFat& form = screen.form();
    ASSERT_EQ(screen.act().click("sbtIncluir"), Outcome::Done);
    ASSERT_EQ(form.cdsServClie.State(), DataSetState::Insert);
    EXPECT_TRUE(form.cdsServClie.FieldByName("IDCORREFET").IsNull()); // the group has services already
    EXPECT_EQ(form.dbgServico.SelectedField()->FieldName(), "CDSERVFILI");
    for (ui::TabSheet* page : {&form.tshPadrao, &form.tshExcecao, &form.tshTabCorr})
        EXPECT_FALSE(page->Enabled()) << page->Name();
    // The group stays fixed under the new row: no filter, no navigator.
    for (ui::Control* control :
         {static_cast<ui::Control*>(&form.medCdFilial), static_cast<ui::Control*>(&form.medCdCliente),
          static_cast<ui::Control*>(&form.dbnPadrao)})
        EXPECT_FALSE(control->Enabled()) << control->Name();

    // A blank code: no call, the name emptied.
    screen.clearCalls();
    ASSERT_EQ(screen.act().selectColumn("dbgServico", "IDCORREFET"), Outcome::Done);
    EXPECT_TRUE(screen.calls().empty());
    EXPECT_EQ(form.cdsServClie.FieldByName("NMSERVICO").AsString(), "");

    // A short code is adjusted before the look-up; unknown to the client.
    screen.typeInto("dbgServico", "CDSERVFILI", "7");
    EXPECT_EQ(screen.act().selectColumn("dbgServico", "IDCORREFET"), Outcome::Failed);
    EXPECT_EQ(screen.messages().back(), "Serviço não cadastrado.");
    EXPECT_EQ(screen.calls(), Calls{"GetPesqServ 0001|000002|00007"});
    EXPECT_EQ(form.cdsServClie.FieldByName("CDSERVFILI").AsString(), "00007");
    // The row survives the refusal, with the page, the focus and the commands on it.
    EXPECT_EQ(form.cdsServClie.State(), DataSetState::Insert);
    EXPECT_EQ(form.cdsServClie.RecordCount(), 3);
    EXPECT_EQ(form.pgcPadrao.ActivePage(), &form.tshServico);
    EXPECT_EQ(screen.focused(), "dbgServico");
    EXPECT_EQ(form.dbgServico.SelectedField()->FieldName(), "CDSERVFILI");
    EXPECT_TRUE(form.sbtConfirmar.Enabled());
    EXPECT_FALSE(form.sbtIncluir.Enabled());

    // Billed through a group already: refused, argument order service before client.
    screen.clearCalls();
    screen.act().typeCell("dbgServico", "20");
    EXPECT_EQ(screen.act().selectColumn("dbgServico", "IDCORREFET"), Outcome::Failed);
    EXPECT_EQ(screen.messages().back(), "Serviço já cadastrado para o grupo informado.");
    EXPECT_EQ(screen.calls(), (Calls{"GetPesqServ 0001|000002|00020", "GetVerifServ 0001|00020|000002|001"}));

    screen.act().typeCell("dbgServico", "50");
    ASSERT_EQ(screen.act().selectColumn("dbgServico", "IDCORREFET"), Outcome::Done);
    EXPECT_EQ(form.cdsServClie.FieldByName("NMSERVICO").AsString(), "Recepção");
    EXPECT_EQ(form.cdsServClie.FieldByName("CDSERVFILI").AsString(), "00050");

    // A failed look-up call ends the check too, the row still kept.
    screen.server.failOnce("GetPesqServ", "Falha ao consultar serviços.");
    screen.typeInto("dbgServico", "CDSERVFILI", "40");
    EXPECT_EQ(screen.act().selectColumn("dbgServico", "IDCORREFET"), Outcome::Failed);
    EXPECT_EQ(screen.errors.back(), "Falha ao consultar serviços.");
    EXPECT_EQ(form.cdsServClie.State(), DataSetState::Insert);
}

TEST(ServiceGrid, TheLookUpActsOnlyOnANewRowAndChecksNothing)
{
    ScreenFixture screen;
    openServices(screen);
    TfrmGrupServFat& form = screen.form();

    // Altering: the code column is read-only, its button and checks do nothing.
    ASSERT_EQ(screen.act().click("sbtAlterar"), Outcome::Done);
    EXPECT_EQ(form.dbgServico.SelectedField()->FieldName(), "IDCORREFET");
    screen.clearCalls();
    ASSERT_EQ(screen.act().selectColumn("dbgServico", "CDSERVFILI"), Outcome::Done);
    EXPECT_NE(screen.act().typeCell("dbgServico", "50"), Outcome::Done);
    EXPECT_EQ(screen.act().clickCellButton("dbgServico"), Outcome::Done);
    EXPECT_EQ(screen.act().selectColumn("dbgServico", "NMSERVICO"), Outcome::Done);
    EXPECT_TRUE(screen.calls().empty());
    EXPECT_EQ(form.cdsServClie.FieldByName("CDSERVFILI").AsString(), "00010");
    screen.person.queueConfirm(true);
    ASSERT_EQ(screen.act().click("sbtCancelar"), Outcome::Done);

    ASSERT_EQ(screen.act().click("sbtIncluir"), Outcome::Done);
    screen.clearCalls();
    screen.person.queuePick(5);
    ASSERT_EQ(screen.act().clickCellButton("dbgServico"), Outcome::Done);
    EXPECT_EQ(screen.calls(), Calls{"GetPesqServ 0001|000002|"});
    EXPECT_EQ(form.cdsServClie.FieldByName("CDSERVFILI").AsString(), "00050");
    EXPECT_EQ(form.cdsServClie.FieldByName("NMSERVICO").AsString(), "Recepção");
    EXPECT_EQ(form.cdsServClie.FieldByName("CDGRSERVFAT").AsString(), "001");
    const std::vector<std::string>& lines = screen.person.lines();
    EXPECT_NE(std::find(lines.begin(), lines.end(), "progress show 6 \"Verificando serviços por cliente...\""),
              lines.end());
    EXPECT_FALSE(screen.person.progressVisible());

    // Closing the list without a choice changes nothing.
    screen.person.queuePick(std::nullopt);
    ASSERT_EQ(screen.act().clickCellButton("dbgServico"), Outcome::Done);
    EXPECT_EQ(form.cdsServClie.FieldByName("CDSERVFILI").AsString(), "00050");
}

TEST(ServiceGrid, TheFlagShowsTheGroupsCorrectionServiceAndCannotBeTyped)
{
    ScreenFixture screen;
    openServices(screen);
    TfrmGrupServFat& form = screen.form();
    // Group 001 names 00010; a stored "S" stays as it is, a blank shows Sim
    // only for the group's correction service.
    loadServices(form, R"([["00010", "Vigilância diurna", null, "001", "0001", "000002"],
                                ["00020", "Vigilância noturna", "S", "001", "0001", "000002"],
                                ["00040", "Limpeza", " ", "001", "0001", "000002"]])");
    EXPECT_EQ(flagShown(form), "Sim");
    form.cdsServClie.Next();
    EXPECT_EQ(flagShown(form), "S");
    form.cdsServClie.Next();
    EXPECT_EQ(flagShown(form), "Não");

    ASSERT_EQ(screen.act().click("sbtAlterar"), Outcome::Done);
    EXPECT_NE(screen.act().typeCell("dbgServico", "Sim"), Outcome::Done);
    EXPECT_FALSE(form.dbgServico.HasPendingText());
    EXPECT_EQ(screen.act().choosePick("dbgServico", "Sim"), Outcome::Done);
    EXPECT_EQ(form.dbgServico.EditorText(), "Sim");
}

TEST(ServiceGrid, ADeletedRowIsSentAtOnceAndARefusalBringsItBack)
{
    ScreenFixture screen;
    openServices(screen);
    TfrmGrupServFat& form = screen.form();
    // The grid's own row deletion (Ctrl+Delete, confirmed) reaches the server at once.
    ASSERT_TRUE(form.cdsServClie.Locate("CDSERVFILI", std::string("00020"), false));
    screen.clearCalls();
    screen.person.queueConfirm(false);
    EXPECT_EQ(screen.act().deleteRow("dbgServico"), Outcome::Ignored);
    EXPECT_TRUE(screen.calls().empty()) << "answered No, nothing is deleted";
    screen.person.queueConfirm(true);
    ASSERT_EQ(screen.act().deleteRow("dbgServico"), Outcome::Done)
        << (screen.errors.empty() ? "" : screen.errors.back());
    EXPECT_EQ(screen.calls(), Calls{"UpdServClie <delta: 1 alterações>"});
    EXPECT_EQ(form.cdsServClie.ChangeCount(), 0);
    EXPECT_EQ(form.cdsServClie.RecordCount(), 1);
    EXPECT_FALSE(screen.person.progressVisible());
    const std::vector<std::string>& lines = screen.person.lines();
    EXPECT_NE(std::find(lines.begin(), lines.end(), "progress show 1 \"Atualizando serviços por cliente...\""),
              lines.end());
    EXPECT_EQ(screen.server.storage().GetServClie("0001", "000002", "001").rows.size(), 1U);

    // Refused by the server: the row comes back, nothing stays pending for
    // the next deletion to carry again.
    screen.server.failOnce("UpdServClie", "Remoção recusada.");
    screen.person.queueConfirm(true);
    EXPECT_EQ(screen.act().deleteRow("dbgServico"), Outcome::Failed);
    EXPECT_EQ(screen.errors.back(), "Remoção recusada.");
    EXPECT_EQ(form.cdsServClie.ChangeCount(), 0);
    EXPECT_EQ(form.cdsServClie.RecordCount(), 1);
    EXPECT_EQ(form.cdsServClie.FieldByName("CDSERVFILI").AsString(), "00010");
    EXPECT_EQ(screen.server.storage().GetServClie("0001", "000002", "001").rows.size(), 1U);
}

TEST(ServicePosting, TheFirstServiceOfAGroupBecomesItsCorrectionService)
{
    ScreenFixture screen;
    TfrmGrupServFat& form = screen.form();
    ASSERT_EQ(screen.openClient("0001", kClientWithGroups), Outcome::Done);
    ASSERT_EQ(screen.act().moveToRow("dbgPadrao", 2), Outcome::Done); // group 003, no services
    ASSERT_EQ(screen.act().clickMenu("mnuServ"), Outcome::Done);
    ASSERT_TRUE(form.cdsServClie.IsEmpty());

    ASSERT_EQ(screen.act().click("sbtIncluir"), Outcome::Done);
    EXPECT_EQ(form.cdsServClie.FieldByName("IDCORREFET").AsString(), "Sim");
    screen.act().typeCell("dbgServico", "50");
    screen.clearCalls();
    ASSERT_EQ(screen.act().click("sbtConfirmar"), Outcome::Done) << (screen.errors.empty() ? "" : screen.errors.back());
    EXPECT_EQ(methods(screen, {"ProAtualizaGrupo", "ProAtualizaServ", "ProLimpaServ", "GetGrupServ"}),
              (Calls{"ProAtualizaGrupo", "ProAtualizaServ", "GetGrupServ", "GetGrupServ"}));
    EXPECT_EQ(screen.calls().front(), "GetPesqServ 0001|000002|00050");
    EXPECT_EQ(form.cdsGrupServ.FieldByName("CDGRSERVFAT").AsString(), "003");
    EXPECT_EQ(form.cdsGrupServ.FieldByName("CDSERAJEFEGSF").AsString(), "00050");
    EXPECT_EQ(form.cdsServClie.State(), DataSetState::Browse);
    EXPECT_EQ(form.cdsServClie.RecordCount(), 1);
    EXPECT_EQ(form.cdsServClie.ChangeCount(), 0);
    EXPECT_EQ(flagShown(form), "Sim");
    EXPECT_TRUE(unit().VerificaScroll);
    EXPECT_TRUE(form.tshPadrao.Enabled());
    EXPECT_TRUE(form.sbtAlterar.Enabled());

    // A missing code is refused at the post, before any server procedure.
    ASSERT_EQ(screen.act().click("sbtIncluir"), Outcome::Done);
    EXPECT_TRUE(form.cdsServClie.FieldByName("IDCORREFET").IsNull());
    screen.clearCalls();
    EXPECT_EQ(screen.act().click("sbtConfirmar"), Outcome::Failed);
    EXPECT_EQ(screen.messages().back(), "Código deve ser informado.");
    EXPECT_TRUE(screen.calls().empty());
    EXPECT_EQ(form.cdsServClie.State(), DataSetState::Insert);
    EXPECT_TRUE(unit().VerificaScroll);
}

TEST(ServicePosting, UnflaggingTheCorrectionServiceClearsItAndLeavingThePageIsRefused)
{
    ScreenFixture screen;
    openServices(screen);
    TfrmGrupServFat& form = screen.form();
    ASSERT_EQ(screen.act().click("sbtAlterar"), Outcome::Done);
    ASSERT_EQ(screen.act().choosePick("dbgServico", "Não"), Outcome::Done);
    screen.clearCalls();
    // Posted with "Serviços" in front: no correction-service check.
    ASSERT_EQ(screen.act().click("sbtConfirmar"), Outcome::Done) << (screen.errors.empty() ? "" : screen.errors.back());
    EXPECT_EQ(methods(screen, {"ProAtualizaGrupo", "ProAtualizaServ", "ProLimpaServ", "GetGrupServ"}),
              (Calls{"ProAtualizaGrupo", "ProLimpaServ", "GetGrupServ"}));
    EXPECT_TRUE(form.cdsGrupServ.FieldByName("CDSERAJEFEGSF").IsNull());
    EXPECT_EQ(flagShown(form), "Não");
    form.cdsServClie.Next();
    EXPECT_EQ(flagShown(form), "Não");

    screen.clearMessages();
    EXPECT_NE(screen.act().selectTab("tshPadrao"), Outcome::Done);
    EXPECT_EQ(screen.messages(), std::vector<std::string>{"Serviço para correção de efetivos deve ser informado."});
    EXPECT_EQ(form.pgcPadrao.ActivePage(), &form.tshServico);
    EXPECT_EQ(screen.focused(), "dbgServico");

    // Posted with another page in front, the check runs after the procedures.
    ASSERT_EQ(screen.act().click("sbtAlterar"), Outcome::Done);
    host::SetActivePage(form.pgcPadrao, form.tshPadrao);
    screen.clearCalls();
    EXPECT_EQ(screen.act().click("sbtConfirmar"), Outcome::Failed);
    EXPECT_EQ(methods(screen, {"ProAtualizaGrupo", "ProLimpaServ", "GetGrupServ"}), Calls{"ProAtualizaGrupo"});
    EXPECT_EQ(screen.messages().back(), "Serviço para correção de efetivos deve ser informado.");
    EXPECT_EQ(form.cdsServClie.State(), DataSetState::Edit);
    EXPECT_TRUE(unit().VerificaScroll);
    host::SetActivePage(form.pgcPadrao, form.tshServico);

    // Flagging another service names it and lets the page go.
    ASSERT_EQ(screen.act().choosePick("dbgServico", "Sim"), Outcome::Done);
    ASSERT_EQ(screen.act().click("sbtConfirmar"), Outcome::Done);
    EXPECT_EQ(form.cdsGrupServ.FieldByName("CDSERAJEFEGSF").AsString(), "00020");
    EXPECT_EQ(screen.act().selectTab("tshPadrao"), Outcome::Done);
}

TEST(ServicePosting, ARowShownAsTheCorrectionServiceIsPostedAsFlagged)
{
    ScreenFixture screen;
    openServices(screen);
    TfrmGrupServFat& form = screen.form();
    // 00010 is the group's correction service but carries no stored flag.
    loadServices(form, R"([["00010", "Vigilância diurna", null, "001", "0001", "000002"],
                                ["00020", "Vigilância noturna", null, "001", "0001", "000002"]])");
    ASSERT_EQ(flagShown(form), "Sim");
    ASSERT_EQ(screen.act().click("sbtAlterar"), Outcome::Done);
    screen.clearCalls();
    ASSERT_EQ(screen.act().click("sbtConfirmar"), Outcome::Done) << (screen.errors.empty() ? "" : screen.errors.back());
    const Calls procedures = methods(screen, {"ProAtualizaGrupo", "ProAtualizaServ", "ProLimpaServ", "GetGrupServ"});
    EXPECT_EQ(procedures, (Calls{"ProAtualizaGrupo", "ProAtualizaServ", "GetGrupServ", "GetGrupServ"}));
    EXPECT_EQ(screen.calls().front(), "ProAtualizaGrupo 0001|000002|001|00010");
    EXPECT_EQ(form.cdsGrupServ.FieldByName("CDSERAJEFEGSF").AsString(), "00010");
}

TEST(ServicePosting, LeavingTheServicesRereadsTheGroupsCorrectionService)
{
    ScreenFixture screen;
    openServices(screen);
    TfrmGrupServFat& form = screen.form();
    // Named, and still named on the server: the page may be left, after a fresh read.
    screen.clearCalls();
    ASSERT_EQ(screen.act().selectTab("tshExcecao"), Outcome::Done);
    ASSERT_FALSE(screen.calls().empty());
    EXPECT_EQ(screen.calls().front(), "GetGrupServ 0001|000002");
    ASSERT_EQ(screen.act().selectTab("tshServico"), Outcome::Done);

    // Cleared on the server behind the screen's back: seen as cleared, the page kept.
    screen.server.storage().ProLimpaServ("0001", "000002", "001");
    ASSERT_EQ(form.cdsGrupServ.FieldByName("CDSERAJEFEGSF").AsString(), "00010");
    screen.clearMessages();
    EXPECT_NE(screen.act().selectTab("tshPadrao"), Outcome::Done);
    EXPECT_EQ(screen.messages(), std::vector<std::string>{"Serviço para correção de efetivos deve ser informado."});
    EXPECT_TRUE(form.cdsGrupServ.FieldByName("CDSERAJEFEGSF").IsNull());
    EXPECT_EQ(form.pgcPadrao.ActivePage(), &form.tshServico);
    EXPECT_TRUE(unit().VerificaScroll);
}

TEST(ServicePosting, AFailedProcedureKeepsTheRowAndRestoresTheGroupCheck)
{
    ScreenFixture screen;
    openServices(screen);
    TfrmGrupServFat& form = screen.form();
    ASSERT_EQ(screen.act().click("sbtIncluir"), Outcome::Done);
    screen.act().typeCell("dbgServico", "50");
    screen.server.failOnce("ProAtualizaGrupo", "Serviço indisponível.");
    EXPECT_EQ(screen.act().click("sbtConfirmar"), Outcome::Failed);
    EXPECT_EQ(screen.errors.back(), "Serviço indisponível.");
    EXPECT_EQ(form.cdsServClie.State(), DataSetState::Insert);
    EXPECT_EQ(form.cdsServClie.FieldByName("CDSERVFILI").AsString(), "00050");
    EXPECT_FALSE(screen.person.progressVisible());
    EXPECT_TRUE(unit().VerificaScroll);

    // The word in capitals is no flag; the row is assigned but names nothing.
    ASSERT_EQ(screen.act().selectColumn("dbgServico", "IDCORREFET"), Outcome::Done);
    form.cdsServClie.FieldByName("IDCORREFET").SetAsString("SIM");
    screen.clearCalls();
    ASSERT_EQ(screen.act().click("sbtConfirmar"), Outcome::Done) << (screen.errors.empty() ? "" : screen.errors.back());
    EXPECT_EQ(methods(screen, {"ProAtualizaGrupo", "ProAtualizaServ", "ProLimpaServ"}), Calls{"ProAtualizaGrupo"});
    EXPECT_EQ(form.cdsGrupServ.FieldByName("CDSERAJEFEGSF").AsString(), "00010");
    EXPECT_EQ(form.cdsServClie.RecordCount(), 3);

    // One letter that upper-cases to "S" is a flag.
    ASSERT_TRUE(form.cdsServClie.Locate("CDSERVFILI", std::string("00050"), false));
    ASSERT_EQ(screen.act().click("sbtAlterar"), Outcome::Done);
    form.cdsServClie.FieldByName("IDCORREFET").SetAsString("s");
    screen.clearCalls();
    ASSERT_EQ(screen.act().click("sbtConfirmar"), Outcome::Done) << (screen.errors.empty() ? "" : screen.errors.back());
    EXPECT_EQ(methods(screen, {"ProAtualizaGrupo", "ProAtualizaServ", "ProLimpaServ"}),
              (Calls{"ProAtualizaGrupo", "ProAtualizaServ"}));
    EXPECT_EQ(form.cdsGrupServ.FieldByName("CDSERAJEFEGSF").AsString(), "00050");
}

} // namespace
} // namespace gsf::screen::test
