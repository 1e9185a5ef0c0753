#include "screen/tests/screen_fixture.h"

#include <gtest/gtest.h>

namespace gsf::screen::test {
namespace {

using host::Outcome;

TEST(DayMinimums, TheyFollowTheDailyMinimumOnlyDuringAnInsert)
{
    ScreenFixture screen;
    TfrmGrupServFat& form = screen.form();
    ASSERT_EQ(screen.openClient("0001", kClientWithGroups), Outcome::Done);
    ASSERT_EQ(screen.act().click("sbtIncluir"), Outcome::Done);
    screen.typeInto("dbgPadrao", "QTEFETMINIGSF", "2,5");
    screen.act().selectColumn("dbgPadrao", "DSGRSERVFAT");
    for (const char* day : {"QTEFMINDOMGSF", "QTEFMINQUAGSF", "QTEFMINFERGSF"})
        EXPECT_DOUBLE_EQ(form.cdsGrupServ.FieldByName(day).AsFloat(), 2.5) << day;

    // A negative value is refused on leaving the column and copies nothing.
    screen.typeInto("dbgPadrao", "QTEFETMINIGSF", "-1");
    EXPECT_EQ(screen.act().selectColumn("dbgPadrao", "DSGRSERVFAT"), Outcome::Failed);
    EXPECT_EQ(screen.messages(), std::vector<std::string>{"Mínimo efetivos por dia deve ser maior ou igual a zero."});
    EXPECT_EQ(form.dbgPadrao.SelectedField()->FieldName(), "QTEFETMINIGSF");
    EXPECT_DOUBLE_EQ(form.cdsGrupServ.FieldByName("QTEFMINSEXGSF").AsFloat(), 2.5);

    screen.person.queueConfirm(true);
    screen.act().click("sbtCancelar");

    // Group 001 has 2 per day with different day values: altering keeps them.
    ASSERT_EQ(form.cdsGrupServ.FieldByName("CDGRSERVFAT").AsString(), "001");
    ASSERT_EQ(screen.act().click("sbtAlterar"), Outcome::Done);
    screen.typeInto("dbgPadrao", "QTEFETMINIGSF", "3");
    ASSERT_EQ(screen.act().click("sbtConfirmar"), Outcome::Done);
    EXPECT_DOUBLE_EQ(form.cdsGrupServ.FieldByName("QTEFETMINIGSF").AsFloat(), 3);
    EXPECT_DOUBLE_EQ(form.cdsGrupServ.FieldByName("QTEFMINDOMGSF").AsFloat(), 1);
    EXPECT_DOUBLE_EQ(form.cdsGrupServ.FieldByName("QTEFMINSEXGSF").AsFloat(), 3);
}

TEST(DayMinimums, AClearedDailyMinimumZeroesTheDaysAndIsMissingAtThePost)
{
    ScreenFixture screen;
    TfrmGrupServFat& form = screen.form();
    ASSERT_EQ(screen.openClient("0001", kClientWithGroups), Outcome::Done);
    ASSERT_EQ(screen.act().click("sbtIncluir"), Outcome::Done);
    screen.act().typeCell("dbgPadrao", "8");
    screen.typeInto("dbgPadrao", "DSGRSERVFAT", "Recepção");
    screen.typeInto("dbgPadrao", "QTEFETMINIGSF", "4");
    screen.act().typeCell("dbgPadrao", "");
    ASSERT_EQ(screen.act().selectColumn("dbgPadrao", "DSGRSERVFAT"), Outcome::Done);
    EXPECT_TRUE(form.cdsGrupServ.FieldByName("QTEFETMINIGSF").IsNull());
    for (const char* day : {"QTEFMINDOMGSF", "QTEFMINQUAGSF", "QTEFMINFERGSF"}) {
        EXPECT_FALSE(form.cdsGrupServ.FieldByName(day).IsNull()) << day;
        EXPECT_DOUBLE_EQ(form.cdsGrupServ.FieldByName(day).AsFloat(), 0) << day;
    }

    EXPECT_EQ(screen.act().click("sbtConfirmar"), Outcome::Failed);
    EXPECT_EQ(screen.messages(), std::vector<std::string>{"Mínimo efetivos por dia deve ser informado."});
    EXPECT_EQ(form.pgcPadrao.ActivePage(), &form.tshPadrao);
    EXPECT_EQ(form.dbgPadrao.SelectedField()->FieldName(), "QTEFETMINIGSF");
    EXPECT_EQ(form.cdsGrupServ.State(), data::DataSetState::Insert);
    EXPECT_EQ(screen.count("UpdGrupServ"), 0);
}

TEST(DayMinimums, ANegativeDayIsRefusedWhereItWasTyped)
{
    ScreenFixture screen;
    TfrmGrupServFat& form = screen.form();
    ASSERT_EQ(screen.openClient("0001", kClientWithGroups), Outcome::Done);
    // In browse nothing is checked.
    ASSERT_EQ(screen.act().clickMenu("mnuExce"), Outcome::Done);
    ASSERT_EQ(screen.act().focus("dbeQtEfetSeg"), Outcome::Done);
    ASSERT_EQ(screen.act().focus("dbeQtEfetTer"), Outcome::Done);
    ASSERT_EQ(screen.act().click("sbtAlterar"), Outcome::Done);
    // Editing on this page keeps it and its entry available, nothing else.
    EXPECT_TRUE(form.tshExcecao.Enabled());
    EXPECT_TRUE(form.mnuExce.Enabled());
    for (ui::TabSheet* page : {&form.tshPadrao, &form.tshServico, &form.tshTabCorr})
        EXPECT_FALSE(page->Enabled()) << page->Name();
    EXPECT_FALSE(form.mnuGrupServ.Enabled());
    EXPECT_FALSE(form.medCdCliente.Enabled());
    EXPECT_FALSE(form.medCdFilial.Enabled());

    screen.act().typeText("dbeQtEfetSeg", "-1");
    EXPECT_EQ(screen.act().focus("dbeQtEfetTer"), Outcome::Failed);
    EXPECT_EQ(screen.messages(), std::vector<std::string>{"Mínimo efetivos deve ser maior ou igual a zero."});
    EXPECT_EQ(screen.focused(), "dbeQtEfetSeg");
    EXPECT_EQ(form.pgcPadrao.ActivePage(), &form.tshExcecao);

    // 0 passes; an emptied day passes on leaving and fails at the post.
    screen.clearMessages();
    screen.act().typeText("dbeQtEfetSeg", "0");
    ASSERT_EQ(screen.act().focus("dbeQtEfetTer"), Outcome::Done);
    screen.act().typeText("dbeQtEfetTer", "");
    ASSERT_EQ(screen.act().focus("dbeQtEfetSab"), Outcome::Done);
    screen.act().typeText("dbeQtEfetSab", "");
    EXPECT_EQ(screen.act().click("sbtConfirmar"), Outcome::Failed);
    EXPECT_EQ(screen.messages(), std::vector<std::string>{"Mínimo efetivos deve ser informado."});
    EXPECT_EQ(screen.focused(), "dbeQtEfetTer");
    EXPECT_EQ(form.cdsGrupServ.State(), data::DataSetState::Edit);
    EXPECT_TRUE(form.cdsGrupServ.FieldByName("QTEFMINTERGSF").IsNull());
    EXPECT_EQ(screen.count("UpdGrupServ"), 0);
}

} // namespace
} // namespace gsf::screen::test
