#include "screen/tests/screen_fixture.h"

#include <gtest/gtest.h>

namespace gsf::screen::test {
namespace {

using host::Outcome;

TEST(PageNavigation, EveryEntryOfAPageReloadsItsListAndChecksOnlyItsEntry)
{
    ScreenFixture screen;
    TfrmGrupServFat& form = screen.form();
    ASSERT_EQ(screen.openClient("0001", kClientWithGroups), Outcome::Done);
    screen.clearCalls();

    ASSERT_EQ(screen.act().clickMenu("mnuServ"), Outcome::Done);
    EXPECT_EQ(form.pgcPadrao.ActivePage(), &form.tshServico);
    EXPECT_EQ(checks(form), (std::vector<bool>{false, true, false, false}));
    ASSERT_EQ(screen.act().selectTab("tshPadrao"), Outcome::Done);
    EXPECT_EQ(checks(form), (std::vector<bool>{true, false, false, false}));
    EXPECT_EQ(screen.count("GetServClie"), 1 + 2); // entry, then the refresh on leaving
    screen.clearCalls();
    ASSERT_EQ(screen.act().selectTab("tshServico"), Outcome::Done);
    EXPECT_EQ(screen.calls(), std::vector<std::string>{"GetServClie 0001|000002|001"});
    EXPECT_EQ(commands(form), (std::vector<bool>{true, true, true, true, true, false, false}));
    EXPECT_EQ(commandEntries(form), commands(form));

    ASSERT_EQ(screen.act().clickMenu("mnuTabCorr"), Outcome::Done);
    EXPECT_EQ(checks(form), (std::vector<bool>{false, false, false, true}));
    EXPECT_EQ(screen.calls().back(), "GetCorrPrecGrup 0001|000002|001");
    EXPECT_EQ(commands(form), (std::vector<bool>{true, true, true, false, true, false, false}));
    EXPECT_FALSE(form.mnuProcurar.Enabled());

    ASSERT_EQ(screen.act().clickMenu("mnuExce"), Outcome::Done);
    EXPECT_EQ(checks(form), (std::vector<bool>{false, false, true, false}));
    EXPECT_EQ(commands(form), (std::vector<bool>{false, true, false, false, true, false, false}));
    EXPECT_EQ(commandEntries(form), commands(form));

    // Entering the panel puts the first page in front and its entry checked.
    ASSERT_EQ(screen.act().focus("medCdCliente"), Outcome::Done);
    EXPECT_EQ(form.pgcPadrao.ActivePage(), &form.tshPadrao);
    EXPECT_EQ(checks(form), (std::vector<bool>{true, false, false, false}));
    EXPECT_FALSE(form.tshServico.Enabled());
    EXPECT_FALSE(form.mnuExce.Enabled());
}

TEST(PageNavigation, LeavingServicesWithoutACorrectionServiceIsRefused)
{
    ScreenFixture screen;
    TfrmGrupServFat& form = screen.form();
    screen.server.storage().ProLimpaServ("0001", "000002", "001");
    ASSERT_EQ(screen.openClient("0001", kClientWithGroups), Outcome::Done);
    ASSERT_EQ(screen.act().selectTab("tshServico"), Outcome::Done);

    EXPECT_NE(screen.act().selectTab("tshPadrao"), Outcome::Done);
    EXPECT_EQ(form.pgcPadrao.ActivePage(), &form.tshServico);
    EXPECT_EQ(screen.focused(), "dbgServico");
    EXPECT_EQ(screen.messages(), std::vector<std::string>{"Serviço para correção de efetivos deve ser informado."});

    // Leaving the pages for the filter is refused the same way.
    screen.clearMessages();
    EXPECT_EQ(screen.act().focus("medCdCliente"), Outcome::Failed);
    EXPECT_EQ(screen.focused(), "dbgServico");
    EXPECT_EQ(screen.messages().size(), 1u);

    // Moving to another group is refused as well.
    screen.clearMessages();
    EXPECT_EQ(screen.act().clickMenu("mnuGrupServ"), Outcome::Done);
    EXPECT_EQ(screen.act().moveToRow("dbgPadrao", 1), Outcome::Failed);
    EXPECT_EQ(form.cdsGrupServ.FieldByName("CDGRSERVFAT").AsString(), "001");
    EXPECT_EQ(form.pgcPadrao.ActivePage(), &form.tshServico);
}

TEST(PageNavigation, MovingToAnotherGroupReloadsTheListsOfThePageInFront)
{
    ScreenFixture screen;
    TfrmGrupServFat& form = screen.form();
    ASSERT_EQ(screen.openClient("0001", kClientWithGroups), Outcome::Done);
    const auto next = [&form] { return form.dbnPadrao.Click(ui::NavigateButton::Next); };

    // On the first page only the services follow the group.
    screen.clearCalls();
    ASSERT_EQ(screen.act().run(next), Outcome::Done);
    EXPECT_EQ(screen.calls(), std::vector<std::string>{"GetServClie 0001|000002|002"});

    // On "Tabela de Correção" the intervals are reloaded first, and Procurar stays off.
    ASSERT_EQ(screen.act().clickMenu("mnuTabCorr"), Outcome::Done);
    screen.clearCalls();
    ASSERT_EQ(screen.act().run(next), Outcome::Done);
    EXPECT_EQ(form.cdsGrupServ.FieldByName("CDGRSERVFAT").AsString(), "003");
    EXPECT_EQ(screen.calls(),
              (std::vector<std::string>{"GetCorrPrecGrup 0001|000002|003", "GetServClie 0001|000002|003"}));
    EXPECT_FALSE(form.sbtProcurar.Enabled());
    EXPECT_FALSE(form.mnuProcurar.Enabled());
    EXPECT_EQ(form.pgcPadrao.ActivePage(), &form.tshTabCorr);
}

TEST(PageNavigation, EnteringTheCorrectionTableWhileARowIsEditedKeepsTheRow)
{
    ScreenFixture screen;
    TfrmGrupServFat& form = screen.form();
    ASSERT_EQ(screen.openClient("0001", kClientWithGroups), Outcome::Done);
    ASSERT_EQ(screen.act().clickMenu("mnuTabCorr"), Outcome::Done);
    const int intervals = form.cdsCorrPrecGrup.RecordCount();
    ASSERT_EQ(screen.act().click("sbtIncluir"), Outcome::Done);
    ASSERT_EQ(form.cdsCorrPrecGrup.State(), data::DataSetState::Insert);

    screen.clearCalls();
    ASSERT_EQ(screen.act().clickMenu("mnuTabCorr"), Outcome::Done);
    EXPECT_EQ(screen.count("GetCorrPrecGrup"), 0);
    EXPECT_EQ(form.cdsCorrPrecGrup.State(), data::DataSetState::Insert);
    EXPECT_EQ(form.cdsCorrPrecGrup.RecordCount(), intervals + 1);
    EXPECT_EQ(commands(form), (std::vector<bool>{false, false, false, false, false, true, true}));
    EXPECT_EQ(commandEntries(form), commands(form));
}

TEST(PageNavigation, EmptyGroupListLeavesOnlyTheFirstPage)
{
    ScreenFixture screen;
    TfrmGrupServFat& form = screen.form();
    ASSERT_EQ(screen.openClient("0001", kClientWithoutGroups), Outcome::Done);
    form.tshServico.SetEnabled(true);
    form.Habilita();
    EXPECT_FALSE(form.tshServico.Enabled());
    EXPECT_EQ(commands(form), (std::vector<bool>{true, false, false, false, false, false, false}));
}

} // namespace
} // namespace gsf::screen::test
