#include "platform/ui/ui.h"

#include <gtest/gtest.h>

#include <algorithm>

#include <stdexcept>
#include <string>
#include <vector>

namespace gsf::ui {
namespace {

class PagesTest : public ::testing::Test {
protected:
    PagesTest()
        : filter(form.Add<Edit>(form, "medCdFilial")), pages(form.Add<PageControl>(form, "pgcPadrao")),
          first(form.Add<TabSheet>(pages, "tshPadrao")), second(form.Add<TabSheet>(pages, "tshServico")),
          onFirst(form.Add<Edit>(first, "edtGrupo")), onSecond(form.Add<Edit>(second, "edtServico"))
    {
        pages.OnChanging = [this](PageControl&, bool&) { log.emplace_back("changing"); };
        pages.OnChange = [this](PageControl&) { log.emplace_back("change"); };
        pages.OnExit = [this](Control&) { log.emplace_back("exit pgc"); };
        onFirst.OnExit = [this](Control&) { log.emplace_back("exit edtGrupo"); };
    }
    Form form{"frmTest"};
    Edit& filter;
    PageControl& pages;
    TabSheet& first;
    TabSheet& second;
    Edit& onFirst;
    Edit& onSecond;
    std::vector<std::string> log;
};

TEST_F(PagesTest, SettingThePageFromCodeRunsNoEventAndSelectsEvenADisabledPage)
{
    EXPECT_EQ(pages.ActivePage(), &first);
    second.SetEnabled(false);
    pages.SetActivePage(second);
    EXPECT_EQ(pages.ActivePage(), &second);
    EXPECT_TRUE(log.empty()) << "a page change from code ran events";
    EXPECT_THROW(form.SetFocus(onSecond), FocusError) << "focus went onto a disabled page";
    second.SetEnabled(true);
    form.SetFocus(onSecond);
    EXPECT_EQ(form.FocusedControl(), &onSecond);
}

TEST_F(PagesTest, ThePersonCannotSelectADisabledTab)
{
    second.SetEnabled(false);
    EXPECT_FALSE(pages.SelectTab(second));
    EXPECT_EQ(pages.ActivePage(), &first);
    EXPECT_TRUE(log.empty());

    second.SetEnabled(true);
    EXPECT_TRUE(pages.SelectTab(second));
    EXPECT_EQ(log, (std::vector<std::string>{"changing", "change"}));
}

TEST_F(PagesTest, ChangingMayRefuseByFlagOrByThrowing)
{
    pages.OnChanging = [](PageControl&, bool& allow) { allow = false; };
    EXPECT_FALSE(pages.SelectTab(second));
    pages.OnChanging = [](PageControl&, bool&) { throw std::runtime_error("Serviço para correção"); };
    EXPECT_THROW(pages.SelectTab(second), std::runtime_error);
    EXPECT_EQ(pages.ActivePage(), &first);
    EXPECT_TRUE(log.empty()) << "OnChange ran after a refusal";
}

TEST_F(PagesTest, ControlsOnHiddenPagesCannotTakeTheFocus)
{
    EXPECT_FALSE(onSecond.CanFocus());
    EXPECT_THROW(form.SetFocus(onSecond), FocusError);
    form.SetFocus(filter);
    form.KeyDown(VK_TAB);
    EXPECT_EQ(form.FocusedControl(), &onFirst) << "Tab stopped on the tabs or entered the hidden page";
    form.KeyDown(VK_TAB, ShiftState::Shift);
    EXPECT_EQ(form.FocusedControl(), &filter);
}

TEST_F(PagesTest, CtrlTabAndTheArrowsOnTheTabsChooseTheNextEnabledPage)
{
    auto& third = form.Add<TabSheet>(pages, "tshTerceira");
    form.SetFocus(onFirst);
    second.SetEnabled(false);
    form.KeyDown(VK_TAB, ShiftState::Ctrl);
    EXPECT_EQ(pages.ActivePage(), &third) << "Ctrl+Tab chose a disabled page";
    EXPECT_EQ(log, (std::vector<std::string>{"changing", "exit edtGrupo", "change"}));
    EXPECT_EQ(form.FocusedControl(), &pages);
    form.KeyDown(VK_RIGHT);
    EXPECT_EQ(pages.ActivePage(), &first) << "Right on the tabs did not wrap to the first page";
    form.KeyDown(VK_LEFT);
    EXPECT_EQ(pages.ActivePage(), &third);
    second.SetEnabled(true);
    form.KeyDown(VK_PRIOR, ShiftState::Ctrl);
    EXPECT_EQ(pages.ActivePage(), &second);

    // Outside the page control Ctrl+Tab chooses nothing.
    form.SetFocus(filter);
    form.KeyDown(VK_TAB, ShiftState::Ctrl);
    EXPECT_EQ(pages.ActivePage(), &second);
}

TEST_F(PagesTest, LeavingTheFocusedPageHandsTheFocusToThePageControl)
{
    form.SetFocus(onFirst);
    log.clear();
    EXPECT_TRUE(pages.SelectTab(second));
    EXPECT_EQ(form.FocusedControl(), &pages);
    EXPECT_EQ(log, (std::vector<std::string>{"changing", "exit edtGrupo", "change"}));

    // An exit that refuses keeps the page.
    pages.SetActivePage(first);
    form.SetFocus(onFirst);
    onFirst.OnExit = [](Control&) { throw std::runtime_error("inválido"); };
    EXPECT_THROW(pages.SetActivePage(second), std::runtime_error);
    EXPECT_EQ(pages.ActivePage(), &first);
    EXPECT_EQ(form.FocusedControl(), &onFirst);
}

TEST_F(PagesTest, PageControlExitRunsOnlyWhenTheFocusLeavesItsSubtree)
{
    form.SetFocus(onFirst);
    form.SetFocus(pages);
    form.SetFocus(onFirst);
    EXPECT_EQ(std::count(log.begin(), log.end(), "exit pgc"), 0);
    form.SetFocus(filter);
    EXPECT_EQ(std::count(log.begin(), log.end(), "exit pgc"), 1);
}

} // namespace
} // namespace gsf::ui
