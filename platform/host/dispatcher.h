#pragma once

#include "platform/ui/keys.h"

#include <functional>
#include <string>

namespace gsf::ui {
class Control;
class DBGrid;
class Form;
class MenuItem;
class TabSheet;
} // namespace gsf::ui

namespace gsf::host {

/// What became of one action of the person.
enum class Outcome {
    Done,    ///< the action ran to its end
    Ignored, ///< the model refused it quietly (disabled control, nothing to do)
    Failed,  ///< an error ended it (shown, unless it was a silent Abort)
};

/// The one entry point of every action of the person on a form: the Qt
/// front-end and the script driver both come through here, so both run the
/// same code with the same error handling.
///
/// Each call catches at the top. Abort (already shown by MensErro) is
/// ignored; any other error's message goes to Interaction::showError and to
/// onError. Nothing escapes. After a failure the progress indicator is hidden
/// and the cursor set back to the default one, so a busy look never outlives
/// the action that was abandoned. The form's OnIdle runs before and after
/// each action.
///
/// Controls are given by name (as scripts do) or by reference (as a renderer
/// does). An unknown name, or a name of the wrong kind of control, is a
/// failure with a message naming it.
class Dispatcher {
public:
    explicit Dispatcher(ui::Form& form) : form_(form) {}

    ui::Form& GetForm() const { return form_; }

    /// The person types @p text into an edit (replacing its text), taking the
    /// focus there first when it is elsewhere; a refused focus move stops it.
    Outcome typeText(const std::string& controlName, const std::string& text);
    Outcome typeText(ui::Control& control, const std::string& text);
    /// The person clicks into a control.
    Outcome focus(const std::string& controlName);
    Outcome focus(ui::Control& control);
    /// The person clicks a command or look-up button (Ignored when disabled).
    Outcome click(const std::string& buttonName);
    Outcome click(ui::Control& button);
    /// A key goes down / a character is typed, to the focused control.
    Outcome keyDown(int key, ui::ShiftState shift = {});
    Outcome keyPress(char32_t ch);
    /// The person clicks the tab of a page (Ignored when disabled or refused).
    Outcome selectTab(const std::string& pageName);
    Outcome selectTab(ui::TabSheet& page);
    /// The person chooses a menu entry (Ignored when disabled).
    Outcome clickMenu(const std::string& itemName);
    Outcome clickMenu(ui::MenuItem& item);
    /// The person closes the window (Ignored when a close handler keeps it open).
    Outcome close();

    // Grid actions; the grid takes the focus first when it is elsewhere.
    Outcome selectColumn(const std::string& gridName, int column);
    /// Selects the column of a field (Failed when the grid has none for it).
    Outcome selectColumn(const std::string& gridName, const std::string& fieldName);
    Outcome typeCell(const std::string& gridName, const std::string& text);
    Outcome choosePick(const std::string& gridName, const std::string& value);
    Outcome clickCellButton(const std::string& gridName);
    /// @param row 0-based row index.
    Outcome moveToRow(const std::string& gridName, int row);
    /// Ctrl+Delete in the grid: its key handlers see it first (and may keep
    /// the row), then the grid asks its confirmation. Done when a row went.
    Outcome deleteRow(const std::string& gridName);

    /// Runs any other action of the person with the same error handling;
    /// @p action returns false when the model refused it.
    Outcome run(const std::function<bool()>& action);

    /// Told the message of every failure but Abort, after it was shown.
    std::function<void(const std::string& message)> onError;

private:
    ui::Control& control(const std::string& name) const;
    ui::DBGrid& grid(const std::string& name) const;
    Outcome onGrid(const std::string& gridName, const std::function<bool(ui::DBGrid&)>& action);
    void reportFailure(const std::string& message);
    Outcome runAction(const std::function<bool()>& action);
    /// The form's OnIdle, its failures dropped.
    void idle();

    ui::Form& form_;
};

} // namespace gsf::host
