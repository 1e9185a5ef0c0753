#include "platform/host/lookup.h"

#include "platform/host/control_routines.h"
#include "platform/host/dispatcher.h"
#include "platform/host/host_context.h"
#include "platform/host/tests/test_data.h"
#include "platform/ui/ui.h"

#include <gtest/gtest.h>

using namespace gsf::host;
using gsf::host::testing::textDataSet;
using gsf::host::testing::textPacket;
namespace ui = gsf::ui;

namespace {

class LookupTest : public ::testing::Test {
protected:
    ScriptedInteraction script;
    InteractionScope scope{script};
    std::unique_ptr<gsf::data::DataSet> branches = textDataSet("qryFilial", {"CDFILIAL", "NMFILIAL"}, {});
    gsf::data::DataSource dtsFilial{"dtsFilial", branches.get()};
    ui::Form form{"frmTeste"};
    ui::Panel& panFiltro = form.Add<ui::Panel>(form, "panFiltro");
    ui::MaskEdit& medCdFilial = form.Add<ui::MaskEdit>(panFiltro, "medCdFilial");
    TBtnPesquisa& btpFilial = form.Add<TBtnPesquisa>(panFiltro, "btpFilial");
    Dispatcher dispatcher{form};
    std::vector<std::string> trail;

    void SetUp() override
    {
        btpFilial.Title = "Filial";
        btpFilial.EmptyText = "Não há filial cadastrada.";
        btpFilial.DataSource = &dtsFilial;
        btpFilial.EditControl = &medCdFilial;
        btpFilial.BeforePesq = [this](TBtnPesquisa&, bool&) {
            trail.push_back("before");
            branches->SetData(textPacket({"CDFILIAL", "NMFILIAL"}, {{"0001", "Matriz"}, {"0002", "Santos"}}));
        };
        btpFilial.AfterPesq = [this](TBtnPesquisa&) {
            trail.push_back("after " + branches->FieldByName("CDFILIAL").AsString());
            medCdFilial.SetText(branches->FieldByName("CDFILIAL").AsString());
        };
    }
};

TEST_F(LookupTest, BeforeFillsThenThePickThenAfterOnlyOnAChoice)
{
    script.queuePick(2);
    script.queuePick(std::nullopt);
    EXPECT_EQ(dispatcher.click("btpFilial"), Outcome::Done);
    EXPECT_EQ(trail, (std::vector<std::string>{"before", "after 0002"}));
    EXPECT_EQ(medCdFilial.Text(), "0002");

    EXPECT_EQ(dispatcher.click("btpFilial"), Outcome::Done);
    EXPECT_EQ(trail.back(), "before") << "no after-event when the list is closed";
    EXPECT_EQ(script.lines().back(), R"(pick "Filial" -> none)");
    EXPECT_FALSE(medCdFilial.Focused()) << "a look-up button never takes the focus";
}

TEST_F(LookupTest, EmptyListShowsItsTextAndRaisesNoAfterEvent)
{
    btpFilial.BeforePesq = [this](TBtnPesquisa&, bool&) { trail.push_back("before"); };
    dispatcher.click("btpFilial");
    EXPECT_EQ(trail, std::vector<std::string>{"before"});
    EXPECT_EQ(script.lines(), std::vector<std::string>{R"(message "Não há filial cadastrada.")"});
}

TEST_F(LookupTest, BeforeMayGiveUpAndADisabledButtonDoesNothing)
{
    btpFilial.BeforePesq = [this](TBtnPesquisa&, bool& proceed) {
        trail.push_back("before");
        proceed = false;
    };
    dispatcher.click("btpFilial");
    EXPECT_TRUE(script.lines().empty());
    panFiltro.SetEnabled(false);
    EXPECT_EQ(dispatcher.click("btpFilial"), Outcome::Ignored);
    EXPECT_EQ(trail, std::vector<std::string>{"before"});
}

TEST_F(LookupTest, PesquisarSplitsTitleAndEmptyText)
{
    EXPECT_FALSE(Pesquisar(dtsFilial, "Cliente|Não há cliente cadastrado.", false, true));
    EXPECT_FALSE(Pesquisar(dtsFilial, "Sem barra"));
    const std::vector<std::string> expected = {R"(message "Não há cliente cadastrado.")",
                                               R"(message "Não há registro cadastrado.")"};
    EXPECT_EQ(script.lines(), expected);
}

TEST(Search, TextsMatchByTheirBeginningIgnoringCaseAndAccentsNumbersExactly)
{
    auto groups = textDataSet(
        "cdsGrupServ", {"CDGRSERVFAT", "DSGRSERVFAT"},
        {{"001", "Vigilância noturna"}, {"002", "Limpeza e portaria"}, {"003", "Limp"}, {"004", "SERVIÇO EXTRA"}});
    const auto found = [&](const std::string& field, const std::string& value) {
        groups->First();
        return findRow(*groups, field, value) ? groups->FieldByName("CDGRSERVFAT").AsString() : "none";
    };
    EXPECT_EQ(found("DSGRSERVFAT", "limpeza"), "002");
    EXPECT_EQ(found("DSGRSERVFAT", "vigilancia"), "001");
    EXPECT_EQ(found("DSGRSERVFAT", "VIGILÂNCIA NOT"), "001");
    EXPECT_EQ(found("DSGRSERVFAT", "serviço"), "004");
    EXPECT_EQ(found("DSGRSERVFAT", "servico ext"), "004");
    // The exact value keeps finding its own row, ahead of an earlier row
    // that merely begins with it.
    EXPECT_EQ(found("DSGRSERVFAT", "LIMP"), "003");
    EXPECT_EQ(found("DSGRSERVFAT", "noturna"), "none") << "matched inside the text";
    EXPECT_EQ(found("DSGRSERVFAT", ""), "none");
    groups->MoveTo(3);
    EXPECT_FALSE(findRow(*groups, "DSGRSERVFAT", "Portaria"));
    EXPECT_EQ(groups->RecNo(), 3) << "a failed search moved the cursor";
    EXPECT_THROW(findRow(*groups, "NAOEXISTE", "x"), gsf::data::DataError);
    EXPECT_EQ(foldForSearch("Ação ÉÇÃÕ ü"), "acao ecao u");

    gsf::data::DataSet minimums("cdsMinimos");
    gsf::data::FieldDef number;
    number.name = "QTEFETMINIGSF";
    number.type = gsf::data::FieldType::Float;
    minimums.AddField(number);
    gsf::data::Packet packet;
    packet.fields = {{"QTEFETMINIGSF", gsf::data::FieldType::Float, 0}};
    packet.rows = {{15.0}, {1.5}, {150.0}};
    minimums.SetData(packet);
    EXPECT_TRUE(findRow(minimums, "QTEFETMINIGSF", "1,5"));
    EXPECT_EQ(minimums.RecNo(), 2);
    EXPECT_TRUE(findRow(minimums, "QTEFETMINIGSF", "150"));
    EXPECT_EQ(minimums.RecNo(), 3);
    EXPECT_FALSE(findRow(minimums, "QTEFETMINIGSF", "1")) << "a number matched by its beginning";
    EXPECT_FALSE(findRow(minimums, "QTEFETMINIGSF", "abc"));
    EXPECT_EQ(minimums.RecNo(), 3);
}

TEST(ControlRoutines, GridTextPrefersTheCellBeingTyped)
{
    ScriptedInteraction script;
    InteractionScope scope(script);
    auto groups = textDataSet("cdsGrupServ", {"CDGRSERVFAT", "DSGRSERVFAT"}, {{"A1", "Vigilância"}});
    gsf::data::DataSource dts("dts", groups.get());
    ui::Form form("frmGrade");
    ui::DBGrid& grid = form.Add<ui::DBGrid>(form, "dbgPadrao");
    grid.SetDataSource(&dts);
    grid.AddColumn("CDGRSERVFAT");
    grid.AddColumn("DSGRSERVFAT");

    EXPECT_EQ(IndiceCol(grid, "DSGRSERVFAT"), 1);
    EXPECT_EQ(IndiceCol(grid, "dsgrservfat"), 1);
    EXPECT_EQ(IndiceCol(grid, "QTEFETMINIGSF"), -1);
    EXPECT_THROW(GridText(grid, "QTEFETMINIGSF", false), std::invalid_argument);

    grid.SetFocus();
    grid.SetSelectedIndex(1);
    ASSERT_TRUE(grid.TypeCell("Portaria"));
    EXPECT_EQ(GridText(grid, "DSGRSERVFAT", false), "Portaria");
    EXPECT_EQ(groups->FieldByName("DSGRSERVFAT").AsString(), "Vigilância") << "not yet written";
    EXPECT_EQ(GridText(grid, "CDGRSERVFAT", true), "A1");
    form.DestroyComponents();
}

TEST(ControlRoutines, ChildEnablingAndPagesFromCode)
{
    ui::Form form("frmPaginas");
    ui::Panel& panel = form.Add<ui::Panel>(form, "panFiltro");
    ui::GroupBox& box = form.Add<ui::GroupBox>(panel, "grbDentro");
    ui::Edit& inner = form.Add<ui::Edit>(box, "edtDentro");
    ui::Edit& direct = form.Add<ui::Edit>(panel, "edtDireto");
    SetChildEnabled(panel, false);
    EXPECT_TRUE(panel.Enabled());
    EXPECT_FALSE(box.Enabled());
    EXPECT_FALSE(inner.Enabled());
    EXPECT_FALSE(direct.Enabled());
    SetChildEnabled(panel, true);
    EXPECT_TRUE(inner.Enabled() && direct.Enabled() && box.Enabled());

    ui::PageControl& pages = form.Add<ui::PageControl>(form, "pgcPadrao");
    ui::TabSheet& first = form.Add<ui::TabSheet>(pages, "tshPadrao");
    ui::TabSheet& second = form.Add<ui::TabSheet>(pages, "tshServico");
    int events = 0;
    pages.OnChanging = [&](ui::PageControl&, bool&) { ++events; };
    pages.OnChange = [&](ui::PageControl&) { ++events; };
    second.SetEnabled(false);
    SetActivePage(pages, second);
    EXPECT_EQ(pages.ActivePage(), &second) << "code selects even a disabled page";
    SetActivePage(pages, first);
    EXPECT_EQ(pages.ActivePage(), &first);
    EXPECT_EQ(events, 0);
}

} // namespace
