#pragma once

#include "qt/render/conversions.h"

#include <functional>
#include <memory>

class QEvent;
class QKeyEvent;
class QObject;
class QWidget;

namespace gsf::host {
class Dispatcher;
}
namespace gsf::ui {
class Bevel;
class Container;
class Control;
class DBGrid;
class DBNavigator;
class DBText;
class Edit;
class GroupBox;
class Label;
class MaskEdit;
class PageControl;
class Panel;
class SpeedButton;
class TabSheet;
} // namespace gsf::ui

namespace gsf::qt {

/// What the binders need of the view that holds them.
class BinderHost {
public:
    virtual QWidget* widgetFor(const ui::Control& control) const = 0;
    /// Builds the widget of @p control (a child of the one being built) under @p parent.
    virtual QWidget* build(ui::Control& control, QWidget* parent) = 0;
    /// @p widget stands for @p control when the person clicks or focuses it.
    virtual void represent(QWidget& widget, ui::Control& control) = 0;
    /// Runs one action of the person, then sets the widgets back to the model.
    virtual void act(const std::function<void()>& action) = 0;
    /// Runs @p change of the widgets as the model's own: the focus moves it
    /// makes are not taken for the person's.
    virtual void asModel(const std::function<void()>& change) = 0;
    virtual host::Dispatcher& dispatcher() = 0;
    /// The model form has closed: nothing may touch it any more.
    virtual bool closed() const = 0;
    /// The object whose lifetime bounds the binders' connections.
    virtual QObject& context() = 0;
    /// A key goes to the model's focused control the common way.
    /// @return whether Qt must not act on it as well.
    virtual bool forwardKey(const ModelKey& key) = 0;

protected:
    ~BinderHost() = default;
};

/// Renders one kind of control: builds its widget, mirrors the model into it
/// and forwards what the person does there. The view keeps one per control
/// and handles what every kind shares (enabled, hint, colour, placement).
class Binder {
public:
    explicit Binder(BinderHost& host) : host_(host) {}
    virtual ~Binder() = default;
    Binder(const Binder&) = delete;
    Binder& operator=(const Binder&) = delete;

    /// Makes the control's widget under @p parent, its children's included.
    virtual QWidget* build(QWidget* parent) = 0;
    /// Sets what is particular to the kind from the model.
    virtual void sync(QWidget& widget);
    /// Whether sync runs again after every action of the person: a widget
    /// that takes input must not keep what the model refused.
    virtual bool followsActions() const { return false; }
    /// Whether the widget's visibility and placement follow the control's
    /// own (not for a page: its tab widget shows and places it).
    virtual bool placesItself() const { return true; }
    /// The widget that shows the control's focus.
    virtual QWidget* focusWidget(QWidget& widget) { return &widget; }
    /// The model moved the focus here and focusWidget has the Qt focus.
    virtual void focusShown(QWidget& widget);
    /// A key pressed while the control has the model's focus.
    /// @return whether Qt must not act on it as well.
    virtual bool keyPressed(const QKeyEvent& event, const ModelKey& key);
    /// An event for a widget that stands for the control, before Qt sees it.
    /// @return true to swallow it.
    virtual bool intercept(QWidget& watched, QEvent& event);

protected:
    BinderHost& host_;
};

/// The binder for @p control's kind.
std::unique_ptr<Binder> makeBinder(ui::Control& control, BinderHost& host);

// One per kind, each in its own file.
std::unique_ptr<Binder> makePlainBinder(BinderHost& host);
std::unique_ptr<Binder> makeAreaBinder(ui::Container& container, BinderHost& host);
std::unique_ptr<Binder> makePanelBinder(ui::Panel& panel, BinderHost& host);
std::unique_ptr<Binder> makeGroupBoxBinder(ui::GroupBox& box, BinderHost& host);
std::unique_ptr<Binder> makePageBinder(ui::TabSheet& page, BinderHost& host);
std::unique_ptr<Binder> makePagesBinder(ui::PageControl& pages, BinderHost& host);
std::unique_ptr<Binder> makeLabelBinder(ui::Label& label, BinderHost& host);
std::unique_ptr<Binder> makeDBTextBinder(ui::DBText& text, BinderHost& host);
std::unique_ptr<Binder> makeBevelBinder(ui::Bevel& bevel, BinderHost& host);
/// @param mask the masked edit when the edit is one, else nullptr.
std::unique_ptr<Binder> makeEditBinder(ui::Edit& edit, const ui::MaskEdit* mask, BinderHost& host);
/// @param lookup a look-up button shows "…" when it has no caption.
std::unique_ptr<Binder> makeButtonBinder(ui::SpeedButton& button, bool lookup, BinderHost& host);
std::unique_ptr<Binder> makeNavigatorBinder(ui::DBNavigator& navigator, BinderHost& host);
std::unique_ptr<Binder> makeGridBinder(ui::DBGrid& grid, BinderHost& host);

} // namespace gsf::qt
