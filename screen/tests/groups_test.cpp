#include "screen/tests/screen_fixture.h"
#include "records/remote_module.h"

#include "platform/host/errors.h"
#include "screen/shell/dataset_definitions.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace gsf::screen::test {
namespace {

using data::DataSetState;
using host::Outcome;

bool called(const std::vector<std::string>& calls, const std::string& call)
{
    return std::find(calls.begin(), calls.end(), call) != calls.end();
}

TEST(GroupEditing, ValueChecksComeBeforePresenceChecks)
{
    ScreenFixture screen;
    ASSERT_EQ(screen.openClient("0001", kClientWithGroups), Outcome::Done);
    ASSERT_EQ(screen.act().click("sbtIncluir"), Outcome::Done);
    screen.typeInto("dbgPadrao", "QTEFETMINIGSF", "-2");
    screen.clearMessages();
    EXPECT_EQ(screen.act().click("sbtConfirmar"), Outcome::Failed);
    EXPECT_EQ(screen.messages(), std::vector<std::string>{"Mínimo efetivos por dia deve ser maior ou igual a zero."});
    EXPECT_EQ(screen.form().cdsGrupServ.State(), DataSetState::Insert);

    screen.clearMessages();
    screen.typeInto("dbgPadrao", "QTEFETMINIGSF", "2");
    EXPECT_EQ(screen.act().click("sbtConfirmar"), Outcome::Failed);
    EXPECT_EQ(screen.messages(), std::vector<std::string>{"Código deve ser informado."});
    EXPECT_EQ(screen.form().dbgPadrao.SelectedField()->FieldName(), "CDGRSERVFAT");
    EXPECT_EQ(screen.count("UpdGrupServ"), 0);
}

TEST(GroupEditing, ATakenCodeIsRefusedOnlyWhileInserting)
{
    ScreenFixture screen;
    TfrmGrupServFat& form = screen.form();
    ASSERT_EQ(screen.openClient("0001", kClientWithGroups), Outcome::Done);
    ASSERT_EQ(screen.act().click("sbtIncluir"), Outcome::Done);
    EXPECT_EQ(form.dbgPadrao.SelectedField()->FieldName(), "CDGRSERVFAT");
    // Pages, entries and filter stay closed while the group is new.
    for (ui::TabSheet* page : {&form.tshServico, &form.tshExcecao, &form.tshTabCorr})
        EXPECT_FALSE(page->Enabled()) << page->Name();
    for (ui::MenuItem* entry : {&form.mnuServ, &form.mnuExce, &form.mnuTabCorr})
        EXPECT_FALSE(entry->Enabled()) << entry->Name();
    EXPECT_FALSE(form.medCdCliente.Enabled());
    EXPECT_FALSE(form.btpFilial.Enabled());

    screen.act().typeCell("dbgPadrao", "2");
    screen.clearCalls();
    EXPECT_EQ(screen.act().selectColumn("dbgPadrao", "DSGRSERVFAT"), Outcome::Failed);
    EXPECT_EQ(screen.messages().back(), "Grupo de serviço para faturamento já cadastrado.");
    EXPECT_TRUE(called(screen.calls(), "GetVerifGrupServ 0001|000002|002"));
    EXPECT_EQ(form.cdsGrupServ.FieldByName("CDGRSERVFAT").AsString(), "002");
    EXPECT_EQ(form.dbgPadrao.SelectedField()->FieldName(), "CDGRSERVFAT");

    screen.clearMessages();
    EXPECT_EQ(screen.act().focus("medCdCliente"), Outcome::Ignored); // the filter is closed
    EXPECT_EQ(screen.act().focus("pgcPadrao"), Outcome::Failed);
    EXPECT_EQ(screen.messages(), std::vector<std::string>{"Grupo de serviço para faturamento já cadastrado."});
    EXPECT_EQ(screen.focused(), "dbgPadrao");

    screen.person.queueConfirm(true);
    ASSERT_EQ(screen.act().click("sbtCancelar"), Outcome::Done);
    EXPECT_EQ(form.cdsGrupServ.RecordCount(), 3);

    ASSERT_EQ(screen.act().click("sbtAlterar"), Outcome::Done);
    screen.clearCalls();
    EXPECT_TRUE(form.dbgPadrao.ColumnAt(0).ReadOnly());
    EXPECT_NE(screen.act().selectColumn("dbgPadrao", "CDGRSERVFAT"), Outcome::Failed);
    EXPECT_NE(screen.act().typeCell("dbgPadrao", "009"), Outcome::Done);
    screen.typeInto("dbgPadrao", "DSGRSERVFAT", "Vigilância 24h");
    ASSERT_EQ(screen.act().click("sbtConfirmar"), Outcome::Done);
    EXPECT_EQ(screen.count("GetVerifGrupServ"), 0);
    EXPECT_EQ(screen.count("UpdGrupServ"), 1);
    EXPECT_FALSE(form.dbgPadrao.ColumnAt(0).ReadOnly());
    EXPECT_EQ(form.cdsGrupServ.ChangeCount(), 0);
}

TEST(GroupEditing, ANewGroupIsPostedAndTheFirstGroupLoadsTheBranchParameters)
{
    ScreenFixture screen;
    TfrmGrupServFat& form = screen.form();
    ASSERT_EQ(screen.openClient("0001", kClientWithoutGroups), Outcome::Done);
    ASSERT_TRUE(unit().ParamTabCorr.empty());
    ASSERT_EQ(screen.act().click("sbtIncluir"), Outcome::Done);
    EXPECT_EQ(screen.count("GetParamFilial"), 1);
    EXPECT_EQ(unit().ParamTabCorr, "2");
    screen.act().typeCell("dbgPadrao", "7");
    screen.typeInto("dbgPadrao", "QTEFETMINIGSF", "1,5");
    screen.clearMessages();
    EXPECT_EQ(screen.act().click("sbtConfirmar"), Outcome::Failed);
    EXPECT_EQ(screen.messages(), std::vector<std::string>{"Descrição deve ser informada."});
    EXPECT_EQ(form.dbgPadrao.SelectedField()->FieldName(), "DSGRSERVFAT");
    EXPECT_EQ(form.cdsGrupServ.State(), DataSetState::Insert);
    EXPECT_EQ(screen.count("UpdGrupServ"), 0);

    screen.typeInto("dbgPadrao", "DSGRSERVFAT", "Portaria");
    screen.clearMessages();
    ASSERT_EQ(screen.act().click("sbtConfirmar"), Outcome::Done) << (screen.errors.empty() ? "" : screen.errors.back());
    EXPECT_EQ(screen.person.lines(),
              (std::vector<std::string>{"progress show 1 \"Atualizando grupos de serviços para faturamento...\"",
                                        "progress hide"}));
    EXPECT_EQ(form.cdsGrupServ.State(), DataSetState::Browse);
    EXPECT_EQ(form.cdsGrupServ.FieldByName("CDGRSERVFAT").AsString(), "007");
    EXPECT_EQ(form.cdsGrupServ.FieldByName("CDCLIENTE").AsString(), "000004");
    EXPECT_EQ(form.cdsGrupServ.ChangeCount(), 0);
    EXPECT_TRUE(form.tshExcecao.Enabled());
    EXPECT_TRUE(form.tshTabCorr.Enabled());
    EXPECT_TRUE(form.tshServico.Enabled());
    EXPECT_TRUE(form.mnuTabCorr.Enabled());
    EXPECT_TRUE(form.medCdCliente.Enabled());
    EXPECT_FALSE(form.edtNmCliente.Enabled());
    EXPECT_FALSE(form.sbtImprimir.Enabled());

    // The server has it, with the day minimums of the daily minimum.
    screen.act().focus("medCdCliente");
    ASSERT_EQ(screen.act().focus("dbgPadrao"), Outcome::Done);
    ASSERT_EQ(form.cdsGrupServ.RecordCount(), 1);
    EXPECT_DOUBLE_EQ(form.cdsGrupServ.FieldByName("QTEFMINSABGSF").AsFloat(), 1.5);
}

TEST(GroupEditing, ARefusedPostLeavesTheListAsTheServerHasIt)
{
    ScreenFixture screen;
    TfrmGrupServFat& form = screen.form();
    ASSERT_EQ(screen.openClient("0001", kClientWithGroups), Outcome::Done);
    ASSERT_EQ(screen.act().click("sbtIncluir"), Outcome::Done);
    screen.act().typeCell("dbgPadrao", "9");
    screen.typeInto("dbgPadrao", "DSGRSERVFAT", "Novo");
    screen.typeInto("dbgPadrao", "QTEFETMINIGSF", "1");
    screen.server.failOnce("UpdGrupServ", "Gravação recusada.");
    EXPECT_EQ(screen.act().click("sbtConfirmar"), Outcome::Failed);
    EXPECT_EQ(screen.errors.back(), "Gravação recusada.");
    EXPECT_EQ(form.cdsGrupServ.State(), DataSetState::Browse);
    EXPECT_EQ(form.cdsGrupServ.RecordCount(), 3);
    EXPECT_FALSE(form.cdsGrupServ.Locate("CDGRSERVFAT", std::string("009"), false));
    EXPECT_EQ(form.cdsGrupServ.ChangeCount(), 0);
    EXPECT_FALSE(screen.person.progressVisible());
    EXPECT_TRUE(form.tshServico.Enabled());
}

TEST(GroupEditing, AConflictWithAnotherSessionRestoresTheAcceptedValues)
{
    ScreenFixture screen;
    TfrmGrupServFat& form = screen.form();
    ASSERT_EQ(screen.openClient("0001", kClientWithGroups), Outcome::Done);

    // Another session renames group 001 first.
    remote::RemoteConnection other;
    other.ServerName = records::kModuleName;
    other.Host = screen.server.host();
    other.Port = screen.server.port();
    other.Open();
    data::DataSet groups("outra");
    defineGrupServ(groups);
    groups.SetData(host::CheckResultServ(other.Call("GetGrupServ", {"0001", "000002"}), true, 0));
    groups.Edit();
    groups.FieldByName("DSGRSERVFAT").SetAsString("Outra sessão");
    groups.Post();
    ASSERT_TRUE(other.Call("UpdGrupServ", groups.Delta()).ok);

    ASSERT_EQ(screen.act().click("sbtAlterar"), Outcome::Done);
    screen.typeInto("dbgPadrao", "DSGRSERVFAT", "Esta sessão");
    EXPECT_EQ(screen.act().click("sbtConfirmar"), Outcome::Failed);
    ASSERT_FALSE(screen.errors.empty());
    EXPECT_EQ(form.cdsGrupServ.State(), DataSetState::Browse);
    EXPECT_EQ(form.cdsGrupServ.FieldByName("DSGRSERVFAT").AsString(), "Vigilância");
    EXPECT_EQ(form.cdsGrupServ.ChangeCount(), 0);
}

TEST(GroupEditing, ARefusedDeletionBringsTheGroupBack)
{
    ScreenFixture screen;
    TfrmGrupServFat& form = screen.form();
    ASSERT_EQ(screen.openClient("0001", kClientWithGroups), Outcome::Done);
    screen.server.failOnce("UpdGrupServ", "Exclusão recusada.");
    screen.person.queueConfirm(true);
    EXPECT_EQ(screen.act().click("sbtExcluir"), Outcome::Failed);
    EXPECT_EQ(screen.errors.back(), "Exclusão recusada.");
    EXPECT_EQ(form.cdsGrupServ.RecordCount(), 3);
    EXPECT_EQ(form.cdsGrupServ.ChangeCount(), 0);
    EXPECT_FALSE(screen.person.progressVisible());

    screen.person.queueConfirm(true);
    ASSERT_EQ(screen.act().click("sbtExcluir"), Outcome::Done);
    EXPECT_EQ(form.cdsGrupServ.RecordCount(), 2);
    EXPECT_EQ(form.cdsGrupServ.ChangeCount(), 0);
}

} // namespace
} // namespace gsf::screen::test
