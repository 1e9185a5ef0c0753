#include "screen/tests/screen_fixture.h"

#include "platform/data/number_format.h"
#include "platform/host/control_routines.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

namespace gsf::screen::test {
namespace {

using data::DataSetState;
using host::Outcome;
using Calls = std::vector<std::string>;
using Snapshot = std::map<std::string, std::vector<std::string>>;
using gsf::test::differences;

int called(const Calls& calls, const std::string& call)
{
    return static_cast<int>(std::count(calls.begin(), calls.end(), call));
}

/// The group line of a snapshot entry, "" when the group is not there.
std::string groupLine(const Snapshot& snapshot, const std::string& key)
{
    const auto found = snapshot.find(key);
    return found == snapshot.end() || found->second.empty() ? std::string() : found->second.front();
}

/// Alters the description of the current group from the first page and confirms it.
Outcome alterDescription(ScreenFixture& screen, const std::string& description)
{
    if (screen.act().clickMenu("mnuGrupServ") != Outcome::Done || screen.act().click("sbtAlterar") != Outcome::Done)
        return Outcome::Failed;
    screen.typeInto("dbgPadrao", "DSGRSERVFAT", description);
    return screen.act().click("sbtConfirmar");
}

// Where the focus may be when a look-up button is clicked: each grid, and a day edit.
struct Place {
    const char* entry;
    const char* control;
};
constexpr Place kPlaces[] = {{"mnuGrupServ", "dbgPadrao"},
                             {"mnuServ", "dbgServico"},
                             {"mnuExce", "dbeQtEfetDom"},
                             {"mnuTabCorr", "dbgCorrPrecGrup"}};

/// Client 000002 of branch 0001 loaded, the focus on @p place's control.
void openAt(ScreenFixture& screen, const Place& place)
{
    ASSERT_EQ(screen.openClient("0001", kClientWithGroups), Outcome::Done);
    ASSERT_EQ(screen.act().clickMenu(place.entry), Outcome::Done) << place.entry;
    ASSERT_EQ(screen.act().focus(place.control), Outcome::Done) << place.control;
    ASSERT_EQ(screen.focused(), place.control);
}

TEST(LoadedContext, AClientPickedFromOutsideThePanelIsLoadedBeforeAnythingActs)
{
    for (const Place& place : kPlaces) {
        SCOPED_TRACE(place.control);
        ScreenFixture screen;
        TfrmGrupServFat& form = screen.form();
        openAt(screen, place);
        const Snapshot before = screen.snapshot();

        // Client 000001 (first of the branch's list), picked without the focus ever in the panel.
        screen.clearCalls();
        screen.person.queuePick(1);
        ASSERT_EQ(screen.act().click("btpCliente"), Outcome::Done) << screen.lastError();
        EXPECT_EQ(called(screen.calls(), "GetGrupServ 0001|000001"), 1);
        EXPECT_EQ(form.ClienteCarregado(), "000001");
        EXPECT_EQ(form.edtNmCliente.Text(), "Maria da Silva");
        EXPECT_EQ(form.cdsGrupServ.RecordCount(), 1);
        EXPECT_EQ(form.pgcPadrao.ActivePage(), &form.tshPadrao);
        EXPECT_EQ(checks(form), (std::vector<bool>{true, false, false, false}));
        EXPECT_EQ(screen.focused(), "dbgPadrao");
        EXPECT_EQ(commandEntries(form), commands(form));

        // What is altered now is the picked client's group, and nothing else.
        ASSERT_EQ(alterDescription(screen, "Doméstico revisto"), Outcome::Done) << screen.lastError();
        const Snapshot after = screen.snapshot();
        EXPECT_EQ(differences(before, after, {"0001/000001/001"}), std::vector<std::string>{});
        EXPECT_NE(groupLine(after, "0001/000001/001").find("\"Doméstico revisto\""), std::string::npos);
        EXPECT_EQ(groupLine(after, "0001/000002/001"), groupLine(before, "0001/000002/001"));
    }
}

TEST(LoadedContext, ABranchPickedFromOutsideThePanelStopsEveryCommandUntilAClientIsGiven)
{
    for (const Place& place : kPlaces) {
        SCOPED_TRACE(place.control);
        ScreenFixture screen;
        TfrmGrupServFat& form = screen.form();
        openAt(screen, place);
        const Snapshot before = screen.snapshot();

        // Branch 0002: its change clears the client, so leaving the panel is refused.
        screen.clearCalls();
        screen.clearMessages();
        screen.person.queuePick(2);
        EXPECT_EQ(screen.act().click("btpFilial"), Outcome::Failed);
        EXPECT_EQ(form.medCdFilial.Text(), "0002");
        EXPECT_EQ(screen.messages(), std::vector<std::string>{"Cliente deve ser informado."});
        EXPECT_EQ(screen.focused(), "medCdCliente");
        EXPECT_EQ(form.FilialCarregada(), "0001");
        EXPECT_EQ(form.ClienteCarregado(), "000002");

        // The old list is still shown, yet no command acts on it. The buttons
        // keep the states of the page left ("Exceções Dia" has no include or delete).
        screen.clearCalls();
        for (ui::SpeedButton* command :
             {&form.sbtAlterar, &form.sbtExcluir, &form.sbtVerificar, &form.sbtIncluir, &form.sbtProcurar}) {
            screen.clearMessages();
            if (!command->Enabled()) {
                EXPECT_EQ(screen.act().click(*command), Outcome::Ignored) << command->Name();
                continue;
            }
            EXPECT_EQ(screen.act().click(*command), Outcome::Failed) << command->Name();
            EXPECT_EQ(screen.messages(), std::vector<std::string>{"Cliente deve ser informado."}) << command->Name();
            EXPECT_EQ(form.cdsGrupServ.State(), DataSetState::Browse) << command->Name();
        }
        EXPECT_EQ(screen.calls(), Calls{});

        // A client of the new branch: the command settles the filter, then alters its group.
        screen.act().typeText("medCdCliente", "45678912000155");
        ASSERT_EQ(screen.act().click("sbtAlterar"), Outcome::Done) << screen.lastError();
        EXPECT_EQ(form.FilialCarregada(), "0002");
        EXPECT_EQ(form.cdsGrupServ.State(), DataSetState::Edit);
        screen.typeInto("dbgPadrao", "DSGRSERVFAT", "Vigilância norte");
        ASSERT_EQ(screen.act().click("sbtConfirmar"), Outcome::Done) << screen.lastError();
        const Snapshot after = screen.snapshot();
        EXPECT_EQ(differences(before, after, {"0002/000001/001"}), std::vector<std::string>{});
        EXPECT_NE(groupLine(after, "0002/000001/001").find("\"Vigilância norte\""), std::string::npos);
    }
}

// A command chosen by its button or by its menu entry, and what it needs answered.
struct Command {
    const char* name;
    bool byMenu;
};
// Cancel and confirm are off while nothing is pending, and nothing can be
// pending while the filter is being edited (the panel is closed during an edit).
constexpr Command kCommands[] = {{"sbtIncluir", false},  {"sbtAlterar", false},   {"sbtExcluir", false},
                                 {"sbtProcurar", false}, {"sbtVerificar", false}, {"mnuIncluir", true},
                                 {"mnuAlterar", true},   {"mnuExcluir", true},    {"mnuProcurar", true},
                                 {"mnuVerificar", true}, {"mnuGrupServ", true}};

Outcome choose(ScreenFixture& screen, const Command& command)
{
    return command.byMenu ? screen.act().clickMenu(command.name) : screen.act().click(command.name);
}

TEST(LoadedContext, EveryCommandAfterTypingAnotherClientLoadsItFirst)
{
    for (const Command& command : kCommands) {
        SCOPED_TRACE(command.name);
        ScreenFixture screen;
        TfrmGrupServFat& form = screen.form();
        ASSERT_EQ(screen.openClient("0001", kClientWithGroups), Outcome::Done);
        ASSERT_EQ(screen.act().moveToRow("dbgPadrao", 1), Outcome::Done); // group 002 current
        const Snapshot before = screen.snapshot();
        screen.act().typeText("medCdCliente", kClientOneGroup); // 000001, not left
        screen.clearCalls();
        screen.person.clearLines();
        screen.person.queueFind("CDGRSERVFAT", "001"); // for the search, when it goes on

        const std::string name = command.name;
        EXPECT_EQ(choose(screen, command), Outcome::Done) << screen.lastError();
        const Calls calls = screen.calls();
        EXPECT_EQ(form.ClienteCarregado(), "000001");
        EXPECT_EQ(called(calls, "GetGrupServ 0001|000001"), 1) << "one load, and verify reads nothing more";
        EXPECT_EQ(called(calls, "GetGrupServ 0001|000002"), 0);
        EXPECT_EQ(screen.focused(), "dbgPadrao");
        if (form.cdsGrupServ.State() != DataSetState::Insert) {
            EXPECT_EQ(form.cdsGrupServ.FieldByName("CDGRSERVFAT").AsString(), "001");
            EXPECT_EQ(form.cdsGrupServ.FieldByName("CDCLIENTE").AsString(), "000001");
        }
        const std::vector<std::string>& lines = screen.person.lines();
        const bool asked =
            std::any_of(lines.begin(), lines.end(), [](const std::string& l) { return l.rfind("confirm ", 0) == 0; });
        EXPECT_FALSE(asked) << "a delete stops before its question";
        const bool searched =
            std::any_of(lines.begin(), lines.end(), [](const std::string& l) { return l.rfind("find ", 0) == 0; });
        EXPECT_EQ(searched, name == "sbtProcurar" || name == "mnuProcurar");

        if (name == "sbtIncluir" || name == "mnuIncluir") {
            EXPECT_EQ(form.cdsGrupServ.State(), DataSetState::Insert);
            screen.person.queueConfirm(true);
            ASSERT_EQ(screen.act().click("sbtCancelar"), Outcome::Done);
        } else if (name == "sbtAlterar" || name == "mnuAlterar") {
            EXPECT_EQ(form.cdsGrupServ.State(), DataSetState::Edit);
            screen.person.queueConfirm(true);
            ASSERT_EQ(screen.act().click("sbtCancelar"), Outcome::Done);
        } else {
            EXPECT_EQ(form.cdsGrupServ.State(), DataSetState::Browse);
        }
        EXPECT_EQ(called(screen.calls(), "ProDelServ 0001|000002|002"), 0);
        EXPECT_EQ(differences(before, screen.snapshot()), std::vector<std::string>{});
    }
}

TEST(LoadedContext, EveryCommandAfterTypingAnotherBranchIsRefusedWithTheFiltersMessage)
{
    for (const Command& command : kCommands) {
        SCOPED_TRACE(command.name);
        ScreenFixture screen;
        TfrmGrupServFat& form = screen.form();
        ASSERT_EQ(screen.openClient("0001", kClientWithGroups), Outcome::Done);
        const Snapshot before = screen.snapshot();
        screen.act().typeText("medCdFilial", "0002"); // clears the client, not left
        for (const char* idle : {"sbtCancelar", "sbtConfirmar"})
            EXPECT_EQ(screen.act().click(idle), Outcome::Ignored) << idle;
        screen.clearCalls();
        screen.clearMessages();
        EXPECT_EQ(choose(screen, command), Outcome::Failed);
        EXPECT_EQ(screen.messages(), std::vector<std::string>{"Cliente deve ser informado."});
        EXPECT_EQ(screen.focused(), "medCdCliente");
        EXPECT_EQ(screen.calls(), Calls{}) << "nothing asked of the server";
        EXPECT_EQ(form.cdsGrupServ.State(), DataSetState::Browse);
        EXPECT_EQ(form.cdsGrupServ.RecordCount(), 3);
        EXPECT_EQ(form.FilialCarregada(), "0001");
        EXPECT_EQ(differences(before, screen.snapshot()), std::vector<std::string>{});
    }
}

/// Client 000002 of branch 0001 on "Serviços" of group 001 (00010 its correction service, 00020).
void openServicesOf001(ScreenFixture& screen)
{
    ASSERT_EQ(screen.openClient("0001", kClientWithGroups), Outcome::Done);
    ASSERT_EQ(screen.act().clickMenu("mnuServ"), Outcome::Done);
    ASSERT_TRUE(screen.form().cdsServClie.Locate("CDSERVFILI", std::string("00010"), false));
}

void expectGroupAlteredOnly(ScreenFixture& screen, const Snapshot& before, const std::string& description)
{
    ASSERT_EQ(alterDescription(screen, description), Outcome::Done) << screen.lastError();
    const Snapshot after = screen.snapshot();
    EXPECT_NE(groupLine(after, "0001/000002/001").find("\"" + description + "\""), std::string::npos);
    // Only group 001 of the client changed; its other groups and every other client are as they were.
    EXPECT_EQ(differences(before, after, {"0001/000002/001"}), std::vector<std::string>{});
}

TEST(OwnChanges, RemovingTheCorrectionServiceLeavesTheGroupPostable)
{
    {
        SCOPED_TRACE("delete command: ProLimpaServ, ProDeletaServ");
        ScreenFixture screen;
        openServicesOf001(screen);
        const Snapshot before = screen.snapshot();
        screen.person.queueConfirm(true);
        ASSERT_EQ(screen.act().click("sbtExcluir"), Outcome::Done) << screen.lastError();
        EXPECT_TRUE(screen.form().cdsGrupServ.FieldByName("CDSERAJEFEGSF").IsNull());
        expectGroupAlteredOnly(screen, before, "Vigilância revista");
    }
    {
        SCOPED_TRACE("delete command refused after ProLimpaServ");
        ScreenFixture screen;
        openServicesOf001(screen);
        const Snapshot before = screen.snapshot();
        screen.server.failOnce("ProDeletaServ", "Remoção recusada.");
        screen.person.queueConfirm(true);
        EXPECT_EQ(screen.act().click("sbtExcluir"), Outcome::Failed);
        EXPECT_EQ(screen.form().cdsServClie.RecordCount(), 2);
        expectGroupAlteredOnly(screen, before, "Vigilância revista");
    }
    {
        SCOPED_TRACE("grid row deletion: UpdServClie");
        ScreenFixture screen;
        openServicesOf001(screen);
        const Snapshot before = screen.snapshot();
        screen.person.queueConfirm(true);
        ASSERT_EQ(screen.act().deleteRow("dbgServico"), Outcome::Done) << screen.lastError();
        EXPECT_EQ(screen.form().cdsServClie.RecordCount(), 1);
        EXPECT_TRUE(screen.form().cdsGrupServ.FieldByName("CDSERAJEFEGSF").IsNull());
        expectGroupAlteredOnly(screen, before, "Vigilância revista");
    }
    {
        SCOPED_TRACE("unflagged on posting: ProLimpaServ, then another service flagged: ProAtualizaServ");
        ScreenFixture screen;
        TfrmGrupServFat& form = screen.form();
        openServicesOf001(screen);
        const Snapshot before = screen.snapshot();
        ASSERT_EQ(screen.act().click("sbtAlterar"), Outcome::Done);
        ASSERT_EQ(screen.act().choosePick("dbgServico", "Não"), Outcome::Done);
        ASSERT_EQ(screen.act().click("sbtConfirmar"), Outcome::Done) << screen.lastError();
        EXPECT_TRUE(form.cdsGrupServ.FieldByName("CDSERAJEFEGSF").IsNull());
        ASSERT_TRUE(form.cdsServClie.Locate("CDSERVFILI", std::string("00020"), false));
        ASSERT_EQ(screen.act().click("sbtAlterar"), Outcome::Done);
        ASSERT_EQ(screen.act().choosePick("dbgServico", "Sim"), Outcome::Done);
        ASSERT_EQ(screen.act().click("sbtConfirmar"), Outcome::Done) << screen.lastError();
        EXPECT_EQ(form.cdsGrupServ.FieldByName("CDSERAJEFEGSF").AsString(), "00020");
        expectGroupAlteredOnly(screen, before, "Vigilância revista");
    }
}

TEST(OwnChanges, AGroupClearedWhilePostingFromAnotherPageIsSeenClearedByTheCheck)
{
    ScreenFixture screen;
    TfrmGrupServFat& form = screen.form();
    openServicesOf001(screen);
    ASSERT_EQ(screen.act().click("sbtAlterar"), Outcome::Done);
    ASSERT_EQ(screen.act().choosePick("dbgServico", "Não"), Outcome::Done);
    // Only code brings another page in front while a service row is pending.
    host::SetActivePage(form.pgcPadrao, form.tshPadrao);
    screen.clearCalls();
    EXPECT_EQ(screen.act().click("sbtConfirmar"), Outcome::Failed);
    EXPECT_EQ(screen.messages().back(), "Serviço para correção de efetivos deve ser informado.");
    EXPECT_EQ(called(screen.calls(), "ProLimpaServ 0001|000002|001"), 1);
    EXPECT_TRUE(form.cdsGrupServ.FieldByName("CDSERAJEFEGSF").IsNull());
    EXPECT_NE(groupLine(screen.snapshot(), "0001/000002/001").find("CDSERAJEFEGSF=null"), std::string::npos);
}

TEST(OwnChanges, OnlyAChangeBySomeoneElseIsAConflict)
{
    ScreenFixture screen;
    TfrmGrupServFat& form = screen.form();
    ASSERT_EQ(screen.openClient("0001", kClientWithGroups), Outcome::Done);
    // Another screen clears the correction service of group 001 meanwhile.
    screen.server.storage().ProLimpaServ("0001", "000002", "001");
    const Snapshot before = screen.snapshot();
    EXPECT_EQ(alterDescription(screen, "Vigilância revista"), Outcome::Failed);
    EXPECT_NE(screen.lastError().find("outro usuário"), std::string::npos) << screen.lastError();
    EXPECT_EQ(form.cdsGrupServ.State(), DataSetState::Browse);
    EXPECT_EQ(form.cdsGrupServ.ChangeCount(), 0);
    EXPECT_EQ(differences(before, screen.snapshot()), std::vector<std::string>{});
}

std::string cellText(const data::Value& value)
{
    if (const auto* number = std::get_if<double>(&value))
        return data::plainNumber(*number);
    if (const auto* text = std::get_if<std::string>(&value))
        return *text;
    return "null";
}

/// Texts of @p field on every row, as the screen's list holds them.
std::vector<std::string> column(const data::DataSet& dataSet, const char* field)
{
    std::vector<std::string> out;
    const int index = dataSet.FieldByName(field).Index();
    for (int r = 0; r < dataSet.RecordCount(); ++r)
        out.push_back(cellText(dataSet.ValueAt(r, index)));
    return out;
}

/// The same read from the server's packet.
std::vector<std::string> column(const data::Packet& packet, const char* field)
{
    std::vector<std::string> out;
    const auto index = static_cast<std::size_t>(packet.indexOf(field));
    for (const auto& row : packet.rows)
        out.push_back(cellText(row[index]));
    return out;
}

// A change the server refuses, and how to ask for it. A procedure that ran
// before the refused step stays done on the server (group 001 changed).
struct Refusal {
    const char* method;
    const char* page;
    std::function<Outcome(ScreenFixture&)> act;
    bool earlierStepStays = false;
};

TEST(Refusals, EveryRefusedChangeIsAFailureAndTheListsShowWhatTheServerHolds)
{
    const auto confirmed = [](const char* command) {
        return [command](ScreenFixture& s) {
            s.person.queueConfirm(true);
            return s.act().click(command);
        };
    };
    const Refusal refusals[] = {
        {"UpdGrupServ", "mnuGrupServ", [](ScreenFixture& s) { return alterDescription(s, "Recusada"); }},
        {"ProDelServ", "mnuGrupServ", confirmed("sbtExcluir")},
        {"UpdGrupServ", "mnuGrupServ", confirmed("sbtExcluir"), true},
        {"ProLimpaServ", "mnuServ", confirmed("sbtExcluir")},
        {"ProDeletaServ", "mnuServ", confirmed("sbtExcluir"), true},
        {"UpdServClie", "mnuServ",
         [](ScreenFixture& s) {
             s.person.queueConfirm(true);
             return s.act().deleteRow("dbgServico");
         }},
        {"ProAtualizaGrupo", "mnuServ",
         [](ScreenFixture& s) {
             s.act().click("sbtIncluir");
             s.typeInto("dbgServico", "CDSERVFILI", "50");
             return s.act().click("sbtConfirmar");
         }},
        {"UpdCorrPrecGrup", "mnuTabCorr", confirmed("sbtExcluir")},
        {"UpdCorrPrecGrup", "mnuTabCorr",
         [](ScreenFixture& s) {
             s.act().click("sbtAlterar");
             s.typeInto("dbgCorrPrecGrup", "VRPECORRGRUP", "13");
             return s.act().click("sbtConfirmar");
         }},
    };
    for (const Refusal& refusal : refusals) {
        SCOPED_TRACE(std::string(refusal.method) + " from " + refusal.page);
        ScreenFixture screen;
        TfrmGrupServFat& form = screen.form();
        ASSERT_EQ(screen.openClient("0001", kClientWithGroups), Outcome::Done);
        ASSERT_EQ(screen.act().clickMenu(refusal.page), Outcome::Done);
        const Snapshot before = screen.snapshot();
        screen.server.failOnce(refusal.method, "Alteração recusada pelo servidor.");
        EXPECT_EQ(refusal.act(screen), Outcome::Failed);
        EXPECT_EQ(screen.lastError(), "Alteração recusada pelo servidor.");
        EXPECT_FALSE(screen.person.progressVisible());
        EXPECT_EQ(screen.count(refusal.method), 1);

        // Nothing pending is left to be sent again, and each list is the server's.
        EXPECT_EQ(form.cdsGrupServ.ChangeCount() + form.cdsServClie.ChangeCount() + form.cdsCorrPrecGrup.ChangeCount(),
                  0);
        gsf::test::ServerReader& server = screen.reader();
        EXPECT_EQ(column(form.cdsGrupServ, "DSGRSERVFAT"),
                  column(server.Call("GetGrupServ", {"0001", "000002"}), "DSGRSERVFAT"));
        if (form.cdsServClie.State() == DataSetState::Browse) {
            EXPECT_EQ(column(form.cdsServClie, "CDSERVFILI"),
                      column(server.Call("GetServClie", {"0001", "000002", "001"}), "CDSERVFILI"));
        }
        EXPECT_EQ(column(form.cdsCorrPrecGrup, "VRPECORRGRUP"),
                  column(server.Call("GetCorrPrecGrup", {"0001", "000002", "001"}), "VRPECORRGRUP"));
        const Snapshot after = screen.snapshot();
        const std::vector<std::string> changed = differences(before, after);
        if (refusal.earlierStepStays) {
            ASSERT_EQ(changed.size(), 1U);
            EXPECT_EQ(changed.front().rfind("0001/000002/001:", 0), 0U);
        } else {
            EXPECT_EQ(changed, std::vector<std::string>{});
        }
    }
}

} // namespace
} // namespace gsf::screen::test
