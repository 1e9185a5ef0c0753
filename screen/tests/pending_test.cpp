#include "screen/tests/screen_fixture.h"

#include <gtest/gtest.h>

#include <functional>

namespace gsf::screen::test {
namespace {

using data::DataSetState;
using host::Outcome;
using Snapshot = std::map<std::string, std::vector<std::string>>;
using gsf::test::differences;

// A record left pending, and how to tell that what was typed is still there.
struct Road {
    const char* name;
    std::function<void(ScreenFixture&)> start;
    std::function<DataSetState(const TfrmGrupServFat&)> state;
    std::function<std::string(const TfrmGrupServFat&)> typed;
    std::string expected;
};

/// On the page of @p entry, @p command, then @p text typed into @p field of
/// @p grid and the column left for @p next.
void typeOn(ScreenFixture& s, const char* entry, const char* command, const char* grid, const char* field,
            const char* text, const char* next)
{
    s.act().clickMenu(entry);
    s.act().click(command);
    s.typeInto(grid, field, text);
    s.act().selectColumn(grid, next);
}

std::vector<Road> roads()
{
    const auto groupState = [](const TfrmGrupServFat& f) { return f.cdsGrupServ.State(); };
    const auto groupDescription = [](const TfrmGrupServFat& f) {
        return f.cdsGrupServ.FieldByName("DSGRSERVFAT").AsString();
    };
    return {
        {"group being included",
         [](ScreenFixture& s) {
             s.act().click("sbtIncluir");
             s.typeInto("dbgPadrao", "CDGRSERVFAT", "009");
             s.typeInto("dbgPadrao", "DSGRSERVFAT", "Nova");
             s.act().selectColumn("dbgPadrao", "QTEFETMINIGSF");
         },
         groupState, groupDescription, "Nova"},
        {"group being altered",
         [](ScreenFixture& s) {
             typeOn(s, "mnuGrupServ", "sbtAlterar", "dbgPadrao", "DSGRSERVFAT", "Alterada", "QTEFETMINIGSF");
         },
         groupState, groupDescription, "Alterada"},
        {"day minimum being altered",
         [](ScreenFixture& s) {
             s.act().clickMenu("mnuExce");
             s.act().click("sbtAlterar");
             s.act().typeText("dbeQtEfetDom", "7");
             s.act().focus("dbeQtEfetSeg");
         },
         groupState, [](const TfrmGrupServFat& f) { return f.cdsGrupServ.FieldByName("QTEFMINDOMGSF").AsString(); },
         "7"},
        {"service row being included",
         [](ScreenFixture& s) { typeOn(s, "mnuServ", "sbtIncluir", "dbgServico", "CDSERVFILI", "50", "IDCORREFET"); },
         [](const TfrmGrupServFat& f) { return f.cdsServClie.State(); },
         [](const TfrmGrupServFat& f) { return f.cdsServClie.FieldByName("CDSERVFILI").AsString(); }, "00050"},
        {"interval being included",
         [](ScreenFixture& s) {
             typeOn(s, "mnuTabCorr", "sbtIncluir", "dbgCorrPrecGrup", "VRPEFIMGRUP", "60", "VRPECORRGRUP");
         },
         [](const TfrmGrupServFat& f) { return f.cdsCorrPrecGrup.State(); },
         [](const TfrmGrupServFat& f) { return f.cdsCorrPrecGrup.FieldByName("VRPEFIMGRUP").AsString(); }, "60"},
    };
}

bool editingState(DataSetState state)
{
    return state == DataSetState::Edit || state == DataSetState::Insert;
}

/// Client 000002 of branch 0001 loaded and @p road started on it.
/// @return what the server held before the road.
Snapshot startRoad(ScreenFixture& screen, const Road& road)
{
    if (screen.openClient("0001", kClientWithGroups) != Outcome::Done)
        ADD_FAILURE() << "client not loaded: " << screen.lastError();
    Snapshot before = screen.snapshot();
    road.start(screen);
    return before;
}

TEST(PendingRecord, ClosingAsksFirstAndNoKeepsTheWindowAndTheRecord)
{
    for (const Road& road : roads()) {
        SCOPED_TRACE(road.name);
        ScreenFixture screen;
        TfrmGrupServFat& form = screen.form();
        const Snapshot before = startRoad(screen, road);
        ASSERT_TRUE(editingState(road.state(form))) << screen.lastError();
        ASSERT_EQ(road.typed(form), road.expected);

        screen.clearCalls();
        screen.person.clearLines();
        screen.person.queueConfirm(false);
        EXPECT_EQ(screen.act().close(), Outcome::Ignored);
        EXPECT_EQ(screen.person.lines(),
                  std::vector<std::string>{"confirm \"Confirma cancelamento das alterações?\" -> no"});
        EXPECT_TRUE(unit().FormCriado);
        EXPECT_TRUE(form.netGrupServFat.Connected());
        EXPECT_TRUE(editingState(road.state(form)));
        EXPECT_EQ(road.typed(form), road.expected);
        EXPECT_TRUE(screen.calls().empty());

        // Yes drops the record and closes; nothing of it reached the server.
        screen.person.queueConfirm(true);
        EXPECT_EQ(screen.act().close(), Outcome::Done) << screen.lastError();
        EXPECT_FALSE(unit().FormCriado);
        EXPECT_EQ(differences(before, screen.snapshot()), std::vector<std::string>{});
    }
}

TEST(PendingRecord, ReChoosingThePageInFrontKeepsTheRecordOrAsksBeforeDroppingIt)
{
    for (const Road& road : roads()) {
        SCOPED_TRACE(road.name);
        ScreenFixture screen;
        TfrmGrupServFat& form = screen.form();
        const Snapshot before = startRoad(screen, road);
        ASSERT_TRUE(editingState(road.state(form))) << screen.lastError();
        const ui::TabSheet* front = form.pgcPadrao.ActivePage();
        ui::MenuItem* entry = front == &form.tshServico   ? &form.mnuServ
                              : front == &form.tshExcecao ? &form.mnuExce
                              : front == &form.tshTabCorr ? &form.mnuTabCorr
                                                          : &form.mnuGrupServ;
        const std::vector<bool> states = commands(form);

        // Only the services are reloaded on entry whatever their state: there
        // the person is asked, and No keeps the row. The other pages keep it as it is.
        const bool asks = front == &form.tshServico;
        if (asks)
            screen.person.queueConfirm(false);
        screen.clearCalls();
        EXPECT_EQ(screen.act().clickMenu(*entry), Outcome::Done) << screen.lastError();
        EXPECT_EQ(screen.person.pendingAnswers(), 0);
        EXPECT_TRUE(editingState(road.state(form)));
        EXPECT_EQ(road.typed(form), road.expected);
        EXPECT_EQ(commands(form), states);
        EXPECT_TRUE(entry->Checked());
        EXPECT_TRUE(screen.calls().empty());

        if (asks) {
            screen.person.queueConfirm(true);
            ASSERT_EQ(screen.act().clickMenu(*entry), Outcome::Done);
            EXPECT_EQ(form.cdsServClie.State(), DataSetState::Browse);
            EXPECT_EQ(form.cdsServClie.RecordCount(), 2);
            EXPECT_EQ(screen.count("GetServClie"), 1);
            EXPECT_EQ(commands(form), (std::vector<bool>{true, true, true, true, true, false, false}));
        }
        EXPECT_EQ(differences(before, screen.snapshot()), std::vector<std::string>{});
    }
}

// Group 001 has services but no correction service: leaving it is refused.
void openWithoutCorrectionService(ScreenFixture& screen)
{
    screen.server.storage().ProLimpaServ("0001", "000002", "001");
    ASSERT_EQ(screen.openClient("0001", kClientWithGroups), Outcome::Done);
}

void expectServicesInFront(const ScreenFixture& screen)
{
    const TfrmGrupServFat& form = screen.form();
    EXPECT_EQ(form.pgcPadrao.ActivePage(), &form.tshServico);
    EXPECT_EQ(checks(form), (std::vector<bool>{false, true, false, false}));
    // The services list's rule: in browse, with records.
    EXPECT_EQ(commands(form), (std::vector<bool>{true, true, true, true, true, false, false}));
    EXPECT_EQ(commandEntries(form), commands(form));
    EXPECT_EQ(screen.focused(), "dbgServico");
    EXPECT_EQ(screen.messages().back(), "Serviço para correção de efetivos deve ser informado.");
}

TEST(RefusedLeave, TheServicesPageBroughtBackCarriesItsMenuCheckAndCommands)
{
    {
        SCOPED_TRACE("leaving the correction table for the filter");
        ScreenFixture screen;
        openWithoutCorrectionService(screen);
        ASSERT_EQ(screen.act().clickMenu("mnuTabCorr"), Outcome::Done);
        ASSERT_EQ(screen.act().focus("dbgCorrPrecGrup"), Outcome::Done);
        screen.clearCalls();
        EXPECT_EQ(screen.act().focus("medCdCliente"), Outcome::Failed);
        expectServicesInFront(screen);
        EXPECT_TRUE(screen.calls().empty()) << "no further reload";
    }
    {
        SCOPED_TRACE("moving to another group from the first page");
        ScreenFixture screen;
        openWithoutCorrectionService(screen);
        EXPECT_EQ(screen.act().moveToRow("dbgPadrao", 1), Outcome::Failed);
        EXPECT_EQ(screen.form().cdsGrupServ.FieldByName("CDGRSERVFAT").AsString(), "001");
        expectServicesInFront(screen);
    }
    {
        SCOPED_TRACE("including a group");
        ScreenFixture screen;
        openWithoutCorrectionService(screen);
        EXPECT_EQ(screen.act().click("sbtIncluir"), Outcome::Failed);
        EXPECT_EQ(screen.form().cdsGrupServ.State(), DataSetState::Browse);
        expectServicesInFront(screen);
    }
}

TEST(RefusedClose, TheServicesPageBroughtBackCarriesItsMenuCheckAndCommands)
{
    ScreenFixture screen;
    TfrmGrupServFat& form = screen.form();
    openWithoutCorrectionService(screen);
    ASSERT_EQ(screen.act().clickMenu("mnuTabCorr"), Outcome::Done);
    ASSERT_EQ(screen.act().focus("dbgCorrPrecGrup"), Outcome::Done);
    EXPECT_EQ(screen.act().close(), Outcome::Failed);
    EXPECT_TRUE(unit().FormCriado);
    EXPECT_TRUE(form.netGrupServFat.Connected());
    expectServicesInFront(screen);
}

} // namespace
} // namespace gsf::screen::test
