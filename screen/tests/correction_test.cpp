#include "screen/tests/screen_fixture.h"

#include <gtest/gtest.h>

namespace gsf::screen::test {
namespace {

using data::DataSetState;
using host::Outcome;

double number(const TfrmGrupServFat& form, const char* field)
{
    return form.cdsCorrPrecGrup.FieldByName(field).AsFloat();
}

/// Types @p text into the column of @p field, then leaves it for @p next.
Outcome typeAndLeave(ScreenFixture& screen, const char* field, const std::string& text, const char* next)
{
    screen.act().selectColumn("dbgCorrPrecGrup", field);
    screen.act().typeCell("dbgCorrPrecGrup", text);
    return screen.act().selectColumn("dbgCorrPrecGrup", next);
}

/// Client 000002 of branch 0001, "Tabela de Correção" of group @p row (0: 001, three intervals).
void openTable(ScreenFixture& screen, int row = 0)
{
    ASSERT_EQ(screen.openClient("0001", kClientWithGroups), Outcome::Done);
    if (row > 0) {
        ASSERT_EQ(screen.act().moveToRow("dbgPadrao", row), Outcome::Done);
    }
    ASSERT_EQ(screen.act().clickMenu("mnuTabCorr"), Outcome::Done);
}

TEST(CorrectionIntervals, ANewIntervalStartsAtTheLargestEndAndIsCheckedAgainstItsBounds)
{
    ScreenFixture screen;
    openTable(screen);
    TfrmGrupServFat& form = screen.form();
    ASSERT_EQ(form.cdsCorrPrecGrup.RecordCount(), 3);
    screen.clearCalls();
    ASSERT_EQ(screen.act().click("sbtIncluir"), Outcome::Done);
    EXPECT_EQ(screen.calls(), std::vector<std::string>{"GetIntervMaior 0001|000002|001"});
    EXPECT_EQ(number(form, "VRPEINICGRUP"), 50);
    EXPECT_EQ(screen.focused(), "dbgCorrPrecGrup");
    EXPECT_EQ(form.dbgCorrPrecGrup.SelectedField()->FieldName(), "VRPEFIMGRUP");
    EXPECT_TRUE(form.sbtConfirmar.Enabled());
    EXPECT_FALSE(form.sbtIncluir.Enabled());
    EXPECT_FALSE(form.sbtProcurar.Enabled());
    EXPECT_FALSE(form.tshServico.Enabled());

    const std::pair<const char*, const char*> ends[] = {
        {"100", "Intervalo final (Inc.) deve ser menor que 100%."},
        {"0", "Intervalo final (Inc.) deve ser maior que zero."},
        {"50", "Intervalo final (Inc.) deve ser maior que o intervalo inicial (Exc.)."}};
    for (const auto& [end, message] : ends) {
        EXPECT_EQ(typeAndLeave(screen, "VRPEFIMGRUP", end, "VRPECORRGRUP"), Outcome::Failed) << end;
        EXPECT_EQ(screen.messages().back(), message);
        EXPECT_EQ(form.dbgCorrPrecGrup.SelectedField()->FieldName(), "VRPEFIMGRUP");
    }
    EXPECT_EQ(typeAndLeave(screen, "VRPEFIMGRUP", "50,01", "VRPECORRGRUP"), Outcome::Done);

    const std::pair<const char*, const char*> corrections[] = {
        {"100", "Percentual de correção deve ser menor que 100%."},
        {"0", "Percentual de correção deve ser maior que zero."}};
    for (const auto& [correction, message] : corrections) {
        EXPECT_EQ(typeAndLeave(screen, "VRPECORRGRUP", correction, "VRPEFIMGRUP"), Outcome::Failed) << correction;
        EXPECT_EQ(screen.messages().back(), message);
    }
    // Empty passes the column, not the post.
    EXPECT_EQ(typeAndLeave(screen, "VRPECORRGRUP", "", "VRPEFIMGRUP"), Outcome::Done);
    screen.clearCalls();
    EXPECT_EQ(screen.act().click("sbtConfirmar"), Outcome::Failed);
    EXPECT_EQ(screen.messages().back(), "Percentual de correção deve ser informado.");
    EXPECT_EQ(form.dbgCorrPrecGrup.SelectedField()->FieldName(), "VRPECORRGRUP");
    EXPECT_EQ(form.cdsCorrPrecGrup.State(), DataSetState::Insert);
    EXPECT_EQ(screen.count("UpdCorrPrecGrup"), 0);

    screen.act().typeCell("dbgCorrPrecGrup", "15");
    ASSERT_EQ(screen.act().click("sbtConfirmar"), Outcome::Done) << (screen.errors.empty() ? "" : screen.errors.back());
    EXPECT_EQ(screen.count("UpdCorrPrecGrup"), 1);
    EXPECT_EQ(form.cdsCorrPrecGrup.ChangeCount(), 0);
    EXPECT_EQ(form.cdsCorrPrecGrup.RecordCount(), 4);
    EXPECT_EQ(form.cdsCorrPrecGrup.RecNo(), 4);
    EXPECT_EQ(number(form, "VRPEFIMGRUP"), 50.01);
    EXPECT_EQ(form.cdsCorrPrecGrup.FieldByName("CDGRSERVFAT").AsString(), "001");
    EXPECT_FALSE(form.sbtProcurar.Enabled());
    EXPECT_TRUE(form.sbtExcluir.Enabled());
    EXPECT_TRUE(form.tshServico.Enabled());
}

TEST(CorrectionIntervals, AGroupsFirstIntervalMayLeaveItsEndOpenAndTheNextStartsAtZero)
{
    ScreenFixture screen;
    openTable(screen, 2);   // group 003, no interval
    TfrmGrupServFat& form = screen.form();
    ASSERT_TRUE(form.cdsCorrPrecGrup.IsEmpty());
    ASSERT_EQ(screen.act().click("sbtIncluir"), Outcome::Done);
    EXPECT_TRUE(form.cdsCorrPrecGrup.FieldByName("VRPEINICGRUP").IsNull());
    screen.typeInto("dbgCorrPrecGrup", "VRPECORRGRUP", "3");
    ASSERT_EQ(screen.act().click("sbtConfirmar"), Outcome::Done) << (screen.errors.empty() ? "" : screen.errors.back());
    EXPECT_EQ(form.cdsCorrPrecGrup.RecordCount(), 1);

    // The largest end is empty: the next interval starts at 0 and needs an end.
    ASSERT_EQ(screen.act().click("sbtIncluir"), Outcome::Done);
    EXPECT_FALSE(form.cdsCorrPrecGrup.FieldByName("VRPEINICGRUP").IsNull());
    EXPECT_EQ(number(form, "VRPEINICGRUP"), 0);
    screen.typeInto("dbgCorrPrecGrup", "VRPECORRGRUP", "4");
    EXPECT_EQ(screen.act().click("sbtConfirmar"), Outcome::Failed);
    EXPECT_EQ(screen.messages().back(), "Intervalo final (Inc.) deve ser informado.");
    EXPECT_EQ(form.dbgCorrPrecGrup.SelectedField()->FieldName(), "VRPEFIMGRUP");

    // Cancelled, the new row goes and nothing stays pending.
    screen.person.queueConfirm(true);
    ASSERT_EQ(screen.act().click("sbtCancelar"), Outcome::Done);
    EXPECT_EQ(form.cdsCorrPrecGrup.RecordCount(), 1);
    EXPECT_EQ(form.cdsCorrPrecGrup.ChangeCount(), 0);
    EXPECT_FALSE(form.sbtProcurar.Enabled());
    EXPECT_TRUE(form.sbtIncluir.Enabled());

    // The largest end not read: the new row stays without a start, and cancel removes it.
    screen.server.failOnce("GetIntervMaior", "Servidor ocupado.");
    EXPECT_EQ(screen.act().click("sbtIncluir"), Outcome::Failed);
    EXPECT_EQ(screen.errors.back(), "Servidor ocupado.");
    EXPECT_EQ(form.cdsCorrPrecGrup.State(), DataSetState::Insert);
    EXPECT_TRUE(form.cdsCorrPrecGrup.FieldByName("VRPEINICGRUP").IsNull());
    screen.person.queueConfirm(true);
    ASSERT_EQ(screen.act().click("sbtCancelar"), Outcome::Done);
    EXPECT_EQ(form.cdsCorrPrecGrup.RecordCount(), 1);
    EXPECT_EQ(form.cdsCorrPrecGrup.State(), DataSetState::Browse);
}

TEST(CorrectionIntervals, OnlyTheLastIntervalIsReachableAndARefusedDeletionComesBack)
{
    ScreenFixture screen;
    openTable(screen);
    TfrmGrupServFat& form = screen.form();
    EXPECT_EQ(form.cdsCorrPrecGrup.RecNo(), 3);
    ASSERT_EQ(screen.act().moveToRow("dbgCorrPrecGrup", 0), Outcome::Done);
    EXPECT_EQ(form.cdsCorrPrecGrup.RecNo(), 3);
    ASSERT_EQ(screen.act().keyDown(ui::VK_UP), Outcome::Done);
    EXPECT_EQ(form.cdsCorrPrecGrup.RecNo(), 3);
    EXPECT_EQ(number(form, "VRPEFIMGRUP"), 50);

    // No to the question: nothing sent.
    screen.clearCalls();
    screen.person.queueConfirm(false);
    ASSERT_EQ(screen.act().click("sbtExcluir"), Outcome::Done);
    EXPECT_TRUE(screen.calls().empty());
    EXPECT_EQ(form.cdsCorrPrecGrup.RecordCount(), 3);

    screen.server.failOnce("UpdCorrPrecGrup", "Exclusão recusada.");
    screen.person.queueConfirm(true);
    EXPECT_EQ(screen.act().click("sbtExcluir"), Outcome::Failed);
    EXPECT_EQ(screen.errors.back(), "Exclusão recusada.");
    EXPECT_EQ(form.cdsCorrPrecGrup.RecordCount(), 3);
    EXPECT_EQ(form.cdsCorrPrecGrup.ChangeCount(), 0);
    EXPECT_EQ(form.cdsCorrPrecGrup.RecNo(), 3);
    EXPECT_FALSE(screen.person.progressVisible());

    // Deleting the last interval makes the one before it the last.
    screen.person.queueConfirm(true);
    ASSERT_EQ(screen.act().click("sbtExcluir"), Outcome::Done);
    EXPECT_EQ(form.cdsCorrPrecGrup.RecordCount(), 2);
    EXPECT_EQ(form.cdsCorrPrecGrup.RecNo(), 2);
    EXPECT_EQ(number(form, "VRPEFIMGRUP"), 25);
    EXPECT_EQ(form.cdsCorrPrecGrup.ChangeCount(), 0);

    // Emptied, the table leaves include as the only command.
    for (int i = 0; i < 2; ++i) {
        screen.person.queueConfirm(true);
        ASSERT_EQ(screen.act().click("sbtExcluir"), Outcome::Done);
    }
    EXPECT_TRUE(form.cdsCorrPrecGrup.IsEmpty());
    EXPECT_TRUE(form.sbtIncluir.Enabled());
    for (ui::SpeedButton* button : {&form.sbtAlterar, &form.sbtExcluir, &form.sbtProcurar, &form.sbtVerificar,
                                    &form.sbtCancelar, &form.sbtConfirmar})
        EXPECT_FALSE(button->Enabled()) << button->Name();

    // What the server holds now.
    ASSERT_EQ(screen.act().clickMenu("mnuTabCorr"), Outcome::Done);
    EXPECT_TRUE(form.cdsCorrPrecGrup.IsEmpty());
}

TEST(CorrectionIntervals, AnAlteredEndIsCheckedAgainstItsStart)
{
    ScreenFixture screen;
    openTable(screen);
    TfrmGrupServFat& form = screen.form();
    ASSERT_EQ(screen.act().click("sbtAlterar"), Outcome::Done);
    ASSERT_EQ(form.cdsCorrPrecGrup.State(), DataSetState::Edit);
    EXPECT_FALSE(form.sbtProcurar.Enabled());
    EXPECT_EQ(typeAndLeave(screen, "VRPEFIMGRUP", "25", "VRPECORRGRUP"), Outcome::Failed);
    EXPECT_EQ(screen.messages().back(), "Intervalo final (Inc.) deve ser maior que o intervalo inicial (Exc.).");
    // Left empty during the edit it passes, and the post asks for it.
    EXPECT_EQ(typeAndLeave(screen, "VRPEFIMGRUP", "", "VRPECORRGRUP"), Outcome::Done);
    EXPECT_EQ(screen.act().click("sbtConfirmar"), Outcome::Failed);
    EXPECT_EQ(screen.messages().back(), "Intervalo final (Inc.) deve ser informado.");
    EXPECT_EQ(typeAndLeave(screen, "VRPEFIMGRUP", "25,01", "VRPECORRGRUP"), Outcome::Done);
    ASSERT_EQ(screen.act().click("sbtConfirmar"), Outcome::Done);
    ASSERT_EQ(screen.act().clickMenu("mnuTabCorr"), Outcome::Done);
    EXPECT_EQ(number(form, "VRPEFIMGRUP"), 25.01);
}

} // namespace
} // namespace gsf::screen::test
