#include "qt/render/form_view.h"

#include "platform/ui/ui.h"
#include "qt/render/align_area.h"
#include "qt/render/conversions.h"

#include <QAction>
#include <QApplication>
#include <QKeyEvent>
#include <QMenu>
#include <QMenuBar>
#include <QVBoxLayout>

namespace gsf::qt {

namespace {

QString qs(const std::string& text)
{
    return QString::fromStdString(text);
}

// Remembered layout properties: a change of any of them re-places the siblings.
struct Placement {
    ui::Bounds bounds;
    ui::Align align = ui::Align::None;
    bool visible = true;
    bool operator==(const Placement&) const = default;
};

const char* const placementProperty = "gsfPlacement";

} // namespace

FormView::FormView(ui::Form& form, QWidget* parent) : QWidget(parent), form_(form), dispatcher_(form)
{
    setObjectName(qs(form.Name()));
    // Bounds are laid out for 8-point text at 96 dots per inch.
    QFont small = font();
    small.setPixelSize(11);
    setFont(small);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    if (ui::MainMenu* menu = form.Menu()) {
        menuBar_ = new QMenuBar(this);
        layout->setMenuBar(menuBar_);
        for (ui::MenuItem* item : menu->Items())
            buildMenu(*item, nullptr);
    }
    area_ = new AlignArea(
        form, [this](const ui::Control& c) { return widgetFor(c); }, this);
    layout->addWidget(area_);
    for (ui::Control* child : form.Controls())
        build(*child, area_);

    for (const auto& [control, widget] : widgets_)
        syncControl(*const_cast<ui::Control*>(control));
    for (const auto& [item, action] : actions_)
        syncMenu(*const_cast<ui::MenuItem*>(item));
    const ui::Bounds& b = form.GetBounds();
    if (b.width > 0 && b.height > 0)
        resize(b.width, b.height);
    setMinimumSize(minimumSizeHint());
    frontCount_ = form.FrontCount();
    syncForm();
    form.AddObserver(this);
    observing_ = true;
    qApp->installEventFilter(this);
    syncFocus();
}

FormView::~FormView()
{
    qApp->removeEventFilter(this);
    if (observing_)
        form_.RemoveObserver(this);
}

QWidget* FormView::widgetFor(const ui::Control& control) const
{
    const auto found = widgets_.find(&control);
    return found == widgets_.end() ? nullptr : found->second;
}

QWidget* FormView::widgetFor(const std::string& name) const
{
    const ui::Control* control = closed_ ? nullptr : form_.FindControl(name);
    return control == nullptr ? nullptr : widgetFor(*control);
}

QAction* FormView::actionFor(const ui::MenuItem& item) const
{
    const auto found = actions_.find(&item);
    return found == actions_.end() ? nullptr : found->second;
}

QAction* FormView::actionFor(const std::string& name) const
{
    const ui::MenuItem* item = closed_ ? nullptr : form_.FindMenuItem(name);
    return item == nullptr ? nullptr : actionFor(*item);
}

// --- building ---

void FormView::registerWidget(ui::Control& control, QWidget* widget)
{
    widget->setObjectName(qs(control.Name()));
    widgets_[&control] = widget;
    represent(*widget, control);
}

void FormView::represent(QWidget& widget, ui::Control& control)
{
    controls_[&widget] = &control;
}

QWidget* FormView::build(ui::Control& control, QWidget* parent)
{
    std::unique_ptr<Binder> binder = makeBinder(control, *this);
    QWidget* widget = binder->build(parent);
    binders_[&control] = std::move(binder);
    registerWidget(control, widget);
    return widget;
}

Binder* FormView::binderOf(const ui::Control& control) const
{
    const auto found = binders_.find(&control);
    return found == binders_.end() ? nullptr : found->second.get();
}

void FormView::buildMenu(ui::MenuItem& item, QMenu* menu)
{
    QAction* action = nullptr;
    if (!item.Items().empty()) {
        QMenu* sub = menu == nullptr ? menuBar_->addMenu(qs(item.Caption())) : menu->addMenu(qs(item.Caption()));
        action = sub->menuAction();
        for (ui::MenuItem* child : item.Items())
            buildMenu(*child, sub);
    } else if (item.IsSeparator()) {
        action = menu != nullptr ? menu->addSeparator() : menuBar_->addSeparator();
    } else {
        action = menu != nullptr ? menu->addAction(qs(item.Caption())) : menuBar_->addAction(qs(item.Caption()));
        connect(action, &QAction::triggered, this, [this, &item] { act([&] { dispatcher_.clickMenu(item); }); });
    }
    action->setObjectName(qs(item.Name()));
    actions_[&item] = action;
}

// --- mirroring the model ---

void FormView::controlChanged(ui::Control& control)
{
    if (closed_)
        return;
    if (&control == &form_)
        syncForm();
    else
        syncControl(control);
}

void FormView::focusChanged(ui::Control* /*from*/, ui::Control* /*to*/)
{
    if (!closed_ && acting_ == 0)
        syncFocus();
}

void FormView::pageChanged(ui::PageControl& pages)
{
    if (!closed_)
        syncKind(pages);
}

void FormView::menuChanged(ui::MenuItem& item)
{
    if (!closed_)
        syncMenu(item);
}

void FormView::gridChanged(ui::DBGrid& grid)
{
    if (!closed_)
        syncKind(grid);
}

void FormView::syncControl(ui::Control& control)
{
    QWidget* widget = widgetFor(control);
    if (widget == nullptr)
        return;
    Binder& binder = *binderOf(control);
    syncCommon(control, *widget, binder.placesItself());
    binder.sync(*widget);
}

void FormView::syncKind(ui::Control& control)
{
    QWidget* widget = widgetFor(control);
    if (widget != nullptr)
        binderOf(control)->sync(*widget);
}

void FormView::syncCommon(ui::Control& control, QWidget& widget, bool placesItself)
{
    widget.setEnabled(control.Enabled());
    widget.setToolTip(qs(control.Hint()));
    if (control.Color() == ui::ColorRole::InfoBackground) {
        QPalette palette = widget.palette();
        palette.setBrush(QPalette::Base, palette.brush(QPalette::ToolTipBase));
        palette.setBrush(QPalette::Window, palette.brush(QPalette::ToolTipBase));
        widget.setPalette(palette);
        widget.setAutoFillBackground(true);
    }
    if (placesItself)
        widget.setVisible(control.Visible());
    const Placement now{control.GetBounds(), control.GetAlign(), control.Visible()};
    const QVariant before = widget.property(placementProperty);
    const QVariant packed =
        QVariant::fromValue(QList<int>{now.bounds.left, now.bounds.top, now.bounds.width, now.bounds.height,
                                       static_cast<int>(now.align), now.visible ? 1 : 0});
    if (before != packed) {
        widget.setProperty(placementProperty, packed);
        if (placesItself)
            arrangeParentOf(control);
    }
}

void FormView::arrangeParentOf(const ui::Control& control)
{
    const ui::Container* parent = control.Parent();
    if (parent == nullptr)
        return;
    if (parent == &form_) {
        area_->arrange();
        return;
    }
    QWidget* widget = widgetFor(*parent);
    auto* area = qobject_cast<AlignArea*>(widget);
    if (area == nullptr && widget != nullptr)
        area = widget->findChild<AlignArea*>(QString(), Qt::FindDirectChildrenOnly);
    if (area != nullptr)
        area->arrange();
}

void FormView::syncMenu(ui::MenuItem& item)
{
    QAction* action = actionFor(item);
    if (action == nullptr)
        return;
    if (!item.IsSeparator())
        action->setText(qs(item.Caption()));
    action->setEnabled(item.Enabled());
    action->setVisible(item.Visible());
    action->setToolTip(qs(item.Hint()));
    action->setCheckable(item.Checked());
    action->setChecked(item.Checked());
}

void FormView::syncForm()
{
    setWindowTitle(qs(form_.Caption()));
    if (form_.Visible()) {
        shown_ = true;
    } else if (shown_ && form_.LastCloseAction() != ui::CloseAction::None && !closed_) {
        // Still inside the form's own notification: let it finish before
        // leaving its observer list.
        closed_ = true;
        QMetaObject::invokeMethod(
            this, [this] { detach(); }, Qt::QueuedConnection);
        return;
    }
    emit windowStateRequested(form_.GetWindowState());
    if (form_.FrontCount() != frontCount_) {
        frontCount_ = form_.FrontCount();
        emit raiseRequested();
    }
}

void FormView::detach()
{
    if (observing_)
        form_.RemoveObserver(this);
    observing_ = false;
    emit formClosed();
}

void FormView::syncFocus()
{
    ui::Control* focused = form_.FocusedControl();
    QWidget* widget = focused == nullptr ? nullptr : widgetFor(*focused);
    Binder* binder = widget == nullptr ? nullptr : binderOf(*focused);
    if (binder != nullptr)
        widget = binder->focusWidget(*widget);
    if (widget == nullptr || widget->hasFocus() || widget->isAncestorOf(QApplication::focusWidget()))
        return;
    asModel([&] {
        // A move the model made (a key, a command, a refusal) is shown as a
        // keyboard move: the style then draws the focus, on the page tabs too.
        window()->setAttribute(Qt::WA_KeyboardFocusChange, true);
        widget->setFocus(Qt::OtherFocusReason);
        binder->focusShown(*widget);
    });
}

void FormView::asModel(const std::function<void()>& change)
{
    const bool wasSyncing = std::exchange(syncing_, true);
    change();
    syncing_ = wasSyncing;
}

void FormView::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    // Whatever Qt focuses while the window appears, the first key goes where
    // the model has the focus.
    syncFocusLater();
}

void FormView::syncFocusLater()
{
    QMetaObject::invokeMethod(
        this,
        [this] {
            if (!closed_)
                syncFocus();
        },
        Qt::QueuedConnection);
}

QSize FormView::minimumSizeHint() const
{
    // Every edge-aligned panel (the command bar above all) keeps its
    // unaligned children and its edge-aligned ones in view.
    int width = 0;
    int height = menuBar_ != nullptr ? menuBar_->sizeHint().height() : 0;
    for (const ui::Control* child : form_.Controls()) {
        const ui::Align align = child->GetAlign();
        if (!child->Visible() || (align != ui::Align::Top && align != ui::Align::Bottom))
            continue;
        height += child->GetBounds().height;
        const auto* container = dynamic_cast<const ui::Container*>(child);
        if (container == nullptr)
            continue;
        int needed = 0;
        int edges = 0;
        for (const ui::Control* inner : container->Controls()) {
            const QWidget* w = widgetFor(*inner);
            if (!inner->Visible() || w == nullptr)
                continue;
            const ui::Bounds& b = inner->GetBounds();
            if (inner->GetAlign() == ui::Align::None)
                needed = std::max(needed, b.left + (b.width > 0 ? b.width : w->sizeHint().width()));
            else if (inner->GetAlign() == ui::Align::Left || inner->GetAlign() == ui::Align::Right)
                edges += std::max(b.width, w->sizeHint().width());
        }
        const auto* panel = qobject_cast<const QFrame*>(widgetFor(*child));
        const int frame = panel != nullptr ? 2 * panel->frameWidth() : 0;
        width = std::max(width, needed + edges + frame + 2);
    }
    // Room for the page tabs and a few rows between the panels.
    return {width, height + 140};
}

// --- forwarding the person's actions ---

void FormView::act(const std::function<void()>& action)
{
    if (closed_)
        return;
    ++acting_;
    action();
    --acting_;
    if (closed_ || acting_ != 0)
        return;
    // Whatever the model refused must not stay on screen.
    for (const auto& [control, binder] : binders_)
        if (binder->followsActions())
            binder->sync(*widgets_.at(control));
    for (const auto& entry : actions_)
        syncMenu(*const_cast<ui::MenuItem*>(entry.first));
    syncFocus();
}

bool FormView::requestClose()
{
    act([&] { dispatcher_.close(); });
    return closed_;
}

void FormView::onQtFocus(QWidget* now, Qt::FocusReason reason)
{
    if (syncing_ || acting_ != 0)
        return;
    // Only a click or a shortcut is the person choosing a control; any other
    // focus change (window activation, a closed popup) follows the model.
    if (reason != Qt::MouseFocusReason && reason != Qt::ShortcutFocusReason) {
        syncFocusLater();
        return;
    }
    for (QWidget* w = now; w != nullptr && w != this; w = w->parentWidget()) {
        const auto found = controls_.find(w);
        if (found == controls_.end())
            continue;
        ui::Control* control = found->second;
        if (!control->AcceptsFocus())
            return;
        if (!control->Focused())
            act([&] { dispatcher_.focus(*control); });
        else
            syncFocus();
        return;
    }
}

bool FormView::eventFilter(QObject* watched, QEvent* event)
{
    if (closed_)
        return false;
    auto* target = qobject_cast<QWidget*>(watched);
    if (target == nullptr)
        return false;
    // Some widgets are the model's alone (the page tabs): their binder sees the event first.
    if (const auto found = controls_.find(target);
        found != controls_.end() && binderOf(*found->second)->intercept(*target, *event))
        return true;
    if (event->type() != QEvent::KeyPress && event->type() != QEvent::FocusIn)
        return false;
    if (!isAncestorOf(target))
        return false;
    if (event->type() == QEvent::FocusIn) {
        onQtFocus(target, static_cast<QFocusEvent*>(event)->reason());
        return false;
    }
    if (!target->hasFocus())
        return false;
    return onKey(*static_cast<QKeyEvent*>(event));
}

bool FormView::onKey(QKeyEvent& event)
{
    const ModelKey key = modelKey(event);
    ui::Control* focused = form_.FocusedControl();
    Binder* binder = focused == nullptr ? nullptr : binderOf(*focused);
    return binder != nullptr ? binder->keyPressed(event, key) : forwardKey(key);
}

bool FormView::forwardKey(const ModelKey& key)
{
    if (key.key != 0)
        act([&] { dispatcher_.keyDown(key.key, key.shift); });
    return modelOnlyKey(key.key);
}

} // namespace gsf::qt
