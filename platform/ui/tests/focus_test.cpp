#include "platform/ui/ui.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

namespace gsf::ui {
namespace {

// A window with two nested regions: panOuter > panInner > edtA, and panOther > edtB.
class FocusTest : public ::testing::Test {
protected:
    FocusTest()
        : outer(form.Add<Panel>(form, "panOuter")), inner(form.Add<Panel>(outer, "panInner")),
          a(form.Add<Edit>(inner, "edtA")), a2(form.Add<Edit>(inner, "edtA2")),
          other(form.Add<Panel>(form, "panOther")), b(form.Add<Edit>(other, "edtB"))
    {
        for (Control* c : {static_cast<Control*>(&outer), static_cast<Control*>(&inner), static_cast<Control*>(&a),
                           static_cast<Control*>(&a2), static_cast<Control*>(&other), static_cast<Control*>(&b)}) {
            c->OnEnter = [this](Control& s) { log.push_back("enter " + s.Name()); };
            c->OnExit = [this](Control& s) { log.push_back("exit " + s.Name()); };
        }
    }

    Form form{"frmTest"};
    Panel& outer;
    Panel& inner;
    Edit& a;
    Edit& a2;
    Panel& other;
    Edit& b;
    std::vector<std::string> log;
};

TEST_F(FocusTest, LeavingNestedContainersRunsExitsInnermostFirstThenEntersOutermostFirst)
{
    form.SetFocus(a);
    EXPECT_EQ(log, (std::vector<std::string>{"enter panOuter", "enter panInner", "enter edtA"}));
    log.clear();

    form.SetFocus(b);
    EXPECT_EQ(
        log, (std::vector<std::string>{"exit edtA", "exit panInner", "exit panOuter", "enter panOther", "enter edtB"}));
    EXPECT_EQ(form.FocusedControl(), &b);
}

TEST_F(FocusTest, MovingWithinAContainerDoesNotExitIt)
{
    form.SetFocus(a);
    log.clear();
    form.SetFocus(a2);
    EXPECT_EQ(log, (std::vector<std::string>{"exit edtA", "enter edtA2"}));
}

TEST_F(FocusTest, ThrowingExitHandlerKeepsTheFocusAndStopsLaterExits)
{
    form.SetFocus(a);
    inner.OnExit = [this](Control&) {
        log.emplace_back("exit panInner");
        throw std::runtime_error("Filial deve ser informada.");
    };
    log.clear();
    EXPECT_THROW(form.SetFocus(b), std::runtime_error);
    EXPECT_EQ(form.FocusedControl(), &a);
    EXPECT_EQ(log, (std::vector<std::string>{"exit edtA", "exit panInner"}));

    // The next attempt runs every exit again.
    inner.OnExit = nullptr;
    log.clear();
    form.SetFocus(b);
    EXPECT_EQ(form.FocusedControl(), &b);
    EXPECT_EQ(log.front(), "exit edtA");
}

TEST_F(FocusTest, ExitHandlerThatMovesTheFocusWinsOverTheMoveInProgress)
{
    form.SetFocus(a);
    outer.OnExit = [this](Control&) {
        log.emplace_back("exit panOuter");
        form.SetFocus(a2); // back into the panel, as a failing validation does
    };
    log.clear();
    form.SetFocus(b);
    EXPECT_EQ(form.FocusedControl(), &a2);
    // Nothing is exited twice, the panels left are entered again, and
    // panOther and edtB are never entered.
    EXPECT_EQ(log, (std::vector<std::string>{"exit edtA", "exit panInner", "exit panOuter", "enter panOuter",
                                             "enter panInner", "enter edtA2"}));
}

TEST_F(FocusTest, ExitHandlerRefocusingItsOwnControlAndThrowingStaysPut)
{
    form.SetFocus(a);
    a.OnExit = [this](Control&) {
        form.SetFocus(a);
        throw std::runtime_error("x");
    };
    EXPECT_THROW(form.SetFocus(b), std::runtime_error);
    EXPECT_EQ(form.FocusedControl(), &a);
}

TEST_F(FocusTest, DisabledOrHiddenParentMakesChildrenUnfocusable)
{
    inner.SetEnabled(false);
    EXPECT_TRUE(a.Enabled());
    EXPECT_FALSE(a.EffectiveEnabled());
    EXPECT_FALSE(a.CanFocus());
    try {
        form.SetFocus(a);
        FAIL() << "focus went into a disabled panel";
    } catch (const FocusError& e) {
        EXPECT_STREQ(e.what(), "Não é possível focar um controle desabilitado ou invisível.");
    }
    EXPECT_EQ(form.FocusedControl(), nullptr);

    inner.SetEnabled(true);
    outer.SetVisible(false);
    EXPECT_THROW(form.SetFocus(a2), FocusError);
    outer.SetVisible(true);
    form.SetFocus(a2);
    EXPECT_EQ(form.FocusedControl(), &a2);
}

TEST_F(FocusTest, CommandButtonsNeverTakeTheFocusAndDisabledOnesDoNothing)
{
    auto& button = form.Add<SpeedButton>(other, "sbtIncluir");
    auto& lookup = form.Add<LookupButton>(other, "btpFilial");
    int clicks = 0;
    button.OnClick = [&](Control&) { ++clicks; };
    lookup.OnClick = [&](Control&) { ++clicks; };

    form.SetFocus(a);
    log.clear();
    EXPECT_TRUE(button.Click());
    EXPECT_TRUE(lookup.Click());
    EXPECT_EQ(clicks, 2);
    EXPECT_EQ(form.FocusedControl(), &a);
    EXPECT_TRUE(log.empty()) << "a click ran focus events";
    EXPECT_THROW(form.SetFocus(button), FocusError);

    other.SetEnabled(false);
    EXPECT_FALSE(button.Click());
    EXPECT_FALSE(lookup.Click());
    EXPECT_EQ(clicks, 2);
}

TEST_F(FocusTest, TabFollowsTabOrderDepthFirstAndSkipsUnfocusable)
{
    other.SetTabOrder(0); // panOther before panOuter
    outer.SetTabOrder(1);
    a2.SetTabOrder(0);
    a.SetTabOrder(1);
    auto& noStop = form.Add<Edit>(form, "edtNoStop");
    noStop.SetTabStop(false);
    form.SetFocus(b);

    form.KeyDown(VK_TAB);
    EXPECT_EQ(form.FocusedControl(), &a2);
    form.KeyDown(VK_TAB);
    EXPECT_EQ(form.FocusedControl(), &a);
    form.KeyDown(VK_TAB); // wraps, skipping the control that is no tab stop
    EXPECT_EQ(form.FocusedControl(), &b);
    form.KeyDown(VK_TAB, ShiftState::Shift);
    EXPECT_EQ(form.FocusedControl(), &a);

    inner.SetEnabled(false);
    form.SetFocus(b);
    form.KeyDown(VK_TAB);
    EXPECT_EQ(form.FocusedControl(), &b) << "Tab went into a disabled panel";
}

TEST_F(FocusTest, FirstShowFocusesTheNextTabStopWhenTheDesignatedControlCannotTakeIt)
{
    // A branch fixed by the host disables its edit: the first key still lands.
    form.SetActiveControl(&a);
    a.SetEnabled(false);
    form.Show();
    EXPECT_EQ(form.FocusedControl(), &a2);
    EXPECT_EQ(log, (std::vector<std::string>{"enter panOuter", "enter panInner", "enter edtA2"}));
}

TEST_F(FocusTest, EnteringAnEditByTabSelectsItsTextSoTheFirstKeyReplacesIt)
{
    a2.SetText("2,500");
    form.SetFocus(a);
    form.KeyDown(VK_TAB);
    ASSERT_EQ(form.FocusedControl(), &a2);
    EXPECT_TRUE(a2.AllSelected());
    form.KeyPress(U'1');
    EXPECT_EQ(a2.Text(), "1") << "the typed key was added to the old text";
    EXPECT_FALSE(a2.AllSelected());
    form.KeyPress(U'2');
    EXPECT_EQ(a2.Text(), "12");

    // Entered by a click, the caret stays at the end of the text.
    form.SetFocus(b);
    form.SetFocus(a2);
    EXPECT_FALSE(a2.AllSelected());
    form.KeyPress(U'3');
    EXPECT_EQ(a2.Text(), "123");
    form.SetFocus(a);
    form.KeyDown(VK_TAB);
    form.KeyPress(U'\b');
    EXPECT_EQ(a2.Text(), "") << "a backspace on the selected text did not clear it";
}

TEST_F(FocusTest, KeyPreviewRunsTheFormFirstAndAConsumedKeyStops)
{
    std::vector<std::string> keys;
    form.OnKeyDown = [&](Control&, int& key, ShiftState) {
        keys.emplace_back("form");
        if (key == VK_F12)
            key = 0;
    };
    a.OnKeyDown = [&](Control&, int&, ShiftState) { keys.emplace_back("edit"); };
    form.SetFocus(a);

    form.KeyDown(VK_F12);
    EXPECT_EQ(keys, (std::vector<std::string>{"edit"})) << "without preview only the control sees it";
    keys.clear();
    form.SetKeyPreview(true);
    form.KeyDown(VK_F12);
    EXPECT_EQ(keys, (std::vector<std::string>{"form"}));
    keys.clear();
    form.KeyDown('A');
    EXPECT_EQ(keys, (std::vector<std::string>{"form", "edit"}));

    a.OnKeyDown = [](Control&, int& key, ShiftState) { key = 0; };
    form.KeyDown(VK_TAB);
    EXPECT_EQ(form.FocusedControl(), &a) << "a consumed Tab still moved the focus";
}

TEST_F(FocusTest, DuplicateNamesAreRefusedAndEveryComponentIsFound)
{
    EXPECT_THROW(form.Add<Edit>(form, "edtA"), std::invalid_argument);
    EXPECT_EQ(form.FindControl("edtB"), &b);
    EXPECT_EQ(form.FindControl("frmTest"), &form);
    EXPECT_EQ(form.FindControl("nada"), nullptr);
    ASSERT_EQ(form.Components().size(), 6u);
    EXPECT_EQ(form.Components().front(), &outer);
}

} // namespace
} // namespace gsf::ui
