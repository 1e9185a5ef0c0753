#include "platform/host/frm_padrao_grid.h"

#include "platform/host/dispatcher.h"
#include "platform/host/host_context.h"
#include "platform/host/tests/test_data.h"

#include <gtest/gtest.h>

using namespace gsf::host;
using gsf::host::testing::textDataSet;
namespace ui = gsf::ui;

namespace {

const std::vector<std::string> groupColumns = {"CDGRSERVFAT", "DSGRSERVFAT"};

/// Enabled state of the seven record commands and print, as "IAEPVRCO" letters
/// (lower case when disabled), with whether every menu entry mirrors its button.
std::string commands(const TfrmPadraoGrid& form)
{
    const std::pair<const ui::SpeedButton*, char> buttons[] = {
        {&form.sbtIncluir, 'I'},   {&form.sbtAlterar, 'A'},  {&form.sbtExcluir, 'E'},  {&form.sbtProcurar, 'P'},
        {&form.sbtVerificar, 'V'}, {&form.sbtImprimir, 'R'}, {&form.sbtCancelar, 'C'}, {&form.sbtConfirmar, 'O'}};
    std::string result;
    for (const auto& [button, letter] : buttons)
        result += button->Enabled() ? letter : static_cast<char>(letter - 'A' + 'a');
    return result;
}

bool menusMirrorButtons(const TfrmPadraoGrid& form)
{
    return form.mnuIncluir.Enabled() == form.sbtIncluir.Enabled() &&
           form.mnuAlterar.Enabled() == form.sbtAlterar.Enabled() &&
           form.mnuExcluir.Enabled() == form.sbtExcluir.Enabled() &&
           form.mnuProcurar.Enabled() == form.sbtProcurar.Enabled() &&
           form.mnuVerificar.Enabled() == form.sbtVerificar.Enabled() &&
           form.mnuCancelar.Enabled() == form.sbtCancelar.Enabled() &&
           form.mnuConfirmar.Enabled() == form.sbtConfirmar.Enabled();
}

class PadraoGridTest : public ::testing::Test {
protected:
    ScriptedInteraction script;
    InteractionScope scope{script};
    std::unique_ptr<gsf::data::DataSet> groups =
        textDataSet("cdsGrupServ", groupColumns, {{"A1", "Vigilância"}, {"B2", "Limpeza"}});
    TfrmPadraoGrid form{"frmTeste"};
    Dispatcher dispatcher{form};

    void SetUp() override
    {
        form.dbgPadrao.AddColumn("CDGRSERVFAT");
        form.dbgPadrao.AddColumn("DSGRSERVFAT");
        form.Create();
    }
    void bind() { form.dtsPadrao.SetDataSet(groups.get()); }
};

TEST_F(PadraoGridTest, EverythingStartsDisabled)
{
    EXPECT_EQ(commands(form), "iaepvrco");
    EXPECT_TRUE(menusMirrorButtons(form));
    for (const ui::MenuItem* entry : form.mnuManutencao.Items())
        EXPECT_FALSE(entry->Enabled()) << entry->Name();
    EXPECT_FALSE(form.mnuListagem.Enabled());
    EXPECT_FALSE(form.mnuConfigImpressora.Enabled());
    EXPECT_EQ(form.pgcPadrao.ActivePage(), &form.tshPadrao);
}

TEST_F(PadraoGridTest, CommandsFollowTheStateOfTheDataSource)
{
    bind();
    EXPECT_EQ(commands(form), "IAEPVRco");
    groups->Edit();
    EXPECT_EQ(commands(form), "iaepvrCO");
    EXPECT_TRUE(menusMirrorButtons(form));
    groups->Cancel();
    groups->Delete();
    groups->Delete();
    form.dtsPadraoStateChange(form.dtsPadrao);
    EXPECT_EQ(commands(form), "Iaepvrco") << "browse without records: include only";
    groups->Insert();
    EXPECT_EQ(commands(form), "iaepvrCO");
    EXPECT_TRUE(menusMirrorButtons(form));
    groups->Close();
    EXPECT_EQ(commands(form), "iaepvrco");
}

TEST_F(PadraoGridTest, DeleteAsksExclAndDeletesOnlyOnYes)
{
    bind();
    script.queueConfirm(false);
    script.queueConfirm(true);
    EXPECT_EQ(dispatcher.click("sbtExcluir"), Outcome::Done);
    EXPECT_EQ(groups->RecordCount(), 2);
    EXPECT_EQ(dispatcher.clickMenu("mnuExcluir"), Outcome::Done);
    EXPECT_EQ(groups->RecordCount(), 1);
    EXPECT_EQ(groups->FieldByName("CDGRSERVFAT").AsString(), "B2");
    const std::vector<std::string> expected = {R"(confirm "Confirma exclusão do registro?" -> no)",
                                               R"(confirm "Confirma exclusão do registro?" -> yes)"};
    EXPECT_EQ(script.lines(), expected);
}

TEST_F(PadraoGridTest, CancelAsksCancOnlyWhileEditing)
{
    bind();
    form.sbtCancelarClick(form.sbtCancelar);
    EXPECT_TRUE(script.lines().empty()) << "nothing to cancel in browse";

    dispatcher.click("sbtIncluir");
    EXPECT_TRUE(form.dbgPadrao.Focused());
    EXPECT_EQ(groups->State(), gsf::data::DataSetState::Insert);
    script.queueConfirm(false);
    dispatcher.click("sbtCancelar");
    EXPECT_EQ(groups->State(), gsf::data::DataSetState::Insert) << "No keeps the new record";
    script.queueConfirm(true);
    dispatcher.click("sbtCancelar");
    EXPECT_EQ(groups->State(), gsf::data::DataSetState::Browse);
    EXPECT_EQ(groups->RecordCount(), 2);
    EXPECT_EQ(script.lines().back(), R"(confirm "Confirma cancelamento das alterações?" -> yes)");
}

TEST_F(PadraoGridTest, AlterAndConfirmPostTheTypedText)
{
    bind();
    dispatcher.click("sbtAlterar");
    EXPECT_EQ(groups->State(), gsf::data::DataSetState::Edit);
    EXPECT_EQ(dispatcher.selectColumn("dbgPadrao", "DSGRSERVFAT"), Outcome::Done);
    EXPECT_EQ(dispatcher.typeCell("dbgPadrao", "Portaria"), Outcome::Done);
    EXPECT_EQ(dispatcher.click("sbtConfirmar"), Outcome::Done);
    EXPECT_EQ(groups->State(), gsf::data::DataSetState::Browse);
    EXPECT_EQ(groups->FieldByName("DSGRSERVFAT").AsString(), "Portaria");
    EXPECT_EQ(groups->ChangeCount(), 1);
}

TEST_F(PadraoGridTest, GridKeysCannotInsertOrDeleteRows)
{
    bind();
    dispatcher.focus("dbgPadrao");
    script.queueConfirm(true);
    EXPECT_EQ(dispatcher.deleteRow("dbgPadrao"), Outcome::Ignored);
    EXPECT_EQ(groups->RecordCount(), 2);
    EXPECT_EQ(script.pendingAnswers(), 1) << "the row delete never asked";

    int key = ui::VK_INSERT;
    form.dbgPadraoKeyDown(form.dbgPadrao, key, {});
    EXPECT_EQ(key, 0);
    key = ui::VK_INSERT;
    form.dbgPadraoKeyDown(form.dbgPadrao, key, ui::ShiftState::Ctrl);
    EXPECT_EQ(key, ui::VK_INSERT) << "Ctrl+Insert copies";
    key = ui::VK_DELETE;
    form.dbgPadraoKeyDown(form.dbgPadrao, key, {});
    EXPECT_EQ(key, ui::VK_DELETE) << "plain Delete edits the cell";

    key = ui::VK_DOWN;
    form.dbgPadraoKeyDown(form.dbgPadrao, key, {});
    EXPECT_EQ(key, ui::VK_DOWN) << "Down from the first row moves";
    dispatcher.keyDown(ui::VK_DOWN);
    EXPECT_EQ(groups->RecNo(), 2);
    dispatcher.keyDown(ui::VK_DOWN);
    EXPECT_EQ(groups->State(), gsf::data::DataSetState::Browse);
    EXPECT_EQ(groups->RecordCount(), 2) << "Down on the last row appends nothing";
}

TEST_F(PadraoGridTest, OtherGridsAskTheirRowDeletesThroughInteraction)
{
    auto services = textDataSet("cdsServClie", {"CDSERVFILI"}, {{"00001"}, {"00002"}});
    gsf::data::DataSource dtsServClie("dtsServClie", services.get());
    TfrmPadraoGrid other("frmOutro");
    ui::DBGrid& dbgServico = other.Add<ui::DBGrid>(other.tshPadrao, "dbgServico");
    dbgServico.SetDataSource(&dtsServClie);
    dbgServico.AddColumn("CDSERVFILI");
    // Bound to the base grid's key handler, as a screen binds its other grids.
    dbgServico.OnKeyDown = [&other](ui::Control& s, int& key, ui::ShiftState shift) {
        other.dbgPadraoKeyDown(s, key, shift);
    };
    other.Create();
    Dispatcher otherDispatcher(other);
    script.queueConfirm(false);
    script.queueConfirm(true);
    EXPECT_EQ(otherDispatcher.deleteRow("dbgServico"), Outcome::Ignored);
    EXPECT_EQ(otherDispatcher.deleteRow("dbgServico"), Outcome::Done);
    EXPECT_EQ(services->RecordCount(), 1);
    other.DestroyComponents();
}

TEST_F(PadraoGridTest, CloseReleasesTheWindow)
{
    EXPECT_EQ(dispatcher.close(), Outcome::Done);
    EXPECT_EQ(form.LastCloseAction(), ui::CloseAction::Free);
}

/// A screen that replaces the delete handler and calls the base one itself.
class TfrmDerivado : public TfrmPadraoGrid {
public:
    TfrmDerivado() : TfrmPadraoGrid("frmDerivado")
    {
        sbtExcluir.OnClick = [this](ui::Control& s) { sbtExcluirClick(s); };
        dtsPadrao.OnStateChange = [this](gsf::data::DataSource& s) { dtsPadraoStateChange(s); };
    }
    std::vector<std::string> trail;

    void sbtExcluirClick(ui::Control& sender)
    {
        trail.push_back("antes");
        TfrmPadraoGrid::sbtExcluirClick(sender);
        trail.push_back("depois");
    }
    void dtsPadraoStateChange(gsf::data::DataSource& sender)
    {
        TfrmPadraoGrid::dtsPadraoStateChange(sender);
        sbtImprimir.SetEnabled(false); // this screen has no listing
    }
};

TEST(DerivedForm, RebindingReplacesTheBaseHandler)
{
    ScriptedInteraction script;
    InteractionScope scope(script);
    auto groups = textDataSet("cdsGrupServ", groupColumns, {{"A1", "Vigilância"}});
    TfrmDerivado form;
    form.Create();
    form.dtsPadrao.SetDataSet(groups.get());
    EXPECT_EQ(commands(form), "IAEPVrco");

    script.queueConfirm(true);
    Dispatcher dispatcher(form);
    dispatcher.clickMenu("mnuExcluir");
    EXPECT_EQ(form.trail, (std::vector<std::string>{"antes", "depois"}));
    EXPECT_TRUE(groups->IsEmpty());
}

} // namespace
