#include "qt/render/grid_model.h"

#include "platform/ui/db_grid.h"

#include <QApplication>
#include <QMouseEvent>
#include <QPainter>
#include <QPalette>

namespace gsf::qt {

namespace {

Qt::Alignment qtAlignment(ui::Alignment alignment)
{
    switch (alignment) {
    case ui::Alignment::Right: return Qt::AlignRight | Qt::AlignVCenter;
    case ui::Alignment::Center: return Qt::AlignCenter;
    case ui::Alignment::Left: break;
    }
    return Qt::AlignLeft | Qt::AlignVCenter;
}

QString qs(const std::string& text) { return QString::fromStdString(text); }

} // namespace

GridModel::GridModel(const ui::DBGrid& grid, QObject* parent) : QAbstractTableModel(parent), grid_(grid)
{
    refresh();
}

bool GridModel::refresh()
{
    const data::DataSet* dataSet = grid_.DataSet();
    if (dataSet != nullptr && dataSet->ControlsDisabled())
        return false;
    beginResetModel();
    visible_.clear();
    for (int i = 0; i < grid_.ColumnCount(); ++i)
        if (grid_.ColumnAt(i).Visible())
            visible_.push_back(i);
    rows_ = dataSet != nullptr && dataSet->Active() ? grid_.RowCount() : 0;
    endResetModel();
    return true;
}

const ui::Column* GridModel::columnAt(int viewColumn) const
{
    if (viewColumn < 0 || viewColumn >= static_cast<int>(visible_.size()))
        return nullptr;
    return &grid_.ColumnAt(visible_[static_cast<size_t>(viewColumn)]);
}

int GridModel::viewColumnOf(int index) const
{
    for (size_t i = 0; i < visible_.size(); ++i)
        if (visible_[i] == index)
            return static_cast<int>(i);
    return -1;
}

int GridModel::rowCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : rows_; }

int GridModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(visible_.size());
}

QVariant GridModel::data(const QModelIndex& index, int role) const
{
    const ui::Column* column = columnAt(index.column());
    if (column == nullptr || index.row() >= rows_)
        return {};
    switch (role) {
    case Qt::DisplayRole:
        return qs(grid_.CellText(index.row(), visible_[static_cast<size_t>(index.column())]));
    case Qt::TextAlignmentRole:
        return QVariant::fromValue(qtAlignment(column->CellAlignment()));
    case Qt::BackgroundRole:
        // Read-only columns look like the window, not like an input.
        if (column->ReadOnly())
            return QApplication::palette().brush(QPalette::Window);
        return {};
    default:
        return {};
    }
}

QVariant GridModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation == Qt::Vertical) {
        if (role == Qt::DisplayRole)
            return section == grid_.CurrentRow() ? QStringLiteral("▶") : QString();
        return {};
    }
    const ui::Column* column = columnAt(section);
    if (column == nullptr)
        return {};
    if (role == Qt::DisplayRole)
        return qs(column->DisplayTitle());
    if (role == Qt::TextAlignmentRole)
        return QVariant::fromValue(qtAlignment(column->TitleAlignment()));
    return {};
}

GridDelegate::GridDelegate(const GridModel& model, QObject* parent)
    : QStyledItemDelegate(parent), model_(model)
{
}

QRect GridDelegate::buttonRect(const QRect& cell)
{
    const int width = qMin(cell.height(), 18);
    return {cell.right() - width + 1, cell.top(), width, cell.height()};
}

bool GridDelegate::showsButton(const QModelIndex& index) const
{
    const ui::DBGrid& grid = model_.grid();
    const ui::Column* column = model_.columnAt(index.column());
    return column != nullptr && index.row() == grid.CurrentRow() &&
           column->Index() == grid.SelectedIndex() && column->ShowsButton();
}

void GridDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                         const QModelIndex& index) const
{
    QStyledItemDelegate::paint(painter, option, index);
    if (!showsButton(index))
        return;
    const ui::Column* column = model_.columnAt(index.column());
    QStyleOptionButton button;
    button.rect = buttonRect(option.rect);
    button.state = QStyle::State_Enabled | QStyle::State_Raised;
    button.text = column->GetButtonStyle() == ui::ButtonStyle::Ellipsis ? QStringLiteral("…")
                                                                        : QStringLiteral("▾");
    QApplication::style()->drawControl(QStyle::CE_PushButton, &button, painter);
}

bool GridDelegate::editorEvent(QEvent* event, QAbstractItemModel* model,
                               const QStyleOptionViewItem& option, const QModelIndex& index)
{
    if (event->type() != QEvent::MouseButtonRelease || !showsButton(index))
        return QStyledItemDelegate::editorEvent(event, model, option, index);
    const auto* mouse = static_cast<QMouseEvent*>(event);
    if (!buttonRect(option.rect).contains(mouse->position().toPoint()))
        return false;
    if (model_.columnAt(index.column())->GetButtonStyle() == ui::ButtonStyle::Ellipsis)
        emit cellButtonClicked();
    else
        emit pickListRequested(option.rect);
    return true;
}

} // namespace gsf::qt
