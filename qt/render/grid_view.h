#pragma once

#include <QTableView>

#include <vector>

class QLineEdit;

namespace gsf::ui {
class DBGrid;
}

namespace gsf::qt {

class GridDelegate;
class GridModel;

/// The table view of a model grid. It shows what the grid holds: the current
/// record and column (highlighted by the delegate), the open cell editor with
/// its text and caret, column widths scaled from the layout's, and a focus
/// frame while the grid has the focus. Every key goes to the model (FormView
/// routes them); a click on a cell or inside the editor is reported, and the
/// view is set back to the model afterwards by sync().
///
/// Column widths: the layout gives them in pixels for the 8-point sans-serif
/// text of the original form at 96 dots per inch. They are scaled by the mean
/// advance of the letters A-Z, a-z in the font in use against kLayoutLetterWidth,
/// that mean for the layout's font (see there). A column is never narrower
/// than its title, nor, while its cell shows a button, than its code plus the
/// button. Widths the person drags stay until the view is destroyed.
class GridView : public QTableView {
    Q_OBJECT
public:
    /// Mean letter advance of the layout's 8-point sans-serif at 96 dpi, in
    /// pixels. That font reports an average character width of 5 pixels and
    /// a dialog base unit of 6 (its letters' mean, rounded up from the half):
    /// the mean lies between the two, and 5.5 is taken.
    static constexpr double kLayoutLetterWidth = 5.5;

    explicit GridView(ui::DBGrid& grid, QWidget* parent = nullptr);

    ui::DBGrid& grid() const { return grid_; }
    GridModel& gridModel() const { return *model_; }
    GridDelegate& gridDelegate() const { return *delegate_; }
    /// The line edit shown over the current cell while the model's editor is open.
    QLineEdit* cellEditor() const { return editor_; }
    /// Screen pixels per layout pixel for the font in use.
    double widthScale() const;
    /// Whether the grid shows the focus (the view or its cell editor has it).
    bool showsFocus() const;

    /// Sets the view back to the grid model: rows and titles (when the
    /// dataset's controls are enabled), widths, current cell, cell editor.
    void sync();

signals:
    /// The person clicked a cell (view column @p viewColumn).
    void cellClicked(int row, int viewColumn);
    /// The person placed the caret inside the cell editor.
    void caretPlaced(int position);
    /// Text arrived in the cell editor by other means than keys (an input
    /// method, a drop): the whole text now in the editor.
    void editorTextEntered(const QString& text);

protected:
    void paintEvent(QPaintEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void applyWidths();
    void syncEditor();
    int floorWidth(int gridColumn, int viewColumn) const;

    ui::DBGrid& grid_;
    GridModel* model_;
    GridDelegate* delegate_;
    QLineEdit* editor_;
    std::vector<int> modelWidths_; // per grid column: the layout width last scaled
    std::vector<int> widths_;      // per grid column: the width shown, in pixels
    bool syncing_ = false;
};

} // namespace gsf::qt
