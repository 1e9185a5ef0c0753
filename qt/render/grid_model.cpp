#include "qt/render/grid_model.h"

#include "platform/ui/db_grid.h"

#include <QApplication>
#include <QMouseEvent>
#include <QPainter>
#include <QPalette>

#include <algorithm>

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

QString qs(const std::string& text)
{
    return QString::fromStdString(text);
}

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
    std::vector<int> visible;
    for (int i = 0; i < grid_.ColumnCount(); ++i)
        if (grid_.ColumnAt(i).Visible())
            visible.push_back(i);
    const int rows = dataSet != nullptr && dataSet->Active() ? grid_.RowCount() : 0;
    if (visible == visible_ && rows == rows_) {
        // Same shape: repaint in place. A reset would also reset the header,
        // losing the widths the person gave the columns.
        if (rows_ > 0 && !visible_.empty())
            emit dataChanged(index(0, 0), index(rows_ - 1, static_cast<int>(visible_.size()) - 1));
        emit headerDataChanged(Qt::Horizontal, 0, std::max(0, static_cast<int>(visible_.size()) - 1));
        if (rows_ > 0)
            emit headerDataChanged(Qt::Vertical, 0, rows_ - 1);
        return true;
    }
    beginResetModel();
    visible_ = std::move(visible);
    rows_ = rows;
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

int GridModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : rows_;
}

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
    case Qt::DisplayRole: return qs(grid_.CellText(index.row(), visible_[static_cast<size_t>(index.column())]));
    case Qt::TextAlignmentRole: return QVariant::fromValue(qtAlignment(column->CellAlignment()));
    case Qt::BackgroundRole:
        // Read-only columns look like the window, not like an input.
        if (column->ReadOnly())
            return QApplication::palette().brush(QPalette::Window);
        return {};
    case Qt::ToolTipRole: return qs(grid_.CellText(index.row(), visible_[static_cast<size_t>(index.column())]));
    default: return {};
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

GridDelegate::GridDelegate(const GridModel& model, std::function<bool()> focused, QObject* parent)
    : QStyledItemDelegate(parent), model_(model), focused_(std::move(focused))
{}

QRect GridDelegate::buttonRect(const QRect& cell)
{
    const int width = qMin(cell.height(), 16);
    return {cell.right() - width + 1, cell.top(), width, cell.height()};
}

QRect GridDelegate::textRect(const QRect& cell)
{
    QRect text = cell;
    text.setRight(buttonRect(cell).left() - 1);
    return text;
}

bool GridDelegate::showsButton(const QModelIndex& index) const
{
    const ui::DBGrid& grid = model_.grid();
    const ui::Column* column = model_.columnAt(index.column());
    return column != nullptr && index.row() == grid.CurrentRow() && column->Index() == grid.SelectedIndex() &&
           column->ShowsButton();
}

void GridDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    const ui::DBGrid& grid = model_.grid();
    const ui::Column* column = model_.columnAt(index.column());
    QStyleOptionViewItem cell(option);
    initStyleOption(&cell, index);
    // The highlight is the model's current record and column, never the
    // view's own selection: a click the screen refuses moves nothing.
    cell.state &= ~(QStyle::State_Selected | QStyle::State_HasFocus);
    const bool currentRow = index.row() == grid.CurrentRow();
    const bool currentCell = currentRow && column != nullptr && column->Index() == grid.SelectedIndex();
    const QPalette& palette = option.palette;
    const QColor base = palette.color(QPalette::Base);
    const QColor highlight = palette.color(QPalette::Highlight);
    const auto mix = [&](double share) {
        return QColor::fromRgbF(base.redF() + (highlight.redF() - base.redF()) * share,
                                base.greenF() + (highlight.greenF() - base.greenF()) * share,
                                base.blueF() + (highlight.blueF() - base.blueF()) * share);
    };
    if (currentCell) {
        if (focused_ && focused_()) {
            cell.state |= QStyle::State_Selected | QStyle::State_HasFocus;
        } else {
            cell.backgroundBrush = mix(0.35);
        }
    } else if (currentRow) {
        cell.backgroundBrush = mix(0.15);
    }
    QStyle* style = option.widget != nullptr ? option.widget->style() : QApplication::style();
    if (!showsButton(index)) {
        style->drawControl(QStyle::CE_ItemViewItem, &cell, painter, option.widget);
        return;
    }
    // Background over the whole cell, the text left of the button.
    style->drawPrimitive(QStyle::PE_PanelItemViewItem, &cell, painter, option.widget);
    QStyleOptionViewItem text(cell);
    text.rect = textRect(option.rect);
    style->drawControl(QStyle::CE_ItemViewItem, &text, painter, option.widget);
    QStyleOptionButton button;
    button.rect = buttonRect(option.rect);
    button.state = QStyle::State_Enabled | QStyle::State_Raised;
    button.text = column->GetButtonStyle() == ui::ButtonStyle::Ellipsis ? QStringLiteral("…") : QStringLiteral("▾");
    style->drawControl(QStyle::CE_PushButton, &button, painter, option.widget);
}

bool GridDelegate::editorEvent(QEvent* event, QAbstractItemModel* model, const QStyleOptionViewItem& option,
                               const QModelIndex& index)
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
