#pragma once

#include "platform/host/dispatcher.h"
#include "platform/ui/form.h"
#include "qt/render/binder.h"

#include <QWidget>

#include <map>
#include <memory>

class QAction;
class QMenu;
class QMenuBar;

namespace gsf::ui {
class DBGrid;
class MenuItem;
class PageControl;
} // namespace gsf::ui

namespace gsf::qt {

class AlignArea;

/// Renders any ui::Form on Qt Widgets and forwards what the person does.
///
/// Every control of the form gets a widget, made and kept in step by the
/// binder of its kind (see binder.h: panels and pages become areas that
/// place their children by Align and Bounds, edits QLineEdits with the
/// model's mask, grids table views, page controls tab widgets, buttons tool
/// buttons that never take the focus); the main menu gets a menu bar. Widgets
/// mirror the model through FormObserver; every action of the person goes to
/// the form's Dispatcher, and the widgets are then set back to what the model
/// holds (a refused tab click leaves the old tab, a refused focus move puts
/// the focus back). Keys pressed anywhere in the view go to the model first.
///
/// When the model form closes (its close action was not None) the view stops
/// observing it and emits formClosed(); it never touches the form again.
class FormView : public QWidget, private ui::FormObserver, private BinderHost {
    Q_OBJECT
public:
    explicit FormView(ui::Form& form, QWidget* parent = nullptr);
    ~FormView() override;

    ui::Form& form() const { return form_; }
    host::Dispatcher& dispatcher() override { return dispatcher_; }

    /// The widget that renders @p control, or nullptr.
    QWidget* widgetFor(const ui::Control& control) const;
    /// The widget of the control called @p name, or nullptr.
    QWidget* widgetFor(const std::string& name) const;
    /// The menu action of @p item, or nullptr.
    QAction* actionFor(const ui::MenuItem& item) const;
    QAction* actionFor(const std::string& name) const;
    QMenuBar* menuBar() const { return menuBar_; }
    /// The model form has closed; the view is detached from it.
    bool formIsClosed() const { return closed_; }

    /// The person closes the window: asks the model. @return true when the form closed.
    bool requestClose();

    /// The smallest size that keeps every command of the command bar and a
    /// few grid rows in view.
    QSize minimumSizeHint() const override;

signals:
    /// The model form closed; whoever shows the view should close it.
    void formClosed();
    /// The model asked to bring the window to the front.
    void raiseRequested();
    /// The model changed its window state.
    void windowStateRequested(ui::WindowState state);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    // FormObserver
    void controlChanged(ui::Control& control) override;
    void focusChanged(ui::Control* from, ui::Control* to) override;
    void pageChanged(ui::PageControl& pages) override;
    void menuChanged(ui::MenuItem& item) override;
    void gridChanged(ui::DBGrid& grid) override;

    // BinderHost
    QWidget* build(ui::Control& control, QWidget* parent) override;
    void represent(QWidget& widget, ui::Control& control) override;
    void act(const std::function<void()>& action) override;
    void asModel(const std::function<void()>& change) override;
    bool closed() const override { return closed_; }
    QObject& context() override { return *this; }
    bool forwardKey(const ModelKey& key) override;

    void buildMenu(ui::MenuItem& item, QMenu* menu);
    void registerWidget(ui::Control& control, QWidget* widget);
    Binder* binderOf(const ui::Control& control) const;

    void syncControl(ui::Control& control);
    void syncCommon(ui::Control& control, QWidget& widget, bool placesItself);
    /// The part of @p control's widget particular to its kind.
    void syncKind(ui::Control& control);
    void syncMenu(ui::MenuItem& item);
    void syncForm();
    /// Gives the Qt focus to the widget of the model's focused control.
    void syncFocus();
    /// syncFocus once the events in progress are done (not after the window closed).
    void syncFocusLater();
    void arrangeParentOf(const ui::Control& control);

    void onQtFocus(QWidget* now, Qt::FocusReason reason);
    bool onKey(QKeyEvent& event);
    void detach();

    ui::Form& form_;
    host::Dispatcher dispatcher_;
    QMenuBar* menuBar_ = nullptr;
    AlignArea* area_ = nullptr;
    std::map<const ui::Control*, QWidget*> widgets_;
    std::map<const QWidget*, ui::Control*> controls_;
    std::map<const ui::MenuItem*, QAction*> actions_;
    std::map<const ui::Control*, std::unique_ptr<Binder>> binders_;
    int frontCount_ = 0;
    int acting_ = 0;
    bool syncing_ = false;
    bool shown_ = false;
    bool closed_ = false;
    bool observing_ = false;
};

} // namespace gsf::qt
