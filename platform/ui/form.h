#pragma once

#include "platform/ui/control.h"

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace gsf::ui {

class DBGrid;
class MainMenu;
class MenuItem;
class PageControl;

/// Raised when a control cannot take the focus; the message is in Portuguese.
class FocusError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

/// Told of every change in a form, so that a renderer mirrors the model
/// without polling. Every method has an empty default.
class FormObserver {
public:
    virtual ~FormObserver() = default;
    /// A property of a control (or of the form itself) changed.
    virtual void controlChanged(Control& control) { (void)control; }
    /// The focus moved from @p from to @p to (either may be nullptr).
    virtual void focusChanged(Control* from, Control* to)
    {
        (void)from;
        (void)to;
    }
    /// The active page of a page control changed.
    virtual void pageChanged(PageControl& pages) { (void)pages; }
    /// A menu entry changed (caption, enabled, checked, visible).
    virtual void menuChanged(MenuItem& item) { (void)item; }
    /// A grid's columns, selection, rows or cell editor changed.
    virtual void gridChanged(DBGrid& grid) { (void)grid; }
};

enum class WindowState { Normal, Minimized, Maximized };

/// What closing does; a close handler may set None to keep the window open.
enum class CloseAction { None, Hide, Free, Minimize };

/// A window: owns its components, holds the one focused control, routes keys.
///
/// Focus moves (SetFocus, Tab, a page change that hides the focused control)
/// run, in order: the leaving control's beforeExit (data-aware controls write
/// their pending text) and OnExit; the OnExit of every container left,
/// innermost first; then the OnEnter of every container entered, outermost
/// first, and of the new control. An exit step that throws abandons the move:
/// the focus stays where it was and the exception propagates. An exit handler
/// that moves the focus itself wins: the move in progress stops there; the
/// controls it already exited are not exited again, and containers it had
/// left are entered again when the new focus lies inside them.
class Form : public Container {
public:
    using FormEvent = std::function<void(Form&)>;
    using CloseEvent = std::function<void(Form&, CloseAction&)>;

    explicit Form(std::string name);
    ~Form() override;

    const char* ClassName() const override { return "Form"; }
    void Accept(ControlVisitor& visitor) override;

    /// Creates a component owned by this form: `T(parent, name, args...)`.
    /// For controls @p parent is a Container (the form itself or one inside
    /// it); for menu entries a MainMenu or MenuItem; for a MainMenu the form.
    /// @throws std::invalid_argument when another component has the same name.
    template <class T, class P, class... Args>
    T& Add(P& parent, std::string name, Args&&... args)
    {
        auto owned = std::make_unique<T>(parent, std::move(name), std::forward<Args>(args)...);
        T& ref = *owned;
        adopt(std::move(owned));
        return ref;
    }

    /// @return the component called @p name, or nullptr.
    Component* FindComponent(std::string_view name) const;
    /// @return the control called @p name (the form itself for its own name), or nullptr.
    Control* FindControl(std::string_view name) const;
    /// @return the menu entry called @p name, or nullptr.
    MenuItem* FindMenuItem(std::string_view name) const;
    /// Every component in creation order (the form itself not included).
    const std::vector<Component*>& Components() const { return order_; }
    /// The first main menu added, or nullptr.
    MainMenu* Menu() const { return menu_; }

    /// Destroys every component now. A derived form that owns data sources
    /// used by its controls calls this in its destructor, so the controls
    /// unlink from those data sources while they still exist.
    void DestroyComponents();

    // --- observers ---
    void SetObserver(FormObserver* observer); ///< replaces every observer
    void AddObserver(FormObserver* observer);
    void RemoveObserver(FormObserver* observer);
    /// Used by components to report changes.
    template <class F>
    void notify(F&& call) const
    {
        for (FormObserver* o : observers_)
            call(*o);
    }

    // --- focus ---
    /// The control with the focus, or nullptr.
    Control* FocusedControl() const { return focused_; }
    /// Moves the focus to @p control (see the class comment for the events).
    /// Nothing happens when it already has the focus.
    /// @throws FocusError "Não é possível focar um controle desabilitado ou
    /// invisível." when the control is not effectively enabled, not showing (or
    /// on a page that is not the active one), or cannot hold the focus at all.
    /// @throws whatever an exit or enter handler throws.
    void SetFocus(Control& control);
    /// Tab (forward) or Shift+Tab: the next focusable tab stop in depth-first
    /// tab order, wrapping around; an edit entered this way has its whole
    /// text selected. @return false when there is none.
    bool SelectNext(bool forward = true);
    /// The tab stop Tab (or Shift+Tab) would move to from @p from (nullptr:
    /// from the start), or nullptr when no control can take the focus.
    Control* nextTabStop(const Control* from, bool forward) const;
    /// The control focused on first show; afterwards the focused control.
    Control* ActiveControl() const { return focused_ ? focused_ : activeControl_; }
    /// Before the first show: the control to focus then; afterwards SetFocus.
    void SetActiveControl(Control* control);

    // --- keys ---
    /// Whether the form's OnKeyDown and OnKeyPress see keys before the focused control.
    bool KeyPreview() const { return keyPreview_; }
    void SetKeyPreview(bool value);
    /// A key goes down: the form's OnKeyDown (with key preview), the focused
    /// control's OnKeyDown, its own reaction, then Tab moves the focus and
    /// Ctrl+Tab, Ctrl+PageDown (Ctrl+Shift+Tab, Ctrl+PageUp backwards) choose
    /// the next enabled page of the page control the focus is in. A handler
    /// that sets the key to 0 stops it there.
    void KeyDown(int key, ShiftState shift = {});
    /// A character is typed: the form's OnKeyPress (with key preview), the
    /// focused control's OnKeyPress, then the control's own reaction (an edit
    /// appends it; 8, backspace, removes the last character).
    void KeyPress(char32_t ch);
    /// Runs @p ch through the form's (with key preview) and @p control's key-press
    /// handlers. @return the character left, 0 when swallowed.
    char32_t FilterKeyPress(Control& control, char32_t ch);
    /// Runs every character of @p typed through FilterKeyPress, as when the
    /// person types (or pastes) a whole text into @p control. Control
    /// characters (a pasted tab or line break) are dropped first.
    /// @return the characters left; none when @p typed was not empty and every
    /// one of its characters was swallowed or dropped.
    std::optional<std::string> FilterTypedText(Control& control, const std::string& typed);

    // --- window ---
    WindowState GetWindowState() const { return windowState_; }
    void SetWindowState(WindowState value);
    bool MdiChild() const { return mdiChild_; }
    void SetMdiChild(bool value);
    const std::string& HelpFile() const { return helpFile_; }
    void SetHelpFile(std::string value);
    int HelpContext() const { return helpContext_; }
    void SetHelpContext(int value);

    /// Runs OnCreate; once the handler completes, later calls do nothing.
    void Create();
    bool Created() const { return created_; }
    /// Makes the window visible. Hidden to visible runs OnShow; the first show
    /// then focuses ActiveControl, or when it cannot take the focus the next
    /// tab stop after it. Then activates.
    void Show();
    /// Raises the window above the others and activates it when visible.
    void BringToFront();
    int FrontCount() const { return frontCount_; }
    /// Runs OnActivate and marks the window active.
    void Activate();
    void Deactivate();
    bool Active() const { return active_; }
    /// Runs OnClose with the action Hide. @return true when the window closed
    /// (the action was not None); the action taken is in LastCloseAction.
    /// @throws whatever the handler throws; the window then stays open.
    bool Close();
    CloseAction LastCloseAction() const { return lastCloseAction_; }
    /// Asks for a repaint of the whole window (counted).
    void Repaint();
    int RepaintCount() const { return repaintCount_; }

    FormEvent OnCreate;
    FormEvent OnShow;
    FormEvent OnActivate;
    CloseEvent OnClose;
    /// Runs between two actions of the person: before and after each one the
    /// host's dispatcher runs, for work a form keeps until nothing else is
    /// going on. What it throws is dropped.
    FormEvent OnIdle;

private:
    friend class Component;
    void adopt(std::unique_ptr<Component> component);
    void moveFocus(Control* target);
    void focusFirst();
    bool runExits(Control* target, unsigned seq);
    void collectTabStops(const Container& container, std::vector<Control*>& out) const;

    std::vector<std::unique_ptr<Component>> owned_;
    std::vector<Component*> order_;
    std::map<std::string, Component*, std::less<>> byName_;
    std::vector<FormObserver*> observers_;
    MainMenu* menu_ = nullptr;
    Control* focused_ = nullptr;
    Control* activeControl_ = nullptr;
    // Innermost control still entered: the focused control, except while a
    // move runs its exits, when it climbs to the parent of each control exited.
    Control* position_ = nullptr;
    unsigned focusSeq_ = 0;
    std::string helpFile_;
    int helpContext_ = 0;
    int frontCount_ = 0;
    int repaintCount_ = 0;
    WindowState windowState_ = WindowState::Normal;
    CloseAction lastCloseAction_ = CloseAction::None;
    bool keyPreview_ = false;
    bool mdiChild_ = false;
    bool created_ = false;
    bool shownOnce_ = false;
    bool active_ = false;
};

} // namespace gsf::ui
