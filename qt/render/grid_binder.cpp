// Grids: a GridView over the model grid. Every key of a grid is the
// model's: its cell editor holds the text and the caret, and it moves
// between cells; Qt acts on none of them.

#include "platform/host/dispatcher.h"
#include "platform/ui/ui.h"
#include "qt/render/binder.h"
#include "qt/render/grid_model.h"
#include "qt/render/grid_view.h"

#include <QApplication>
#include <QClipboard>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QTimer>

namespace gsf::qt {

namespace {

class GridBinder : public Binder {
public:
    GridBinder(ui::DBGrid& grid, BinderHost& host) : Binder(host), grid_(grid) {}

    QWidget* build(QWidget* parent) override
    {
        view_ = new GridView(grid_, parent);
        QObject& context = host_.context();
        QObject::connect(view_, &GridView::cellClicked, &context,
                         [this](int row, int column) { onCurrent(row, column); });
        QObject::connect(view_, &QAbstractItemView::doubleClicked, &context, [this](const QModelIndex&) {
            host_.act([&] { host_.dispatcher().run([&] { return grid_.ShowEditor(); }); });
        });
        QObject::connect(view_, &GridView::caretPlaced, &context, [this](int position) { placeCaret(position); });
        QObject::connect(view_, &GridView::editorTextEntered, &context, [this](const QString& text) {
            host_.act([&] { host_.dispatcher().typeCell(grid_.Name(), text.toStdString()); });
        });
        QObject::connect(&view_->gridDelegate(), &GridDelegate::cellButtonClicked, &context,
                         [this] { host_.act([&] { host_.dispatcher().clickCellButton(grid_.Name()); }); });
        QObject::connect(&view_->gridDelegate(), &GridDelegate::pickListRequested, &context,
                         [this](const QRect&) { showPickList(); });
        return view_;
    }

    bool followsActions() const override { return true; }
    void sync(QWidget& /*widget*/) override { view_->sync(); }

    void focusShown(QWidget& /*widget*/) override
    {
        if (view_->cellEditor()->isVisible())
            view_->cellEditor()->setFocus(Qt::OtherFocusReason);
    }

    bool keyPressed(const QKeyEvent& event, const ModelKey& key) override
    {
        if (clipboardKey(key) || pickListKey(key))
            return true;
        if (key.key != 0)
            host_.act([&] { host_.dispatcher().keyDown(key.key, key.shift); });
        if (key.key == ui::VK_BACK) {
            host_.act([&] { host_.dispatcher().keyPress(U'\b'); });
            return true;
        }
        if (!key.shift.Has(ui::ShiftState::Ctrl) && !key.shift.Has(ui::ShiftState::Alt)) {
            for (char32_t ch : event.text().toStdU32String())
                if (!ui::isControlChar(ch))
                    host_.act([&] { host_.dispatcher().keyPress(ch); });
        }
        return true;
    }

private:
    /// Paste (Ctrl+V, Shift+Insert) and copy (Ctrl+C, Ctrl+Insert) of the current cell.
    bool clipboardKey(const ModelKey& key)
    {
        const bool ctrl = key.shift.Has(ui::ShiftState::Ctrl);
        if ((ctrl && key.key == 'V') || (key.shift.Has(ui::ShiftState::Shift) && !ctrl && key.key == ui::VK_INSERT)) {
            const std::string text = QApplication::clipboard()->text().toStdString();
            host_.act([&] { host_.dispatcher().run([&] { return grid_.PasteCell(text); }); });
            return true;
        }
        if (ctrl && (key.key == 'C' || key.key == ui::VK_INSERT)) {
            const std::string text =
                grid_.EditorMode() ? grid_.EditorText() : grid_.CellText(grid_.CurrentRow(), grid_.SelectedIndex());
            QApplication::clipboard()->setText(QString::fromStdString(text));
            return true;
        }
        return false;
    }

    /// F4 or Alt+Down opens the pick list of a column that has one.
    bool pickListKey(const ModelKey& key)
    {
        const bool f4 = key.key == ui::VK_F4 && key.shift.None();
        if (!f4 && !(key.shift.Has(ui::ShiftState::Alt) && key.key == ui::VK_DOWN))
            return false;
        const int selected = grid_.SelectedIndex();
        if (selected < 0 || grid_.ColumnAt(selected).PickList().empty())
            return false;
        showPickList();
        return true;
    }

    void placeCaret(int position)
    {
        // Qt counts UTF-16 units, the model characters.
        const int caret = static_cast<int>(view_->cellEditor()->text().left(position).toStdU32String().size());
        host_.act([&] {
            host_.dispatcher().run([&] {
                grid_.SetEditorCaret(caret);
                return true;
            });
        });
    }

    void onCurrent(int row, int viewColumn)
    {
        const ui::Column* column = view_->gridModel().columnAt(viewColumn);
        host_.act([&] {
            if (row != grid_.CurrentRow() && host_.dispatcher().moveToRow(grid_.Name(), row) != host::Outcome::Done)
                return;
            if (column != nullptr && column->Index() != grid_.SelectedIndex())
                host_.dispatcher().selectColumn(grid_.Name(), column->Index());
        });
        // The click that got here is still being handled by the view: once it
        // is, the current cell goes back to where the model keeps it.
        QTimer::singleShot(0, &host_.context(), [this] {
            if (!host_.closed())
                view_->sync();
        });
    }

    void showPickList()
    {
        const int selected = grid_.SelectedIndex();
        const int viewColumn = view_->gridModel().viewColumnOf(selected);
        if (selected < 0 || viewColumn < 0 || grid_.CurrentRow() < 0)
            return;
        const ui::Column& column = grid_.ColumnAt(selected);
        const QRect cell = view_->visualRect(view_->gridModel().index(grid_.CurrentRow(), viewColumn));
        QMenu menu(view_);
        menu.setObjectName(QStringLiteral("pickList"));
        const QString current = QString::fromStdString(grid_.EditorText());
        for (const std::string& value : column.PickList()) {
            QAction* action = menu.addAction(QString::fromStdString(value));
            if (action->text() == current)
                menu.setActiveAction(action);
        }
        if (menu.activeAction() == nullptr && !menu.actions().isEmpty())
            menu.setActiveAction(menu.actions().first());
        // Arrows move through the list, Enter chooses, Escape closes it.
        QAction* chosen = menu.exec(view_->viewport()->mapToGlobal(cell.bottomLeft()));
        // The list took the activation; the keys must come back to this window.
        if (QApplication::activeWindow() != view_->window())
            view_->window()->activateWindow();
        if (chosen != nullptr) {
            const std::string value = chosen->text().toStdString();
            host_.act([&] { host_.dispatcher().choosePick(grid_.Name(), value); });
        }
    }

    ui::DBGrid& grid_;
    GridView* view_ = nullptr;
};

} // namespace

std::unique_ptr<Binder> makeGridBinder(ui::DBGrid& grid, BinderHost& host)
{
    return std::make_unique<GridBinder>(grid, host);
}

} // namespace gsf::qt
