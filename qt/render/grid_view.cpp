#include "qt/render/grid_view.h"

#include "platform/ui/db_grid.h"
#include "qt/render/grid_model.h"

#include <QApplication>
#include <QFocusEvent>
#include <QHeaderView>
#include <QLineEdit>
#include <QPainter>

#include <algorithm>
#include <cmath>

namespace gsf::qt {

namespace {

// Room the cell text needs around it (the delegate's margins) and the
// widest code a column shows when its button is there.
constexpr int cellPadding = 8;
constexpr int longestCode = 10;

} // namespace

GridView::GridView(ui::DBGrid& grid, QWidget* parent)
    : QTableView(parent), grid_(grid), model_(new GridModel(grid, this)),
      delegate_(new GridDelegate(
          *model_, [this] { return showsFocus(); }, this)),
      editor_(new QLineEdit(viewport()))
{
    setModel(model_);
    setItemDelegate(delegate_);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    // The delegate paints the model's current record; the view selects nothing.
    setSelectionMode(QAbstractItemView::NoSelection);
    setTabKeyNavigation(false);
    verticalHeader()->setDefaultSectionSize(20);
    verticalHeader()->setMinimumWidth(14);
    // A bold title for the current column would no longer fit its width.
    horizontalHeader()->setHighlightSections(false);
    connect(horizontalHeader(), &QHeaderView::sectionResized, this, [this](int viewColumn, int, int size) {
        const ui::Column* column = model_->columnAt(viewColumn);
        if (!syncing_ && column != nullptr && column->Index() < static_cast<int>(widths_.size()))
            widths_[static_cast<size_t>(column->Index())] = size;
    });
    connect(selectionModel(), &QItemSelectionModel::currentChanged, this,
            [this](const QModelIndex& current, const QModelIndex&) {
                if (!syncing_ && current.isValid())
                    emit cellClicked(current.row(), current.column());
            });

    editor_->setObjectName(QStringLiteral("cellEditor"));
    editor_->setFrame(false);
    editor_->setTextMargins(1, 0, 1, 0);
    editor_->hide();
    editor_->installEventFilter(this);
    connect(editor_, &QLineEdit::cursorPositionChanged, this, [this](int, int position) {
        if (!syncing_)
            emit caretPlaced(position);
    });
    // The model keeps no selection in a cell: every edit acts at the caret.
    connect(editor_, &QLineEdit::selectionChanged, this, [this] {
        if (!syncing_ && editor_->hasSelectedText())
            editor_->deselect();
    });
    connect(editor_, &QLineEdit::textEdited, this, [this](const QString& text) {
        if (!syncing_)
            emit editorTextEntered(text);
    });
}

double GridView::widthScale() const
{
    static const QString letters = QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz");
    const double mean = QFontMetricsF(font()).horizontalAdvance(letters) / letters.size();
    return mean / kLayoutLetterWidth;
}

bool GridView::showsFocus() const
{
    return hasFocus() || editor_->hasFocus();
}

int GridView::floorWidth(int gridColumn, int viewColumn) const
{
    // The header of a grid on a page behind is hidden, yet its titles count.
    int floor = grid_.Options().titles ? horizontalHeader()->sectionSizeHint(viewColumn) : 0;
    const ui::Column& column = grid_.ColumnAt(gridColumn);
    const data::Field* field = column.Field();
    const bool buttonShown = gridColumn == grid_.SelectedIndex() && column.ShowsButton();
    if (buttonShown && field != nullptr && field->Size() > 0 && field->Size() <= longestCode) {
        const int code = fontMetrics().horizontalAdvance(QString(field->Size(), u'0'));
        floor = std::max(
            floor, code + cellPadding +
                       GridDelegate::buttonRect(QRect(0, 0, 100, verticalHeader()->defaultSectionSize())).width());
    }
    return floor;
}

void GridView::applyWidths()
{
    const auto columns = static_cast<size_t>(grid_.ColumnCount());
    modelWidths_.resize(columns, -1);
    widths_.resize(columns, 0);
    const double scale = widthScale();
    for (int view = 0; view < model_->columnCount(); ++view) {
        const ui::Column* column = model_->columnAt(view);
        const auto index = static_cast<size_t>(column->Index());
        // A new layout width replaces whatever was shown; otherwise the
        // width stays as the person left it.
        if (modelWidths_[index] != column->Width()) {
            modelWidths_[index] = column->Width();
            widths_[index] = static_cast<int>(std::lround(column->Width() * scale));
        }
        widths_[index] = std::max(widths_[index], floorWidth(column->Index(), view));
        if (columnWidth(view) != widths_[index])
            setColumnWidth(view, widths_[index]);
    }
}

void GridView::sync()
{
    const bool wasSyncing = std::exchange(syncing_, true);
    if (model_->refresh()) {
        const ui::GridOptions& options = grid_.Options();
        horizontalHeader()->setVisible(options.titles);
        verticalHeader()->setVisible(options.indicator);
        setShowGrid(options.colLines || options.rowLines);
        horizontalHeader()->setSectionResizeMode(options.columnResize ? QHeaderView::Interactive : QHeaderView::Fixed);
        applyWidths();
        const int row = grid_.CurrentRow();
        const int column = model_->viewColumnOf(grid_.SelectedIndex());
        if (row >= 0 && column >= 0)
            selectionModel()->setCurrentIndex(model_->index(row, column), QItemSelectionModel::NoUpdate);
        viewport()->update();
    }
    syncEditor();
    syncing_ = wasSyncing;
}

void GridView::syncEditor()
{
    const int row = grid_.CurrentRow();
    const int column = model_->viewColumnOf(grid_.SelectedIndex());
    if (!grid_.EditorMode() || row < 0 || column < 0) {
        if (editor_->isVisible()) {
            const bool hadFocus = editor_->hasFocus();
            editor_->hide();
            if (hadFocus)
                setFocus(Qt::OtherFocusReason);
        }
        return;
    }
    const QModelIndex index = model_->index(row, column);
    const QRect cell = visualRect(index);
    editor_->setGeometry(delegate_->showsButton(index) ? GridDelegate::textRect(cell) : cell);
    editor_->setAlignment(grid_.ColumnAt(grid_.SelectedIndex()).CellAlignment() == ui::Alignment::Right
                              ? Qt::AlignRight | Qt::AlignVCenter
                              : Qt::AlignLeft | Qt::AlignVCenter);
    const QString text = QString::fromStdString(grid_.EditorText());
    if (editor_->text() != text)
        editor_->setText(text);
    // The caret counts characters; QString counts UTF-16 units.
    const int caret = static_cast<int>(
        QString::fromStdU32String(text.toStdU32String().substr(0, static_cast<size_t>(grid_.EditorCaret()))).size());
    editor_->setCursorPosition(caret);
    if (!editor_->isVisible())
        editor_->show();
    if (hasFocus())
        editor_->setFocus(Qt::OtherFocusReason);
}

void GridView::paintEvent(QPaintEvent* event)
{
    QTableView::paintEvent(event);
    if (!showsFocus())
        return;
    // A focused grid looks focused: a frame in the selection colour.
    QPainter painter(viewport());
    painter.setPen(QPen(palette().color(QPalette::Highlight), 2));
    painter.drawRect(viewport()->rect().adjusted(1, 1, -1, -1));
}

void GridView::focusInEvent(QFocusEvent* event)
{
    QTableView::focusInEvent(event);
    viewport()->update();
}

void GridView::focusOutEvent(QFocusEvent* event)
{
    QTableView::focusOutEvent(event);
    viewport()->update();
}

bool GridView::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == editor_ && (event->type() == QEvent::FocusIn || event->type() == QEvent::FocusOut))
        viewport()->update();
    return QTableView::eventFilter(watched, event);
}

} // namespace gsf::qt
