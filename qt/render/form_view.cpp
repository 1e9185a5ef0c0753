#include "qt/render/form_view.h"

#include "platform/ui/ui.h"
#include "qt/render/align_area.h"
#include "qt/render/conversions.h"
#include "qt/render/grid_model.h"
#include "qt/render/grid_view.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QTabBar>
#include <QTabWidget>
#include <QTableView>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

namespace gsf::qt {

namespace {

QString qs(const std::string& text) { return QString::fromStdString(text); }

template <class T> T* as(ui::Control* control) { return dynamic_cast<T*>(control); }

QFrame::Shape frameShape(ui::BevelShape shape)
{
    switch (shape) {
    case ui::BevelShape::TopLine:
    case ui::BevelShape::BottomLine: return QFrame::HLine;
    case ui::BevelShape::LeftLine:
    case ui::BevelShape::RightLine: return QFrame::VLine;
    case ui::BevelShape::Box:
    case ui::BevelShape::Frame: break;
    }
    return QFrame::Box;
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
    area_ = new AlignArea(form, [this](const ui::Control& c) { return widgetFor(c); }, this);
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
    controls_[widget] = &control;
}

QWidget* FormView::build(ui::Control& control, QWidget* parent)
{
    QWidget* widget = nullptr;
    if (auto* pages = as<ui::PageControl>(&control))
        widget = buildPages(*pages, parent);
    else if (auto* grid = as<ui::DBGrid>(&control))
        widget = buildGrid(*grid, parent);
    else if (as<ui::Edit>(&control) != nullptr)
        widget = buildEdit(control, parent);
    else if (as<ui::SpeedButton>(&control) != nullptr)
        widget = buildButton(control, parent);
    else if (as<ui::DBNavigator>(&control) != nullptr)
        widget = buildNavigator(control, parent);
    else if (auto* container = as<ui::Container>(&control))
        widget = buildContainer(*container, parent);
    else if (as<ui::Label>(&control) != nullptr || as<ui::DBText>(&control) != nullptr)
        widget = new QLabel(parent);
    else if (as<ui::Bevel>(&control) != nullptr)
        widget = new QFrame(parent);
    else
        widget = new QWidget(parent);
    registerWidget(control, widget);
    return widget;
}

QWidget* FormView::buildContainer(ui::Container& container, QWidget* parent)
{
    auto widgetOf = [this](const ui::Control& c) { return widgetFor(c); };
    if (as<ui::GroupBox>(&container) != nullptr) {
        auto* box = new QGroupBox(parent);
        auto* layout = new QVBoxLayout(box);
        layout->setContentsMargins(2, 2, 2, 2);
        auto* inner = new AlignArea(container, widgetOf, box);
        layout->addWidget(inner);
        for (ui::Control* child : container.Controls())
            build(*child, inner);
        return box;
    }
    auto* area = new AlignArea(container, widgetOf, parent);
    if (as<ui::Panel>(&container) != nullptr)
        area->setFrameStyle(QFrame::Panel | QFrame::Raised);
    for (ui::Control* child : container.Controls())
        build(*child, area);
    return area;
}

QWidget* FormView::buildPages(ui::PageControl& pages, QWidget* parent)
{
    auto* tabs = new QTabWidget(parent);
    for (ui::TabSheet* page : pages.Pages()) {
        auto* area = new AlignArea(*page, [this](const ui::Control& c) { return widgetFor(c); }, tabs);
        registerWidget(*page, area);
        for (ui::Control* child : page->Controls())
            build(*child, area);
        tabs->addTab(area, qs(page->Caption()));
    }
    // Tab clicks and wheel turns are the person's page choice: the model
    // decides (see eventFilter).
    controls_[tabs->tabBar()] = &pages;
    return tabs;
}

QWidget* FormView::buildGrid(ui::DBGrid& grid, QWidget* parent)
{
    auto* view = new GridView(grid, parent);
    gridViews_[&grid] = view;
    connect(view, &GridView::cellClicked, this,
            [this, &grid](int row, int column) { onGridCurrent(grid, row, column); });
    connect(view, &QAbstractItemView::doubleClicked, this,
            [this, &grid](const QModelIndex&) { act([&] { dispatcher_.run([&] { return grid.ShowEditor(); }); }); });
    connect(view, &GridView::caretPlaced, this, [this, &grid, view](int position) {
        // Qt counts UTF-16 units, the model characters.
        const int caret = static_cast<int>(view->cellEditor()->text().left(position).toStdU32String().size());
        act([&] {
            dispatcher_.run([&] {
                grid.SetEditorCaret(caret);
                return true;
            });
        });
    });
    connect(view, &GridView::editorTextEntered, this, [this, &grid](const QString& text) {
        act([&] { dispatcher_.typeCell(grid.Name(), text.toStdString()); });
    });
    connect(&view->gridDelegate(), &GridDelegate::cellButtonClicked, this,
            [this, &grid] { act([&] { dispatcher_.clickCellButton(grid.Name()); }); });
    connect(&view->gridDelegate(), &GridDelegate::pickListRequested, this,
            [this, &grid](const QRect&) { showPickList(grid); });
    return view;
}

QWidget* FormView::buildEdit(ui::Control& control, QWidget* parent)
{
    auto* edit = new QLineEdit(parent);
    connect(edit, &QLineEdit::textEdited, this, [this, &control, edit](const QString&) {
        // A masked box shows blanks in its empty places; the model reads them the same way.
        const QString typed = edit->inputMask().isEmpty() ? edit->text() : edit->displayText();
        act([&] { dispatcher_.typeText(control, typed.toStdString()); });
    });
    return edit;
}

QWidget* FormView::buildButton(ui::Control& control, QWidget* parent)
{
    auto* button = new QToolButton(parent);
    button->setFocusPolicy(Qt::NoFocus);
    button->setToolButtonStyle(Qt::ToolButtonTextOnly);
    connect(button, &QToolButton::clicked, this, [this, &control] { act([&] { dispatcher_.click(control); }); });
    return button;
}

QWidget* FormView::buildNavigator(ui::Control& control, QWidget* parent)
{
    auto& navigator = static_cast<ui::DBNavigator&>(control);
    auto* box = new QWidget(parent);
    auto* layout = new QHBoxLayout(box);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    const std::pair<ui::NavigateButton, const char*> buttons[] = {{ui::NavigateButton::First, "|◀"},
                                                                  {ui::NavigateButton::Prior, "◀"},
                                                                  {ui::NavigateButton::Next, "▶"},
                                                                  {ui::NavigateButton::Last, "▶|"}};
    for (const auto& [which, glyph] : buttons) {
        auto* button = new QToolButton(box);
        button->setText(QString::fromUtf8(glyph));
        button->setFocusPolicy(Qt::NoFocus);
        button->setProperty("gsfNavigate", static_cast<int>(which));
        layout->addWidget(button);
        connect(button, &QToolButton::clicked, this, [this, &navigator, which = which] {
            act([&] { dispatcher_.run([&] { return navigator.Click(which); }); });
        });
    }
    return box;
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
        syncPages(pages);
}

void FormView::menuChanged(ui::MenuItem& item)
{
    if (!closed_)
        syncMenu(item);
}

void FormView::gridChanged(ui::DBGrid& grid)
{
    if (!closed_)
        syncGrid(grid);
}

void FormView::syncControl(ui::Control& control)
{
    QWidget* widget = widgetFor(control);
    if (widget == nullptr)
        return;
    syncCommon(control, *widget);
    if (as<ui::Edit>(&control) != nullptr) {
        syncEdit(control, *widget);
    } else if (auto* pages = as<ui::PageControl>(&control)) {
        syncPages(*pages);
    } else if (auto* grid = as<ui::DBGrid>(&control)) {
        syncGrid(*grid);
    } else if (auto* text = as<ui::DBText>(&control)) {
        static_cast<QLabel*>(widget)->setText(qs(text->Text()));
    } else if (auto* label = as<ui::Label>(&control)) {
        auto* qlabel = static_cast<QLabel*>(widget);
        qlabel->setText(qs(label->Caption()));
        if (label->FocusControl() != nullptr)
            qlabel->setBuddy(widgetFor(*label->FocusControl()));
    } else if (auto* bevel = as<ui::Bevel>(&control)) {
        auto* frame = static_cast<QFrame*>(widget);
        frame->setFrameShape(frameShape(bevel->Shape()));
        frame->setFrameShadow(QFrame::Sunken);
    } else if (as<ui::SpeedButton>(&control) != nullptr) {
        const bool lookup = as<ui::LookupButton>(&control) != nullptr;
        static_cast<QToolButton*>(widget)->setText(control.Caption().empty() && lookup ? QStringLiteral("…")
                                                                                       : qs(control.Caption()));
    } else if (auto* navigator = as<ui::DBNavigator>(&control)) {
        for (auto* button : widget->findChildren<QToolButton*>())
            button->setEnabled(navigator->ButtonEnabled(
                static_cast<ui::NavigateButton>(button->property("gsfNavigate").toInt())));
    } else if (auto* area = qobject_cast<AlignArea*>(widget); area != nullptr && as<ui::Panel>(&control)) {
        area->setCaption(qs(control.Caption()));
    } else if (auto* box = qobject_cast<QGroupBox*>(widget)) {
        box->setTitle(qs(control.Caption()));
    }
}

void FormView::syncCommon(ui::Control& control, QWidget& widget)
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
    const bool page = as<ui::TabSheet>(&control) != nullptr;
    if (!page)
        widget.setVisible(control.Visible());
    const Placement now{control.GetBounds(), control.GetAlign(), control.Visible()};
    const QVariant before = widget.property(placementProperty);
    const QVariant packed = QVariant::fromValue(QList<int>{now.bounds.left, now.bounds.top, now.bounds.width,
                                                           now.bounds.height, static_cast<int>(now.align),
                                                           now.visible ? 1 : 0});
    if (before != packed) {
        widget.setProperty(placementProperty, packed);
        if (!page)
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

void FormView::syncEdit(ui::Control& control, QWidget& widget)
{
    auto& edit = static_cast<ui::Edit&>(control);
    auto& line = static_cast<QLineEdit&>(widget);
    QString mask;
    if (auto* masked = as<ui::MaskEdit>(&control))
        mask = qtInputMask(masked->Mask());
    // Qt reports the mask in its own spelling; compare with the one we set,
    // since setting it again clears the selection and the cursor.
    if (line.property("gsfMask").toString() != mask || line.inputMask().isEmpty() != mask.isEmpty()) {
        line.setProperty("gsfMask", mask);
        line.setInputMask(mask);
    }
    // Setting either again re-lays the text and loses the cursor: only on a change.
    const int maxLength = mask.isEmpty() && edit.MaxLength() > 0 ? edit.MaxLength() : 32767;
    if (mask.isEmpty() && line.maxLength() != maxLength)
        line.setMaxLength(maxLength);
    if (line.isReadOnly() != edit.ReadOnly())
        line.setReadOnly(edit.ReadOnly());
    const QString text = qs(edit.EditText());
    const QString shown = mask.isEmpty() ? line.text() : line.displayText();
    if (shown != text) {
        const int cursor = line.cursorPosition();
        line.setText(text);
        line.setCursorPosition(std::min<int>(cursor, static_cast<int>(text.size())));
    }
}

void FormView::syncPages(ui::PageControl& pages)
{
    auto* tabs = qobject_cast<QTabWidget*>(widgetFor(pages));
    if (tabs == nullptr)
        return;
    const bool wasSyncing = std::exchange(syncing_, true);
    for (int i = 0; i < pages.PageCount() && i < tabs->count(); ++i) {
        const ui::TabSheet& page = *pages.Pages()[static_cast<size_t>(i)];
        tabs->setTabText(i, qs(page.Caption()));
        tabs->setTabEnabled(i, page.Enabled());
        tabs->setTabVisible(i, page.Visible());
    }
    if (pages.ActivePageIndex() >= 0)
        tabs->setCurrentIndex(pages.ActivePageIndex());
    syncing_ = wasSyncing;
}

void FormView::syncGrid(ui::DBGrid& grid)
{
    const auto found = gridViews_.find(&grid);
    if (found != gridViews_.end())
        found->second->sync();
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
        QMetaObject::invokeMethod(this, [this] { detach(); }, Qt::QueuedConnection);
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
    // A focused page control is its tabs: they show the focus.
    if (auto* tabs = qobject_cast<QTabWidget*>(widget))
        widget = tabs->tabBar();
    if (widget == nullptr || widget->hasFocus() || widget->isAncestorOf(QApplication::focusWidget()))
        return;
    const bool wasSyncing = std::exchange(syncing_, true);
    // A move the model made (a key, a command, a refusal) is shown as a
    // keyboard move: the style then draws the focus, on the page tabs too.
    window()->setAttribute(Qt::WA_KeyboardFocusChange, true);
    widget->setFocus(Qt::OtherFocusReason);
    // Entered by Tab, an edit shows its whole text selected, as the model
    // has it: the first key replaces it.
    auto* edit = as<ui::Edit>(focused);
    auto* line = qobject_cast<QLineEdit*>(widget);
    if (edit != nullptr && line != nullptr && edit->AllSelected())
        line->selectAll();
    if (auto* grid = qobject_cast<GridView*>(widget); grid != nullptr && grid->cellEditor()->isVisible())
        grid->cellEditor()->setFocus(Qt::OtherFocusReason);
    syncing_ = wasSyncing;
}

void FormView::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    // Whatever Qt focuses while the window appears, the first key goes where
    // the model has the focus.
    QMetaObject::invokeMethod(this, [this] { if (!closed_) syncFocus(); }, Qt::QueuedConnection);
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

template <class F> void FormView::act(F&& action)
{
    if (closed_)
        return;
    ++acting_;
    action();
    --acting_;
    if (closed_ || acting_ != 0)
        return;
    // Whatever the model refused must not stay on screen.
    for (const auto& [control, widget] : widgets_) {
        if (as<ui::Edit>(const_cast<ui::Control*>(control)) != nullptr)
            syncEdit(*const_cast<ui::Control*>(control), *widget);
        else if (auto* pages = as<ui::PageControl>(const_cast<ui::Control*>(control)))
            syncPages(*pages);
    }
    for (const auto& entry : actions_)
        syncMenu(*const_cast<ui::MenuItem*>(entry.first));
    for (const auto& [grid, view] : gridViews_)
        view->sync();
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
        QMetaObject::invokeMethod(this, [this] { if (!closed_) syncFocus(); }, Qt::QueuedConnection);
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
    if (auto* bar = qobject_cast<QTabBar*>(watched); bar != nullptr && controls_.count(bar) != 0) {
        // Tab clicks and wheel turns are the person's page choice: the model
        // decides. Keys and focus changes on the tabs go the common way.
        if (event->type() == QEvent::Wheel)
            return true;
        if (event->type() == QEvent::MouseButtonPress) {
            auto& pages = static_cast<ui::PageControl&>(*controls_.at(bar));
            const int index = bar->tabAt(static_cast<QMouseEvent*>(event)->position().toPoint());
            if (index >= 0 && index < pages.PageCount())
                act([&] { dispatcher_.selectTab(*pages.Pages()[static_cast<size_t>(index)]); });
            return true;
        }
    }
    if (event->type() != QEvent::KeyPress && event->type() != QEvent::FocusIn)
        return false;
    auto* target = qobject_cast<QWidget*>(watched);
    if (target == nullptr || !isAncestorOf(target))
        return false;
    if (event->type() == QEvent::FocusIn) {
        onQtFocus(target, static_cast<QFocusEvent*>(event)->reason());
        return false;
    }
    if (!target->hasFocus())
        return false;
    return onKey(target, *static_cast<QKeyEvent*>(event));
}

bool FormView::onKey(QWidget* /*target*/, QKeyEvent& event)
{
    const ModelKey key = modelKey(event);
    ui::Control* focused = form_.FocusedControl();
    if (auto* grid = as<ui::DBGrid>(focused))
        return onGridKey(*grid, event, key.key, key.shift);
    if (key.key != 0)
        act([&] { dispatcher_.keyDown(key.key, key.shift); });
    // The tabs belong to the model, which chooses the page (Left, Right).
    if (as<ui::PageControl>(focused) != nullptr)
        return true;
    return modelOnlyKey(key.key);
}

bool FormView::onGridKey(ui::DBGrid& grid, const QKeyEvent& event, int key, ui::ShiftState shift)
{
    // Every key of a grid is the model's: its cell editor holds the text and
    // the caret, and it moves between cells. Qt acts on none of them.
    const bool ctrl = shift.Has(ui::ShiftState::Ctrl);
    const bool alt = shift.Has(ui::ShiftState::Alt);
    if ((ctrl && key == 'V') || (shift.Has(ui::ShiftState::Shift) && !ctrl && key == ui::VK_INSERT)) {
        const std::string text = QApplication::clipboard()->text().toStdString();
        act([&] { dispatcher_.run([&] { return grid.PasteCell(text); }); });
        return true;
    }
    if (ctrl && (key == 'C' || key == ui::VK_INSERT)) {
        const std::string text = grid.EditorMode() ? grid.EditorText()
                                                   : grid.CellText(grid.CurrentRow(), grid.SelectedIndex());
        QApplication::clipboard()->setText(QString::fromStdString(text));
        return true;
    }
    if ((key == ui::VK_F4 && shift.None()) || (alt && key == ui::VK_DOWN)) {
        const int selected = grid.SelectedIndex();
        if (selected >= 0 && !grid.ColumnAt(selected).PickList().empty()) {
            showPickList(grid);
            return true;
        }
    }
    if (key != 0)
        act([&] { dispatcher_.keyDown(key, shift); });
    if (key == ui::VK_BACK) {
        act([&] { dispatcher_.keyPress(U'\b'); });
        return true;
    }
    if (!ctrl && !alt) {
        for (char32_t ch : event.text().toStdU32String())
            if (!ui::isControlChar(ch))
                act([&] { dispatcher_.keyPress(ch); });
    }
    return true;
}

void FormView::onGridCurrent(ui::DBGrid& grid, int row, int viewColumn)
{
    const GridView* view = gridViews_.at(&grid);
    const ui::Column* column = view->gridModel().columnAt(viewColumn);
    act([&] {
        if (row != grid.CurrentRow() && dispatcher_.moveToRow(grid.Name(), row) != host::Outcome::Done)
            return;
        if (column != nullptr && column->Index() != grid.SelectedIndex())
            dispatcher_.selectColumn(grid.Name(), column->Index());
    });
    // The click that got here is still being handled by the view: once it
    // is, the current cell goes back to where the model keeps it.
    QTimer::singleShot(0, this, [this, &grid] {
        if (!closed_)
            syncGrid(grid);
    });
}

void FormView::showPickList(ui::DBGrid& grid)
{
    GridView* view = gridViews_.at(&grid);
    const int selected = grid.SelectedIndex();
    const int viewColumn = view->gridModel().viewColumnOf(selected);
    if (selected < 0 || viewColumn < 0 || grid.CurrentRow() < 0)
        return;
    const ui::Column& column = grid.ColumnAt(selected);
    const QRect cell = view->visualRect(view->gridModel().index(grid.CurrentRow(), viewColumn));
    QMenu menu(view);
    menu.setObjectName(QStringLiteral("pickList"));
    const QString current = QString::fromStdString(grid.EditorText());
    for (const std::string& value : column.PickList()) {
        QAction* action = menu.addAction(qs(value));
        if (action->text() == current)
            menu.setActiveAction(action);
    }
    if (menu.activeAction() == nullptr && !menu.actions().isEmpty())
        menu.setActiveAction(menu.actions().first());
    // Arrows move through the list, Enter chooses, Escape closes it.
    QAction* chosen = menu.exec(view->viewport()->mapToGlobal(cell.bottomLeft()));
    // The list took the activation; the keys must come back to this window.
    if (QApplication::activeWindow() != view->window())
        view->window()->activateWindow();
    if (chosen != nullptr) {
        const std::string value = chosen->text().toStdString();
        act([&] { dispatcher_.choosePick(grid.Name(), value); });
    }
}

} // namespace gsf::qt
