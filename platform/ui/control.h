#pragma once

#include "platform/ui/component.h"
#include "platform/ui/keys.h"

#include <functional>
#include <string>
#include <vector>

namespace gsf::ui {

class Container;
class ControlVisitor;

/// Position and size in pixels (96 dots per inch).
struct Bounds {
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;
    bool operator==(const Bounds&) const = default;
};

/// How a control sticks to its parent's edges.
enum class Align { None, Top, Bottom, Left, Right, Client };

/// Background colour by role; the renderer picks the actual colour.
enum class ColorRole { Default, Window, ButtonFace, InfoBackground };

enum class Alignment { Left, Right, Center };

/// A visual control: a name, a parent container, enabled and visible states,
/// a place in the tab order and the focus and key events.
///
/// Enabled state: Enabled() is the control's own flag; EffectiveEnabled() is
/// false as soon as the control or any container above it is disabled. A
/// control that is not effectively enabled takes neither focus nor input.
class Control : public Component {
public:
    using Event = std::function<void(Control&)>;
    using KeyDownEvent = std::function<void(Control&, int& key, ShiftState shift)>;
    using KeyPressEvent = std::function<void(Control&, char32_t& ch)>;

    /// The container this control sits in; nullptr only for a form.
    Container* Parent() const { return parent_; }

    bool Enabled() const { return enabled_; }
    void SetEnabled(bool value);
    /// Own flag and every parent's (and, for a control on a page, the page's).
    bool EffectiveEnabled() const;

    bool Visible() const { return visible_; }
    void SetVisible(bool value);
    /// Visible, every parent visible, and every page above it the active page
    /// of its page control.
    bool Showing() const;

    /// Place among the siblings when Tab moves the focus; ties keep creation order.
    int TabOrder() const { return tabOrder_; }
    void SetTabOrder(int value);
    /// Whether Tab stops here (focus by code or click is unaffected).
    bool TabStop() const { return tabStop_; }
    void SetTabStop(bool value);

    const std::string& Hint() const { return hint_; }
    void SetHint(std::string value);
    /// Caption of labels, panels, group boxes, pages, buttons and forms.
    const std::string& Caption() const { return caption_; }
    void SetCaption(std::string value);

    const Bounds& GetBounds() const { return bounds_; }
    void SetBounds(Bounds value);
    Align GetAlign() const { return align_; }
    void SetAlign(Align value);
    ColorRole Color() const { return color_; }
    void SetColor(ColorRole value);

    /// Whether this kind of control can ever hold the focus (edits, grids,
    /// page controls). Labels, bevels, panels and buttons cannot.
    virtual bool AcceptsFocus() const { return false; }
    /// AcceptsFocus, effectively enabled and showing.
    bool CanFocus() const;
    bool Focused() const;
    /// Same as OwnerForm().SetFocus(*this). @throws FocusError (see Form::SetFocus).
    void SetFocus();

    /// Calls the visitor's function for this kind of control (see ControlVisitor).
    virtual void Accept(ControlVisitor& visitor);

    /// @return true when this control is @p other or sits (at any depth) inside it.
    bool IsInside(const Control& other) const;

    /// The focus arrives: the control itself, or (for a container) a control inside it.
    Event OnEnter;
    /// The focus leaves: the control itself, or (for a container) its whole subtree.
    /// A handler that throws abandons the focus move.
    Event OnExit;
    /// A key goes down while this control has the focus; set key to 0 to consume it.
    KeyDownEvent OnKeyDown;
    /// A character is typed while this control has the focus; set ch to 0 to swallow it.
    KeyPressEvent OnKeyPress;

protected:
    Control(Container& parent, std::string name);
    /// For a form: no parent.
    Control(Form& self, std::string name);

    void attached() override;

    // Focus hooks, run by the form while it moves the focus.
    /// Before OnExit: a data-aware control writes its pending text here. Throwing
    /// abandons the move.
    virtual void beforeExit() {}
    /// The focus has arrived, before OnEnter.
    virtual void focusGained() {}
    /// The focus has left, after every exit event.
    virtual void focusLost() {}
    /// The focus arrived by Tab or Shift+Tab (after every enter event).
    virtual void enteredByTab() {}
    /// The key went through every handler unconsumed: the control's own reaction.
    virtual void defaultKeyDown(int& key, ShiftState shift)
    {
        (void)key;
        (void)shift;
    }
    /// The character went through every handler unswallowed: the control's own reaction.
    virtual void defaultKeyPress(char32_t ch) { (void)ch; }

private:
    friend class Form;
    friend class Container;
    Container* parent_ = nullptr;
    std::string hint_;
    std::string caption_;
    Bounds bounds_;
    int tabOrder_ = 0;
    int creationIndex_ = 0;
    Align align_ = Align::None;
    ColorRole color_ = ColorRole::Default;
    bool enabled_ = true;
    bool visible_ = true;
    bool tabStop_ = true;
};

/// A control that holds other controls (form, panel, group box, page control, page).
class Container : public Control {
public:
    /// Children in creation order.
    const std::vector<Control*>& Controls() const { return children_; }
    /// Children in tab order (TabOrder, then creation order).
    std::vector<Control*> TabOrderedControls() const;
    void Accept(ControlVisitor& visitor) override;

protected:
    using Control::Control;

private:
    friend class Control;
    std::vector<Control*> children_;
};

/// Plain container with a caption (the filter panel, the command bar).
class Panel : public Container {
public:
    Panel(Container& parent, std::string name) : Container(parent, std::move(name)) {}
    const char* ClassName() const override { return "Panel"; }
    void Accept(ControlVisitor& visitor) override;
};

/// Framed container with a caption on its border.
class GroupBox : public Container {
public:
    GroupBox(Container& parent, std::string name) : Container(parent, std::move(name)) {}
    const char* ClassName() const override { return "GroupBox"; }
    void Accept(ControlVisitor& visitor) override;
};

} // namespace gsf::ui
