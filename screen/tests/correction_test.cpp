#include "screen/tests/screen_fixture.h"

#include "platform/data/number_format.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

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
    openTable(screen, 2); // group 003, no interval
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

using Table = std::vector<gsf::test::ServerReader::Interval>;

/// "" when @p table runs from an empty or zero start to its last end with no
/// gap and no overlap, each end above its start; otherwise what breaks it.
std::string shapeProblem(const Table& table)
{
    for (std::size_t i = 0; i < table.size(); ++i) {
        const auto& interval = table[i];
        const double start = interval.start.value_or(0);
        const std::string at = "intervalo " + std::to_string(i + 1) + ": ";
        if (i == 0 && start != 0)
            return at + "começa acima de zero";
        if (i > 0 && (!table[i - 1].end || start != *table[i - 1].end))
            return at + "não começa onde o anterior termina";
        if (interval.end && *interval.end <= start)
            return at + "termina antes de começar";
        if (!interval.end && i + 1 < table.size())
            return at + "sem fim antes de outro";
    }
    return {};
}

/// Group 001's table read back through a second connection.
Table tableOf001(ScreenFixture& screen)
{
    return screen.reader().Intervals("0001", "000002", "001");
}

/// The current interval is the one with the largest end of the table shown.
void expectOnLargestEnd(const TfrmGrupServFat& form)
{
    double largest = 0;
    for (int r = 0; r < form.cdsCorrPrecGrup.RecordCount(); ++r) {
        const data::Value& end =
            form.cdsCorrPrecGrup.ValueAt(r, form.cdsCorrPrecGrup.FieldByName("VRPEFIMGRUP").Index());
        if (const auto* number = std::get_if<double>(&end))
            largest = std::max(largest, *number);
    }
    EXPECT_EQ(form.cdsCorrPrecGrup.RecNo(), form.cdsCorrPrecGrup.RecordCount());
    EXPECT_EQ(number(form, "VRPEFIMGRUP"), largest);
}

// A way of leaving a new interval 50-60 (15%) typed on the correction page.
struct Leave {
    const char* name;
    std::function<Outcome(ScreenFixture&)> act;
    bool stores;
};

std::vector<Leave> leaves()
{
    return {
        {"Confirmar", [](ScreenFixture& s) { return s.act().click("sbtConfirmar"); }, true},
        {"Up key", [](ScreenFixture& s) { return s.act().keyDown(ui::VK_UP); }, true},
        {"click on the first row", [](ScreenFixture& s) { return s.act().moveToRow("dbgCorrPrecGrup", 0); }, true},
        {"click on the row above", [](ScreenFixture& s) { return s.act().moveToRow("dbgCorrPrecGrup", 2); }, true},
        {"Down key, then Confirmar",
         [](ScreenFixture& s) {
             // Past the last row nothing moves: the interval waits for its post.
             if (s.act().keyDown(ui::VK_DOWN) != Outcome::Done ||
                 s.form().cdsCorrPrecGrup.State() != DataSetState::Insert)
                 return Outcome::Failed;
             return s.act().click("sbtConfirmar");
         },
         true},
        {"the page's entry, then Confirmar",
         [](ScreenFixture& s) {
             if (s.act().clickMenu("mnuTabCorr") != Outcome::Done)
                 return Outcome::Failed;
             return s.act().click("sbtConfirmar");
         },
         true},
        {"Cancelar",
         [](ScreenFixture& s) {
             s.person.queueConfirm(true);
             return s.act().click("sbtCancelar");
         },
         false},
        {"Escape key, for the cell and then the row",
         [](ScreenFixture& s) {
             s.act().keyDown(ui::VK_ESCAPE);
             return s.act().keyDown(ui::VK_ESCAPE);
         },
         false},
        {"refused by the server",
         [](ScreenFixture& s) {
             s.server.failOnce("UpdCorrPrecGrup", "Intervalo recusado.");
             return s.act().click("sbtConfirmar") == Outcome::Failed ? Outcome::Done : Outcome::Failed;
         },
         false},
    };
}

TEST(CorrectionTableShape, EveryWayOfStoringOrLeavingAnIntervalKeepsTheTableWhole)
{
    for (const Leave& leave : leaves()) {
        SCOPED_TRACE(leave.name);
        ScreenFixture screen;
        TfrmGrupServFat& form = screen.form();
        openTable(screen);
        ASSERT_EQ(screen.act().click("sbtIncluir"), Outcome::Done);
        // The new interval is shown after every other while it is typed.
        EXPECT_EQ(form.cdsCorrPrecGrup.RecNo(), 4);
        screen.typeInto("dbgCorrPrecGrup", "VRPEFIMGRUP", "60");
        screen.typeInto("dbgCorrPrecGrup", "VRPECORRGRUP", "15");
        ASSERT_EQ(leave.act(screen), Outcome::Done) << screen.lastError();
        EXPECT_EQ(form.cdsCorrPrecGrup.State(), DataSetState::Browse);

        const Table table = tableOf001(screen);
        EXPECT_EQ(shapeProblem(table), "");
        ASSERT_EQ(table.size(), leave.stores ? 4U : 3U);
        EXPECT_EQ(table.back().end, leave.stores ? 60.0 : 50.0);
        EXPECT_EQ(form.cdsCorrPrecGrup.RecordCount(), static_cast<int>(table.size()));
        expectOnLargestEnd(form);

        // Altering reaches the last interval, whichever way it was left.
        ASSERT_EQ(screen.act().click("sbtAlterar"), Outcome::Done);
        const double end = table.back().end.value_or(0);
        screen.typeInto("dbgCorrPrecGrup", "VRPEFIMGRUP", data::plainNumber(end + 5));
        ASSERT_EQ(screen.act().click("sbtConfirmar"), Outcome::Done) << screen.lastError();
        EXPECT_EQ(tableOf001(screen).back().end, end + 5);
        EXPECT_EQ(shapeProblem(tableOf001(screen)), "");

        // So does deleting, by the command and by the grid's own deletion.
        screen.person.queueConfirm(true);
        ASSERT_EQ(screen.act().click("sbtExcluir"), Outcome::Done) << screen.lastError();
        screen.person.queueConfirm(true);
        ASSERT_EQ(screen.act().deleteRow("dbgCorrPrecGrup"), Outcome::Done) << screen.lastError();
        const Table left = tableOf001(screen);
        EXPECT_EQ(shapeProblem(left), "");
        EXPECT_EQ(left.size(), table.size() - 2);
        expectOnLargestEnd(form);

        // Leaving the page and coming back reads the table again: still on its largest end.
        ASSERT_EQ(screen.act().clickMenu("mnuGrupServ"), Outcome::Done);
        ASSERT_EQ(screen.act().clickMenu("mnuTabCorr"), Outcome::Done);
        expectOnLargestEnd(form);
    }
}

TEST(CorrectionTableShape, NoGridKeyInsertsAnIntervalAndATableLoadedOutOfOrderIsShownInOrder)
{
    ScreenFixture screen;
    TfrmGrupServFat& form = screen.form();
    openTable(screen);
    ASSERT_EQ(screen.act().focus("dbgCorrPrecGrup"), Outcome::Done);
    screen.clearCalls();
    ASSERT_EQ(screen.act().keyDown(ui::VK_INSERT), Outcome::Done);
    EXPECT_EQ(form.cdsCorrPrecGrup.State(), DataSetState::Browse);
    EXPECT_TRUE(screen.calls().empty());

    // An older table whose rows come in another order, one end repeated.
    form.cdsCorrPrecGrup.SetData(R"({"fields": [{"name": "CDFILIAL", "type": "string", "size": 4},
        {"name": "CDCLIENTE", "type": "string", "size": 21}, {"name": "VRPEINICGRUP", "type": "float"},
        {"name": "VRPEFIMGRUP", "type": "float"}, {"name": "VRPECORRGRUP", "type": "float"},
        {"name": "CDGRSERVFAT", "type": "string", "size": 3}],
        "rows": [["0001", "000002", 50, 60, 3, "001"], ["0001", "000002", 0, 70, 1, "001"],
                 ["0001", "000002", 10, 25, 2, "001"], ["0001", "000002", null, 10, 4, "001"]]})");
    std::vector<double> ends;
    for (int r = 0; r < form.cdsCorrPrecGrup.RecordCount(); ++r)
        ends.push_back(std::get<double>(form.cdsCorrPrecGrup.ValueAt(r, 3)));
    EXPECT_EQ(ends, (std::vector<double>{10, 25, 60, 70}));
    expectOnLargestEnd(form);
    EXPECT_EQ(number(form, "VRPEINICGRUP"), 0);
    // Clicking another row leaves the cursor there.
    ASSERT_EQ(screen.act().moveToRow("dbgCorrPrecGrup", 1), Outcome::Done);
    expectOnLargestEnd(form);
}

TEST(TypedNumbers, KeepTheDecimalsTheyShow)
{
    ScreenFixture screen;
    TfrmGrupServFat& form = screen.form();
    openTable(screen);
    ASSERT_EQ(screen.act().click("sbtIncluir"), Outcome::Done);
    screen.typeInto("dbgCorrPrecGrup", "VRPEFIMGRUP", "60,123");
    screen.typeInto("dbgCorrPrecGrup", "VRPECORRGRUP", "12,345");
    ASSERT_EQ(screen.act().click("sbtConfirmar"), Outcome::Done) << screen.lastError();
    const Table table = tableOf001(screen);
    ASSERT_EQ(table.size(), 4U);
    EXPECT_EQ(table.back().end, 60.12);
    EXPECT_EQ(table.back().correction, 12.35) << "half away from zero";
    EXPECT_EQ(form.cdsCorrPrecGrup.FieldByName("VRPEFIMGRUP").DisplayText(), "60,12%");

    // The next interval starts where the stored end is; the same end typed again is no interval.
    ASSERT_EQ(screen.act().click("sbtIncluir"), Outcome::Done);
    EXPECT_EQ(number(form, "VRPEINICGRUP"), 60.12);
    EXPECT_EQ(form.cdsCorrPrecGrup.FieldByName("VRPEINICGRUP").DisplayText(), "60,12%");
    screen.typeInto("dbgCorrPrecGrup", "VRPEFIMGRUP", "60,124");
    EXPECT_EQ(screen.act().selectColumn("dbgCorrPrecGrup", "VRPECORRGRUP"), Outcome::Failed);
    EXPECT_EQ(screen.messages().back(), "Intervalo final (Inc.) deve ser maior que o intervalo inicial (Exc.).");
    screen.typeInto("dbgCorrPrecGrup", "VRPEFIMGRUP", "60,125");
    screen.typeInto("dbgCorrPrecGrup", "VRPECORRGRUP", "1");
    ASSERT_EQ(screen.act().click("sbtConfirmar"), Outcome::Done) << screen.lastError();
    EXPECT_EQ(tableOf001(screen).back().end, 60.13);
    EXPECT_EQ(shapeProblem(tableOf001(screen)), "");

    // A daily minimum keeps three decimals, and so do the days that follow it.
    ASSERT_EQ(screen.act().clickMenu("mnuGrupServ"), Outcome::Done);
    ASSERT_EQ(screen.act().click("sbtIncluir"), Outcome::Done);
    screen.typeInto("dbgPadrao", "CDGRSERVFAT", "9");
    screen.typeInto("dbgPadrao", "DSGRSERVFAT", "Arredondado");
    screen.typeInto("dbgPadrao", "QTEFETMINIGSF", "2,5556");
    ASSERT_EQ(screen.act().click("sbtConfirmar"), Outcome::Done) << screen.lastError();
    const auto snapshot = screen.snapshot();
    const std::string line = snapshot.at("0001/000002/009").front();
    EXPECT_NE(line.find("QTEFETMINIGSF=2,556 "), std::string::npos) << line;
    EXPECT_NE(line.find("QTEFMINFERGSF=2,556 "), std::string::npos) << line;
    EXPECT_EQ(form.cdsGrupServ.FieldByName("QTEFETMINIGSF").DisplayText(), "2,556");
}

} // namespace
} // namespace gsf::screen::test
