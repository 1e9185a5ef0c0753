#include "platform/ui/ui.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace gsf::ui {
namespace {

struct Recorder : FormObserver {
    std::vector<std::string> events;
    void controlChanged(Control& c) override { events.push_back("control " + c.Name()); }
    void focusChanged(Control*, Control* to) override { events.push_back("focus " + (to ? to->Name() : "")); }
    void menuChanged(MenuItem& m) override { events.push_back("menu " + m.Name()); }
    void pageChanged(PageControl& p) override { events.push_back("page " + p.Name()); }
};

TEST(FormTest, FirstShowRunsOnShowThenFocusesTheActiveControl)
{
    Form form("frmGrupServFat");
    auto& edit = form.Add<Edit>(form, "medCdFilial");
    std::vector<std::string> log;
    form.OnShow = [&](Form&) { log.push_back(form.FocusedControl() ? "show focused" : "show"); };
    form.OnActivate = [&](Form&) { log.emplace_back("activate"); };
    edit.OnEnter = [&](Control&) { log.emplace_back("enter"); };
    form.SetActiveControl(&edit);

    form.Show();
    EXPECT_EQ(log, (std::vector<std::string>{"show", "enter", "activate"}));
    EXPECT_EQ(form.FocusedControl(), &edit);
    log.clear();
    form.Show();
    form.BringToFront();
    EXPECT_TRUE(log.empty()) << "showing a visible, active window again ran events";
    EXPECT_EQ(form.FrontCount(), 1);
}

TEST(FormTest, CloseHandlerMayKeepTheWindowOpen)
{
    Form form("frm");
    form.Show();
    form.OnClose = [](Form&, CloseAction& action) { action = CloseAction::None; };
    EXPECT_FALSE(form.Close());
    EXPECT_TRUE(form.Visible());
    form.OnClose = [](Form&, CloseAction& action) { action = CloseAction::Free; };
    EXPECT_TRUE(form.Close());
    EXPECT_FALSE(form.Visible());
    EXPECT_EQ(form.LastCloseAction(), CloseAction::Free);
    form.OnClose = [](Form&, CloseAction&) { throw std::runtime_error("recusado"); };
    form.Show();
    EXPECT_THROW(form.Close(), std::runtime_error);
    EXPECT_TRUE(form.Visible());
}

TEST(FormTest, CreateRunsOnceItSucceeds)
{
    Form form("frm");
    int runs = 0;
    bool fail = true;
    form.OnCreate = [&](Form&) {
        ++runs;
        if (fail)
            throw std::runtime_error("sem servidor");
    };
    EXPECT_THROW(form.Create(), std::runtime_error);
    EXPECT_FALSE(form.Created());
    fail = false;
    form.Create();
    form.Create();
    EXPECT_EQ(runs, 2);
}

TEST(FormTest, ObserverSeesEveryChange)
{
    Form form("frm");
    auto& edit = form.Add<Edit>(form, "edt");
    auto& menu = form.Add<MainMenu>(form, "mnuMenu");
    auto& entry = form.Add<MenuItem>(menu, "mnuServ", "Ser&viços");
    Recorder rec;
    form.SetObserver(&rec);
    edit.SetText("a");
    edit.SetText("a");
    edit.SetEnabled(false);
    entry.SetChecked(true);
    edit.SetEnabled(true);
    form.SetFocus(edit);
    EXPECT_EQ(rec.events,
              (std::vector<std::string>{"control edt", "control edt", "menu mnuServ", "control edt", "focus edt"}));
}

TEST(MenuTest, OnlyEnabledVisibleEntriesUnderEnabledParentsClick)
{
    Form form("frm");
    auto& menu = form.Add<MainMenu>(form, "mnuMenu");
    auto& operation = form.Add<MenuItem>(menu, "mnuOperacao", "&Operação");
    auto& entry = form.Add<MenuItem>(operation, "mnuExce", "&Exceções Dia");
    auto& separator = form.Add<MenuItem>(operation, "mnuLinha", "-");
    int clicks = 0;
    entry.OnClick = [&](MenuItem&) { ++clicks; };
    separator.OnClick = [&](MenuItem&) { ++clicks; };

    EXPECT_EQ(form.Menu(), &menu);
    EXPECT_EQ(form.FindMenuItem("mnuExce"), &entry);
    EXPECT_TRUE(entry.Click());
    entry.SetEnabled(false);
    EXPECT_FALSE(entry.Click());
    entry.SetEnabled(true);
    operation.SetEnabled(false);
    EXPECT_FALSE(entry.Click());
    EXPECT_FALSE(separator.Click());
    EXPECT_EQ(clicks, 1);

    entry.SetMenuIndex(1);
    EXPECT_EQ(operation.Items()[0], &separator);
}

} // namespace
} // namespace gsf::ui
