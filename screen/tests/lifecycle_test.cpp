#include "screen/tests/screen_fixture.h"

#include "platform/ui/keys.h"
#include "screen/shell/screen_helpers.h"

#include <gtest/gtest.h>

#include <stdexcept>

namespace gsf::screen::test {
namespace {

using host::Outcome;

TEST(ScreenLifecycle, OpensOnceWithTheLaterPagesClosed)
{
    ScreenFixture screen;
    TfrmGrupServFat& form = screen.form();
    EXPECT_TRUE(unit().FormCriado);
    EXPECT_EQ(form.Caption(), "Grupo de Serviço para Faturamento");
    EXPECT_EQ(form.lblCodTela.Caption(), "VEX04120");
    EXPECT_EQ(form.GetBounds(), (ui::Bounds{239, 183, 486, 336}));
    EXPECT_EQ(form.HelpFile(), "VexHelp.hlp");
    EXPECT_EQ(form.HelpContext(), 13300300);
    EXPECT_EQ(form.msgPadrao.Count(), 42);
    EXPECT_EQ(form.Msg("Serv_vazio"), form.Msg("GrupServ_Emp"));
    EXPECT_EQ(form.lblMinEfetEsq.Caption(), "Mínino Efetivos");
    EXPECT_EQ(form.cdsCliente.FieldByName("NRINSJURCLIE").DisplayLabel(), "Incrição");
    EXPECT_EQ(form.pgcPadrao.ActivePage(), &form.tshPadrao);
    EXPECT_EQ(form.tshPadrao.Caption(), "Grupo de Serviço");
    EXPECT_TRUE(form.mnuGrupServ.Checked());
    for (ui::MenuItem* entry : {&form.mnuServ, &form.mnuExce, &form.mnuTabCorr, &form.mnuIncluir, &form.mnuConfirmar})
        EXPECT_FALSE(entry->Enabled()) << entry->Name();
    for (ui::TabSheet* page : {&form.tshServico, &form.tshExcecao, &form.tshTabCorr})
        EXPECT_FALSE(page->Enabled()) << page->Name();
    EXPECT_EQ(form.mnuOperacao.Items().front(), &form.mnuGrupServ);
    EXPECT_EQ(screen.focused(), "medCdFilial");
    EXPECT_EQ(form.edtNmFilial.Text(), "Filial Centro");
    EXPECT_TRUE(form.netGrupServFat.Connected());
    EXPECT_EQ(form.netGrupServFat.Port, screen.server.port());

    // A second call only restores and raises the window: the state left by
    // the person survives, which a second creation would have reset.
    form.tshServico.SetEnabled(true);
    form.SetWindowState(ui::WindowState::Minimized);
    const int fronts = form.FrontCount();
    CriaGrupServFat();
    EXPECT_EQ(unit().frmGrupServFat, &form);
    EXPECT_TRUE(form.tshServico.Enabled());
    EXPECT_EQ(form.GetWindowState(), ui::WindowState::Normal);
    EXPECT_GT(form.FrontCount(), fronts);
    IniProc();
    EXPECT_EQ(unit().frmGrupServFat, &form);
    EXPECT_TRUE(form.tshServico.Enabled());
    EXPECT_EQ(screen.person.cursor(), host::Cursor::Default);
}

TEST(ScreenLifecycle, ReopeningAfterACloseConnectsAgainToTheHostOfTheMoment)
{
    ScreenFixture screen;
    ASSERT_EQ(screen.openClient("0001", kClientOneGroup), Outcome::Done);
    ASSERT_EQ(screen.act().close(), Outcome::Done);
    EXPECT_FALSE(unit().FormCriado);
    EXPECT_FALSE(screen.form().netGrupServFat.Connected());
    EXPECT_TRUE(screen.messages().empty());

    // Another server address between two openings: read at the connection.
    host::hostContext().serverPort = 1;
    IniProc();
    screen.rebind();
    TfrmGrupServFat& reopened = screen.form();
    EXPECT_TRUE(unit().FormCriado);
    EXPECT_EQ(reopened.netGrupServFat.Port, 1);
    EXPECT_EQ(reopened.pgcPadrao.ActivePage(), &reopened.tshPadrao);
    for (ui::TabSheet* page : {&reopened.tshServico, &reopened.tshExcecao, &reopened.tshTabCorr})
        EXPECT_FALSE(page->Enabled()) << page->Name();
    for (ui::MenuItem* entry : {&reopened.mnuServ, &reopened.mnuExce, &reopened.mnuTabCorr})
        EXPECT_FALSE(entry->Enabled()) << entry->Name();
    EXPECT_TRUE(reopened.mnuGrupServ.Checked());
    EXPECT_TRUE(reopened.cdsGrupServ.Active() == false);
    EXPECT_EQ(screen.openClient("0001", kClientWithGroups), Outcome::Failed);
    ASSERT_FALSE(screen.errors.empty());
    EXPECT_EQ(screen.errors.back().rfind("Servidor de aplicação indisponível em 127.0.0.1:1", 0), 0u)
        << screen.errors.back();
    EXPECT_EQ(screen.focused(), "medCdCliente");
    EXPECT_FALSE(screen.person.progressVisible());

    ASSERT_EQ(screen.act().close(), Outcome::Done);
    host::hostContext().serverPort = screen.server.port();
    CriaGrupServFat();
    screen.rebind();
    EXPECT_EQ(screen.openClient("0001", kClientWithGroups), Outcome::Done);
    EXPECT_EQ(screen.form().cdsGrupServ.RecordCount(), 3);
}

TEST(ScreenLifecycle, FixedBranchLocksTheBranchAndF12GoesToTheClient)
{
    ScreenFixture screen({true, "0001", "Filial Centro"});
    TfrmGrupServFat& form = screen.form();
    EXPECT_FALSE(form.medCdFilial.Enabled());
    EXPECT_FALSE(form.btpFilial.Enabled());
    EXPECT_FALSE(form.lblFilial.Enabled());
    EXPECT_EQ(form.medCdFilial.Text(), "0001");
    EXPECT_EQ(form.edtNmFilial.Text(), "Filial Centro");

    ASSERT_EQ(screen.openClient("", kClientWithGroups), Outcome::Done);
    EXPECT_EQ(screen.focused(), "dbgPadrao");
    screen.act().keyDown(ui::VK_F12, ui::ShiftState::Ctrl);
    EXPECT_EQ(screen.focused(), "medCdCliente");
    // The branch controls stay as the start left them through a group's state changes.
    EXPECT_FALSE(form.medCdFilial.Enabled());
}

TEST(ScreenLifecycle, F12ActsOnlyWhileNoGroupIsEdited)
{
    ScreenFixture screen;
    ASSERT_EQ(screen.openClient("0001", kClientWithGroups), Outcome::Done);
    ASSERT_EQ(screen.act().click("sbtIncluir"), Outcome::Done);
    ASSERT_EQ(screen.form().cdsGrupServ.State(), data::DataSetState::Insert);
    screen.act().keyDown(ui::VK_F12);
    EXPECT_EQ(screen.focused(), "dbgPadrao");

    screen.person.queueConfirm(true);
    ASSERT_EQ(screen.act().click("sbtCancelar"), Outcome::Done);
    screen.act().keyDown(ui::VK_F12);
    EXPECT_EQ(screen.focused(), "medCdFilial");
}

TEST(ScreenLifecycle, CloseIsRefusedWhileTheServicesLackTheirCorrectionService)
{
    ScreenFixture screen;
    screen.server.storage().ProLimpaServ("0001", "000002", "001");
    ASSERT_EQ(screen.openClient("0001", kClientWithGroups), Outcome::Done);
    ASSERT_FALSE(screen.form().cdsServClie.IsEmpty());

    EXPECT_EQ(screen.act().close(), Outcome::Failed);
    EXPECT_EQ(screen.messages(), std::vector<std::string>{"Serviço para correção de efetivos deve ser informado."});
    EXPECT_TRUE(unit().FormCriado);
    EXPECT_TRUE(screen.form().netGrupServFat.Connected());
    EXPECT_EQ(screen.form().LastCloseAction(), ui::CloseAction::None);
    EXPECT_EQ(screen.form().pgcPadrao.ActivePage(), &screen.form().tshServico);
    EXPECT_EQ(screen.focused(), "dbgServico");
}

TEST(ScreenLifecycle, CloseWithoutServicesRunsNoServiceCheck)
{
    ScreenFixture screen;
    ASSERT_EQ(screen.openClient("0001", kClientOneGroup), Outcome::Done);
    ASSERT_TRUE(screen.form().cdsServClie.IsEmpty());
    screen.clearCalls();
    EXPECT_EQ(screen.act().close(), Outcome::Done);
    EXPECT_TRUE(screen.messages().empty());
    EXPECT_EQ(screen.form().LastCloseAction(), ui::CloseAction::Free);
    EXPECT_TRUE(screen.calls().empty());
}

// The form reads and writes only the unit state it was handed: a second form
// with its own state leaves the package's alone, whatever it loads or closes.
TEST(ScreenUnit, TwoFormsInOneProcessKeepTheirOwnState)
{
    ScreenFixture screen;
    UnitState otherState;
    TfrmGrupServFat other(otherState);
    other.Create();
    otherState.frmGrupServFat = &other;
    otherState.FormCriado = true;
    other.Show();
    ASSERT_NE(otherState.ParamControl, nullptr);
    EXPECT_NE(otherState.ParamControl.get(), unit().ParamControl.get());

    host::Dispatcher otherAct(other);
    otherAct.typeText("medCdCliente", kClientWithGroups);
    ASSERT_EQ(otherAct.focus("dbgPadrao"), Outcome::Done);
    EXPECT_EQ(other.cdsGrupServ.RecordCount(), 3);
    EXPECT_EQ(otherState.ParamTabCorr, "2");
    EXPECT_TRUE(unit().ParamTabCorr.empty());
    EXPECT_FALSE(screen.form().cdsGrupServ.Active());

    ASSERT_EQ(screen.openClient("0001", kClientWithGroups), Outcome::Done);
    EXPECT_EQ(unit().ParamTabCorr, "2");
    ASSERT_EQ(otherAct.close(), Outcome::Done);
    EXPECT_FALSE(otherState.FormCriado);
    EXPECT_TRUE(unit().FormCriado);
    EXPECT_EQ(screen.form().cdsGrupServ.RecordCount(), 3);
}

// The helpers that put the screen back after a refusal run only on the way
// out with an error, and never replace that error with their own.
TEST(ScreenUnit, RecoveryRunsOnlyOnFailureAndTheFirstErrorContinues)
{
    int recovered = 0;
    {
        const OnFailure back([&] { ++recovered; });
    }
    EXPECT_EQ(recovered, 0);
    try {
        const OnFailure back([&] {
            ++recovered;
            throw std::logic_error("recuperação");
        });
        throw host::Abort();
    } catch (const host::Abort&) {
        ++recovered;
    }
    EXPECT_EQ(recovered, 2);
    // A guard inside a handler that is itself run while an error unwinds
    // (a destructor's clean-up) acts only on its own scope's failure.
    struct Cleanup {
        int& count;
        ~Cleanup()
        {
            const OnFailure back([this] { ++count; });
        }
    };
    try {
        const Cleanup cleanup{recovered};
        throw std::runtime_error("falha");
    } catch (const std::runtime_error&) {}
    EXPECT_EQ(recovered, 2);
}

TEST(ScreenUnit, InitializationCounterRunsTheUnitStepsOnce)
{
    Initialize();
    unit().VerificaScroll = false;
    Initialize(); // nested: no second initialization
    EXPECT_FALSE(unit().VerificaScroll);
    unit().CdGrupoGuardado = "001";
    unit().ParamTabCorr = "2";
    Finalize(); // balances the nested call only
    EXPECT_EQ(unit().ParamTabCorr, "2");
    Finalize();
    EXPECT_TRUE(unit().ParamTabCorr.empty());
    EXPECT_TRUE(unit().CdGrupoGuardado.empty());
    Initialize();
    EXPECT_TRUE(unit().VerificaScroll);
    Finalize();
    const PackageInfoTable* table = GetPackageInfoTable();
    ASSERT_EQ(table->unitCount, 1);
    EXPECT_STREQ(table->units[0].name, "Cli_Vex04120");
}

} // namespace
} // namespace gsf::screen::test
