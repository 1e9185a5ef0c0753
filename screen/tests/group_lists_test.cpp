// The services list and the correction table always belong to the group the
// screen shows: every move between groups arrives where it was going, a
// failed reload never leaves the rows of another group on offer, and a group
// the screen could not read again after its own procedures is read at the
// next pause instead of blocking the clerk.
#include "screen/tests/screen_fixture.h"

#include "screen/shell/screen_helpers.h"
#include "server/app_server.h"
#include "server/remote_module.h"

#include <gtest/gtest.h>

#include <functional>

namespace gsf::screen::test {
namespace {

using data::DataSetState;
using host::Outcome;

constexpr const char* kBusy = "O banco de dados está ocupado. Tente novamente em instantes.";
constexpr const char* kNoCorrection = "Serviço para correção de efetivos deve ser informado.";

/// The next call of @p method, after @p passing ones went through, refused as a busy database.
void refuse(ScreenFixture& screen, const std::string& method, int passing = 0)
{
    screen.server.app().Module().FailOnce(method, 503, "busy", kBusy, passing);
}

Outcome nav(ScreenFixture& screen, ui::NavigateButton button)
{
    return screen.act().run([&] { return screen.form().dbnPadrao.Click(button); });
}

std::string group(const TfrmGrupServFat& form)
{
    return form.cdsGrupServ.FieldByName("CDGRSERVFAT").AsString();
}

/// Every row an open list holds is of the current group, of the loaded
/// branch and client. The services follow every move; the correction table
/// only while its page is in front (entering the page reads it).
void expectOnlyCurrentGroup(const TfrmGrupServFat& form, const std::string& where)
{
    const std::string current = form.cdsGrupServ.Active() ? group(form) : std::string();
    for (const data::DataSet* list : {&form.cdsServClie, &form.cdsCorrPrecGrup}) {
        if (!list->Active() || (list == &form.cdsCorrPrecGrup && form.pgcPadrao.ActivePage() != &form.tshTabCorr))
            continue;
        const int code = list->FieldByName("CDGRSERVFAT").Index();
        const int client = list->FieldByName("CDCLIENTE").Index();
        for (int row = 0; row < list->RecordCount(); ++row) {
            EXPECT_EQ(std::get<std::string>(list->ValueAt(row, code)), current)
                << where << ": " << list->Name() << " linha " << row + 1;
            EXPECT_EQ(std::get<std::string>(list->ValueAt(row, client)), form.ClienteCarregado())
                << where << ": " << list->Name() << " linha " << row + 1;
        }
    }
}

/// With the list of the page in front closed, nothing acts on it; it can only be read again.
void expectNothingToActOn(const TfrmGrupServFat& form, const std::string& where)
{
    EXPECT_EQ(commands(form), (std::vector<bool>{false, false, false, false, true, false, false})) << where;
    EXPECT_EQ(commandEntries(form), commands(form)) << where;
}

TEST(GroupMoves, TheNavigatorMovesBetweenGroupsWithTheServicesPageInFront)
{
    ScreenFixture screen;
    TfrmGrupServFat& form = screen.form();
    ASSERT_EQ(screen.openClient("0001", kClientWithGroups), Outcome::Done);
    ASSERT_EQ(screen.act().clickMenu("mnuServ"), Outcome::Done);

    // 001 and 002 name their correction service, so each move asks the server first.
    const std::pair<ui::NavigateButton, const char*> moves[] = {
        {ui::NavigateButton::Next, "002"},  {ui::NavigateButton::Next, "003"}, {ui::NavigateButton::Prior, "002"},
        {ui::NavigateButton::First, "001"}, {ui::NavigateButton::Last, "003"}, {ui::NavigateButton::First, "001"}};
    for (const auto& [button, arrives] : moves) {
        ASSERT_EQ(nav(screen, button), Outcome::Done) << arrives << ": " << screen.lastError();
        EXPECT_EQ(group(form), arrives);
        EXPECT_EQ(form.pgcPadrao.ActivePage(), &form.tshServico);
        expectOnlyCurrentGroup(form, arrives);
        EXPECT_EQ(form.cdsServClie.RecordCount(), std::string(arrives) == "003" ? 0 : 2) << arrives;
    }
    EXPECT_TRUE(screen.errors.empty()) << screen.lastError();

    // The correction service of 001 changed by someone else meanwhile: the
    // move still arrives, and the list is read again on arrival, so a later
    // alteration of 001 is no conflict.
    screen.server.storage().ProAtualizaServ("0001", "000002", "001", "00020");
    screen.clearCalls();
    ASSERT_EQ(nav(screen, ui::NavigateButton::Next), Outcome::Done) << screen.lastError();
    EXPECT_EQ(group(form), "002");
    EXPECT_EQ(screen.count("GetGrupServ"), 2);
    ASSERT_EQ(nav(screen, ui::NavigateButton::Prior), Outcome::Done) << screen.lastError();
    EXPECT_EQ(form.cdsGrupServ.FieldByName("CDSERAJEFEGSF").AsString(), "00020");
    ASSERT_EQ(screen.act().clickMenu("mnuGrupServ"), Outcome::Done);
    ASSERT_EQ(screen.act().click("sbtAlterar"), Outcome::Done);
    screen.typeInto("dbgPadrao", "DSGRSERVFAT", "Portaria 24h");
    EXPECT_EQ(screen.act().click("sbtConfirmar"), Outcome::Done) << screen.lastError();
    const auto held = screen.snapshot().at("0001/000002/001");
    ASSERT_FALSE(held.empty());
    EXPECT_NE(held.front().find("\"Portaria 24h\""), std::string::npos) << held.front();
    EXPECT_TRUE(screen.errors.empty()) << screen.lastError();
}

TEST(GroupMoves, AReReadRefusedOnArrivalLeavesNoServicesOfTheGroupLeft)
{
    ScreenFixture screen;
    TfrmGrupServFat& form = screen.form();
    ASSERT_EQ(screen.openClient("0001", kClientWithGroups), Outcome::Done);
    ASSERT_EQ(screen.act().clickMenu("mnuServ"), Outcome::Done);
    screen.server.storage().ProAtualizaServ("0001", "000002", "001", "00020");

    // The check before the move reads the groups and sees 001 changed; the
    // re-read on arrival is refused. Pressed outside the dispatcher, so the
    // pause after the action does not run yet.
    refuse(screen, "GetGrupServ", 1);
    EXPECT_THROW(form.dbnPadrao.Click(ui::NavigateButton::Next), std::exception);
    EXPECT_EQ(group(form), "002");
    EXPECT_EQ(form.pgcPadrao.ActivePage(), &form.tshServico);
    expectOnlyCurrentGroup(form, "re-read refused");
    EXPECT_FALSE(form.cdsServClie.Active());

    // At the next pause the groups are read again, with 002 kept and its services.
    screen.clearCalls();
    form.FormIdle(form);
    EXPECT_EQ(screen.count("GetGrupServ"), 1);
    EXPECT_EQ(group(form), "002");
    ASSERT_TRUE(form.cdsServClie.Active());
    EXPECT_EQ(form.cdsServClie.RecordCount(), 2);
    expectOnlyCurrentGroup(form, "read at the pause");
    const int correction = form.cdsGrupServ.FieldByName("CDSERAJEFEGSF").Index();
    EXPECT_EQ(std::get<std::string>(form.cdsGrupServ.ValueAt(0, correction)), "00020");
    screen.clearCalls();
    form.FormIdle(form);
    EXPECT_EQ(screen.count("GetGrupServ"), 0);
}

TEST(GroupMoves, ACorrectionServiceClearedOnTheServerStillStopsTheMove)
{
    ScreenFixture screen;
    TfrmGrupServFat& form = screen.form();
    ASSERT_EQ(screen.openClient("0001", kClientWithGroups), Outcome::Done);
    ASSERT_EQ(screen.act().clickMenu("mnuServ"), Outcome::Done);
    screen.server.storage().ProLimpaServ("0001", "000002", "001");

    EXPECT_EQ(nav(screen, ui::NavigateButton::Next), Outcome::Failed);
    EXPECT_EQ(screen.messages().back(), kNoCorrection);
    EXPECT_EQ(group(form), "001");
    // Seen as cleared: the group holds no correction service and its rows show "Não".
    EXPECT_TRUE(form.cdsGrupServ.FieldByName("CDSERAJEFEGSF").IsNull());
    EXPECT_EQ(form.dbgServico.CellText(0, 2), "Não");
    EXPECT_EQ(form.pgcPadrao.ActivePage(), &form.tshServico);
    EXPECT_EQ(screen.focused(), "dbgServico");

    // Once a service carries the correction again, the move goes on.
    screen.server.storage().ProAtualizaServ("0001", "000002", "001", "00010");
    EXPECT_EQ(nav(screen, ui::NavigateButton::Next), Outcome::Failed); // the screen still holds it cleared
    ASSERT_EQ(screen.act().click("sbtAlterar"), Outcome::Done);
    ASSERT_EQ(screen.act().choosePick("dbgServico", "Sim"), Outcome::Done);
    ASSERT_EQ(screen.act().click("sbtConfirmar"), Outcome::Done) << screen.lastError();
    ASSERT_EQ(nav(screen, ui::NavigateButton::Next), Outcome::Done) << screen.lastError();
    EXPECT_EQ(group(form), "002");
}

// Each road that changes the current group, with the reload of the list it
// needs refused: the list left is of the current group or closed, nothing
// acts on a closed one, and the next reload that works fills it.
struct Road {
    const char* name;
    const char* refused;                         ///< GetServClie or GetCorrPrecGrup
    std::function<void(ScreenFixture&)> before;  ///< brings the screen where the road starts
    std::function<Outcome(ScreenFixture&)> road; ///< the action whose reload is refused
    int passing = 0;                             ///< calls of the refused method let through first
};

Outcome menu(ScreenFixture& screen, const char* entry)
{
    return screen.act().clickMenu(entry);
}

Outcome postNewGroup(ScreenFixture& screen)
{
    if (screen.act().click("sbtIncluir") != Outcome::Done)
        return Outcome::Failed;
    screen.typeInto("dbgPadrao", "CDGRSERVFAT", "9");
    screen.typeInto("dbgPadrao", "DSGRSERVFAT", "Noturno");
    screen.typeInto("dbgPadrao", "QTEFETMINIGSF", "1");
    return screen.act().click("sbtConfirmar");
}

const std::vector<Road>& roads()
{
    const auto nothing = [](ScreenFixture&) {};
    static const std::vector<Road> all = {
        {"services, navigator on Serviços", "GetServClie", [](ScreenFixture& s) { menu(s, "mnuServ"); },
         [](ScreenFixture& s) { return nav(s, ui::NavigateButton::Next); }},
        {"services, grid row", "GetServClie", nothing,
         [](ScreenFixture& s) { return s.act().moveToRow("dbgPadrao", 2); }},
        {"services, new group", "GetServClie", nothing, [](ScreenFixture& s) { return s.act().click("sbtIncluir"); }},
        {"services, deleted group", "GetServClie", [](ScreenFixture& s) { s.act().moveToRow("dbgPadrao", 2); },
         [](ScreenFixture& s) {
             s.person.queueConfirm(true);
             return s.act().click("sbtExcluir");
         }},
        {"services, another client", "GetServClie", nothing,
         [](ScreenFixture& s) { return s.openClient("0001", kClientOneGroup); }},
        {"table, page entry after a move", "GetCorrPrecGrup",
         [](ScreenFixture& s) { s.act().moveToRow("dbgPadrao", 1); },
         [](ScreenFixture& s) { return menu(s, "mnuTabCorr"); }},
        {"table, navigator on its page", "GetCorrPrecGrup", [](ScreenFixture& s) { menu(s, "mnuTabCorr"); },
         [](ScreenFixture& s) { return nav(s, ui::NavigateButton::Next); }},
        {"table, page entry after a new group", "GetCorrPrecGrup", [](ScreenFixture& s) { postNewGroup(s); },
         [](ScreenFixture& s) { return menu(s, "mnuTabCorr"); }},
        // Deleting 001 reads the groups again first (it names a correction
        // service); the table read after the deletion is the one refused.
        {"table, deleted group", "GetCorrPrecGrup", nothing,
         [](ScreenFixture& s) {
             s.person.queueConfirm(true);
             return s.act().click("sbtExcluir");
         },
         1},
    };
    return all;
}

TEST(FailedReloads, NoListOfAnotherGroupIsOfferedOnAnyRoad)
{
    for (const Road& road : roads()) {
        SCOPED_TRACE(road.name);
        ScreenFixture screen;
        TfrmGrupServFat& form = screen.form();
        ASSERT_EQ(screen.openClient("0001", kClientWithGroups), Outcome::Done);
        road.before(screen);
        ASSERT_TRUE(screen.errors.empty()) << screen.lastError();

        refuse(screen, road.refused, road.passing);
        EXPECT_EQ(road.road(screen), Outcome::Failed);
        EXPECT_EQ(screen.lastError(), kBusy);
        EXPECT_FALSE(screen.person.progressVisible());
        expectOnlyCurrentGroup(form, road.name);
        const bool services = std::string(road.refused) == "GetServClie";
        data::DataSet& list = services ? form.cdsServClie : form.cdsCorrPrecGrup;
        // Refused in the road, the list of the group it arrived at could not be read.
        EXPECT_FALSE(list.Active());
        const ui::TabSheet& page = services ? form.tshServico : form.tshTabCorr;
        if (form.pgcPadrao.ActivePage() == &page)
            expectNothingToActOn(form, road.name);
        if (form.pgcPadrao.ActivePage() == &form.tshTabCorr) {
            EXPECT_FALSE(form.sbtProcurar.Enabled());
            EXPECT_FALSE(form.mnuProcurar.Enabled());
            // The navigator still moves: the next group's table is read on arrival.
            EXPECT_TRUE(form.dbnPadrao.Enabled());
        }

        // Cancelled and confirmed, with a group being typed or not, nothing
        // posts onto the closed list.
        if (form.sbtCancelar.Enabled()) {
            screen.person.queueConfirm(true);
            screen.act().click("sbtCancelar");
        }

        // The next reload that works fills it, for the current group.
        const Outcome again = form.pgcPadrao.ActivePage() == &page ? screen.act().click("sbtVerificar")
                                                                   : menu(screen, services ? "mnuServ" : "mnuTabCorr");
        EXPECT_EQ(again, Outcome::Done) << screen.lastError();
        EXPECT_EQ(form.pgcPadrao.ActivePage(), &page);
        EXPECT_TRUE(list.Active());
        expectOnlyCurrentGroup(form, road.name);
        EXPECT_TRUE(form.sbtIncluir.Enabled());
        if (!services) {
            EXPECT_FALSE(form.sbtProcurar.Enabled());
            EXPECT_FALSE(form.mnuProcurar.Enabled());
        }
    }
}

TEST(FailedReloads, ACorrectionTableOfTheSameGroupIsKeptWithoutSearch)
{
    ScreenFixture screen;
    TfrmGrupServFat& form = screen.form();
    ASSERT_EQ(screen.openClient("0001", kClientWithGroups), Outcome::Done);
    ASSERT_EQ(menu(screen, "mnuTabCorr"), Outcome::Done);
    // The new interval ends last: the cursor does not move when it is stored.
    ASSERT_EQ(screen.act().click("sbtIncluir"), Outcome::Done);
    screen.typeInto("dbgCorrPrecGrup", "VRPEFIMGRUP", "60");
    screen.typeInto("dbgCorrPrecGrup", "VRPECORRGRUP", "15");

    refuse(screen, "GetCorrPrecGrup");
    EXPECT_EQ(screen.act().click("sbtConfirmar"), Outcome::Failed);
    EXPECT_EQ(screen.lastError(), kBusy);
    EXPECT_EQ(form.cdsCorrPrecGrup.RecordCount(), 4);
    expectOnlyCurrentGroup(form, "confirm");
    EXPECT_FALSE(form.sbtProcurar.Enabled());
    EXPECT_FALSE(form.mnuProcurar.Enabled());
    EXPECT_TRUE(form.sbtIncluir.Enabled());

    // The same after a refused verify.
    refuse(screen, "GetCorrPrecGrup");
    EXPECT_EQ(screen.act().click("sbtVerificar"), Outcome::Failed);
    EXPECT_EQ(form.cdsCorrPrecGrup.RecordCount(), 4);
    EXPECT_FALSE(form.sbtProcurar.Enabled());
    EXPECT_FALSE(form.mnuProcurar.Enabled());
}

TEST(FailedReloads, AGroupWhoseServicesCouldNotBeReadDoesNotBlockTheClose)
{
    // A new group, and a group moved to, both without services.
    const std::pair<const char*, std::function<Outcome(ScreenFixture&)>> roads[] = {
        {"new group", [](ScreenFixture& s) { return s.act().click("sbtIncluir"); }},
        {"moved group", [](ScreenFixture& s) { return s.act().moveToRow("dbgPadrao", 2); }},
    };
    for (const auto& [name, road] : roads) {
        SCOPED_TRACE(name);
        ScreenFixture screen;
        TfrmGrupServFat& form = screen.form();
        ASSERT_EQ(screen.openClient("0001", kClientWithGroups), Outcome::Done);
        refuse(screen, "GetServClie");
        EXPECT_EQ(road(screen), Outcome::Failed);
        if (editing(form.cdsGrupServ.State())) {
            screen.typeInto("dbgPadrao", "CDGRSERVFAT", "9");
            screen.typeInto("dbgPadrao", "DSGRSERVFAT", "Noturno");
            screen.typeInto("dbgPadrao", "QTEFETMINIGSF", "1");
            ASSERT_EQ(screen.act().click("sbtConfirmar"), Outcome::Done) << screen.lastError();
        }
        screen.clearMessages();
        EXPECT_EQ(screen.act().close(), Outcome::Done) << screen.lastError();
        EXPECT_FALSE(unit().FormCriado);
        EXPECT_TRUE(screen.messages().empty()) << screen.messages().front();
    }
}

TEST(FailedReloads, ACorrectionServicePostedButNotReadBackIsReadAtTheNextPause)
{
    // Group 003 has no service; its first one is proposed as the correction service.
    ScreenFixture screen;
    TfrmGrupServFat& form = screen.form();
    ASSERT_EQ(screen.openClient("0001", kClientWithGroups), Outcome::Done);
    ASSERT_EQ(screen.act().moveToRow("dbgPadrao", 2), Outcome::Done);
    ASSERT_EQ(menu(screen, "mnuServ"), Outcome::Done);
    ASSERT_EQ(screen.act().click("sbtIncluir"), Outcome::Done);
    screen.typeInto("dbgServico", "CDSERVFILI", "50");

    // Both procedures ran; reading the groups back is refused.
    refuse(screen, "GetGrupServ");
    EXPECT_EQ(screen.act().click("sbtConfirmar"), Outcome::Failed);
    EXPECT_EQ(screen.lastError(), kBusy);
    EXPECT_EQ(form.cdsServClie.State(), DataSetState::Insert);
    EXPECT_TRUE(form.cdsGrupServ.FieldByName("CDSERAJEFEGSF").IsNull());

    // Given up, the row is there on the server all the same; once the screen
    // is idle it holds the group as the server does, and the page can be left.
    screen.person.queueConfirm(true);
    ASSERT_EQ(screen.act().click("sbtCancelar"), Outcome::Done);
    EXPECT_EQ(group(form), "003");
    EXPECT_EQ(form.cdsGrupServ.FieldByName("CDSERAJEFEGSF").AsString(), "00050");
    ASSERT_EQ(menu(screen, "mnuServ"), Outcome::Done);
    EXPECT_EQ(form.cdsServClie.RecordCount(), 1);
    screen.clearMessages();
    EXPECT_EQ(screen.act().selectTab("tshPadrao"), Outcome::Done) << screen.lastError();
    EXPECT_TRUE(screen.messages().empty()) << screen.messages().front();
}

} // namespace
} // namespace gsf::screen::test
