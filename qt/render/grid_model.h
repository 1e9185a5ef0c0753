#pragma once

#include <QAbstractTableModel>
#include <QStyledItemDelegate>

#include <functional>
#include <vector>

namespace gsf::ui {
class Column;
class DBGrid;
} // namespace gsf::ui

namespace gsf::qt {

/// Table model over a DBGrid: one row per dataset row, one column per
/// visible grid column, cells as the grid shows them (pt-BR formats, the
/// pending text in the current cell). Read-only: every edit goes through the
/// grid's own actions.
class GridModel : public QAbstractTableModel {
    Q_OBJECT
public:
    explicit GridModel(const ui::DBGrid& grid, QObject* parent = nullptr);

    /// Reloads columns and rows from the grid. Does nothing while the
    /// dataset's controls are disabled, so a batch of changes repaints once.
    /// Rows and columns of the same count are repainted, not reset, so the
    /// view keeps its scroll position and column widths.
    /// @return whether it reloaded.
    bool refresh();

    /// The grid column shown at view column @p viewColumn, or nullptr.
    const ui::Column* columnAt(int viewColumn) const;
    /// View column of grid column @p index; -1 when hidden or unknown.
    int viewColumnOf(int index) const;
    const ui::DBGrid& grid() const { return grid_; }

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

private:
    const ui::DBGrid& grid_;
    std::vector<int> visible_; // grid column index of each view column
    int rows_ = 0;
};

/// Paints the cells as the model grid has them: the current record's row
/// tinted, its current cell highlighted (in the selection colour while the
/// grid has the focus, in a quieter one otherwise), and the current cell's
/// button (an ellipsis, or a drop-down arrow for a pick list) beside its
/// text, never over it. Reports a click on that button; nothing else.
class GridDelegate : public QStyledItemDelegate {
    Q_OBJECT
public:
    /// @param focused tells whether the grid shows the focus now.
    GridDelegate(const GridModel& model, std::function<bool()> focused, QObject* parent = nullptr);

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    bool editorEvent(QEvent* event, QAbstractItemModel* model, const QStyleOptionViewItem& option,
                     const QModelIndex& index) override;
    /// Area of the button inside a cell rectangle.
    static QRect buttonRect(const QRect& cell);
    /// Area left for the text of a cell that shows the button.
    static QRect textRect(const QRect& cell);
    /// Whether the cell at @p index shows the button now.
    bool showsButton(const QModelIndex& index) const;

signals:
    /// The ellipsis button of the current cell was clicked.
    void cellButtonClicked();
    /// The drop-down of the current cell was clicked; @p cell in viewport coordinates.
    void pickListRequested(const QRect& cell);

private:
    const GridModel& model_;
    std::function<bool()> focused_;
};

} // namespace gsf::qt
