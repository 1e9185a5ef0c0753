#pragma once

#include "platform/data/dataset.h"
#include "platform/ui/control.h"
#include "platform/ui/db_controls.h"

#include <functional>
#include <memory>
#include <utility>
#include <string>
#include <vector>

namespace gsf::ui {

class DBGrid;

/// Button shown in the cell being edited: none, an ellipsis button (runs
/// OnEditButtonClick), or automatic (a drop-down when the column has a pick list).
enum class ButtonStyle { None, Ellipsis, Auto };

/// One column of a DBGrid, bound to a field by name.
class Column {
public:
    explicit Column(DBGrid& grid, std::string fieldName);
    Column(const Column&) = delete;
    Column& operator=(const Column&) = delete;

    DBGrid& Grid() const { return grid_; }
    /// Position among the grid's columns.
    int Index() const;

    const std::string& FieldName() const { return fieldName_; }
    void SetFieldName(std::string value);
    /// The dataset's field of that name, or nullptr.
    gsf::data::Field* Field() const;

    /// Title caption; the field's display label when empty.
    const std::string& TitleCaption() const { return titleCaption_; }
    void SetTitleCaption(std::string value);
    /// TitleCaption, or the field's label, or the field name.
    std::string DisplayTitle() const;
    Alignment TitleAlignment() const { return titleAlignment_; }
    void SetTitleAlignment(Alignment value);
    Alignment CellAlignment() const { return cellAlignment_; }
    void SetCellAlignment(Alignment value);
    int Width() const { return width_; }
    void SetWidth(int value);
    bool ReadOnly() const { return readOnly_; }
    void SetReadOnly(bool value);
    bool Visible() const { return visible_; }
    void SetVisible(bool value);
    const std::vector<std::string>& PickList() const { return pickList_; }
    void SetPickList(std::vector<std::string> values);
    ButtonStyle GetButtonStyle() const { return buttonStyle_; }
    void SetButtonStyle(ButtonStyle value);
    /// The cell being edited shows a button: ellipsis, or automatic with a pick list.
    bool ShowsButton() const;

private:
    void changed();
    DBGrid& grid_;
    std::string fieldName_;
    std::string titleCaption_;
    std::vector<std::string> pickList_;
    Alignment titleAlignment_ = Alignment::Left;
    Alignment cellAlignment_ = Alignment::Left;
    ButtonStyle buttonStyle_ = ButtonStyle::Auto;
    int width_ = 64;
    bool readOnly_ = false;
    bool visible_ = true;
};

/// Grid options.
struct GridOptions {
    bool editing = true; ///< cells may be typed into
    bool titles = true;
    bool indicator = true;
    bool columnResize = true;
    bool colLines = true;
    bool rowLines = true;
    bool tabs = false; ///< Tab moves between columns inside the grid
    bool alwaysShowSelection = false;
    bool confirmDelete = true; ///< Ctrl+Delete asks through ConfirmDelete
    bool cancelOnExit = false; ///< leaving the grid cancels an unmodified insert
    bool operator==(const GridOptions&) const = default;
};

/// Data-aware grid over a data source's dataset.
///
/// The cell editor: typing into the current cell (or F2) opens it, with a
/// caret. What the person types stays in the editor (PendingText) until it is
/// written into the field: Enter, Tab or a column change, a row move, the
/// grid losing the focus, or the dataset asking for updateRecord before a
/// post. Escape closes it and restores the cell. A write that throws keeps the
/// text pending and abandons the action that asked for it. Typed text is fitted
/// to the column's field as an edit would fit it: control characters dropped,
/// the field's edit mask applied (digits only for "99999", upper case for
/// ">aaaa"), and a text field cut at its size.
///
/// Keys the grid handles itself (after the key-down handlers):
/// | key | editor open | editor closed |
/// |---|---|---|
/// | Left, Right, Home, End | move the caret | previous, next, first, last column |
/// | Ctrl+Home, Ctrl+End | first, last row | first, last row |
/// | Up, Down | write, then previous, next row | previous, next row |
/// | Enter | write the text into the field | — |
/// | Ctrl+Enter | the cell's ellipsis button | the cell's ellipsis button |
/// | Escape | restore the cell | cancel the record being edited |
/// | F2 | — | open the editor on the cell's text |
/// | Delete, Backspace | delete after, before the caret | Backspace edits the cell's text |
/// | Ctrl+Delete | delete the row (with confirmation) | the same |
/// Alt+Down and F4 are left to the renderer (the pick list) and move nothing.
///
/// Rows and cell texts come from DataSet::RecordCount, ValueAt and
/// DisplayTextAt; repaints happen only while the dataset's controls are
/// enabled (counted by PaintCount).
class DBGrid : public Control, private gsf::data::DataLink {
public:
    using Event = std::function<void(Control&)>;

    DBGrid(Container& parent, std::string name);
    ~DBGrid() override;
    const char* ClassName() const override { return "DBGrid"; }
    void Accept(ControlVisitor& visitor) override;
    bool AcceptsFocus() const override { return true; }

    gsf::data::DataSource* DataSource() const { return binding_.Source(); }
    void SetDataSource(gsf::data::DataSource* source);
    gsf::data::DataSet* DataSet() const { return binding_.DataSet(); }

    // --- columns ---
    Column& AddColumn(std::string fieldName);
    const std::vector<std::unique_ptr<Column>>& Columns() const { return columns_; }
    int ColumnCount() const { return static_cast<int>(columns_.size()); }
    Column& ColumnAt(int index) const;
    /// Index of the first column on @p fieldName (exact name), or -1.
    int ColumnIndexOf(std::string_view fieldName) const;

    // --- options ---
    const GridOptions& Options() const { return options_; }
    void SetOptions(GridOptions value);
    bool ReadOnly() const { return readOnly_; }
    void SetReadOnly(bool value);

    // --- selection ---
    /// Selected column (index into Columns); -1 without columns.
    int SelectedIndex() const { return selectedIndex_; }
    /// Selects a column, as the person does: writes the pending cell into its
    /// field, runs OnColExit (SelectedIndex still the column being left), then
    /// changes. A write or OnColExit that throws keeps the column. An OnColExit
    /// that selects a column itself wins. Inside OnColExit, selecting changes
    /// the column without another OnColExit. Invisible columns cannot be selected.
    /// @throws std::out_of_range for an index outside the columns.
    void SetSelectedIndex(int index);
    /// The selected column's field, or nullptr.
    gsf::data::Field* SelectedField() const;
    /// Selects the visible column of @p field (as SetSelectedIndex). @return
    /// false when no visible column shows it.
    bool SetSelectedField(const gsf::data::Field& field);

    // --- rows ---
    int RowCount() const;
    /// 0-based index of the dataset's current row; -1 when empty or inactive.
    int CurrentRow() const;
    /// Display text of a cell; the current cell shows its pending text.
    std::string CellText(int row, int column) const;
    /// Text of the current cell's editor: the text in the open editor, or the
    /// field's edit text.
    std::string EditorText() const;
    /// Typed into the open editor and not yet written into the field.
    bool HasPendingText() const { return pending_; }
    const std::string& PendingText() const { return editorText_; }
    /// The cell editor is open on the current cell.
    bool EditorMode() const { return editorOpen_; }
    /// Caret of the open editor, in characters from the start of its text.
    int EditorCaret() const { return caret_; }

    // --- the person's actions ---
    /// Replaces the current cell's text by typing @p typed: each character
    /// goes through the key-press handlers (a swallowed one is dropped), then
    /// the text is fitted to the field (see the class comment). The editor
    /// opens with the caret at the end. A dataset in browse goes into edit first.
    /// @return false when refused: grid disabled or hidden, editing off, grid,
    /// column or field read-only, dataset inactive, or nothing of a non-empty
    /// @p typed left (every character swallowed or refused by the mask).
    /// @throws whatever DataSet::Edit throws.
    bool TypeCell(const std::string& typed);
    /// Pastes @p text at the caret of the open editor (into a closed one, as
    /// TypeCell), with the same filtering and fitting as typing.
    /// @return false when refused, as TypeCell.
    bool PasteCell(const std::string& text);
    /// F2: opens the editor on the current cell's text, caret at the end,
    /// without changing anything yet. @return false when the cell cannot be edited.
    bool ShowEditor();
    /// Moves the caret of the open editor (clamped to its text).
    void SetEditorCaret(int position);
    /// Chooses @p value from the selected column's pick list (into the cell
    /// editor, like typing). @return false when the value is not in the list or
    /// the cell cannot be edited.
    bool ChoosePick(const std::string& value);
    /// Clicks the button of the current cell: OnEditButtonClick when the
    /// selected column shows one. @return whether the handler ran.
    bool ClickEditButton();
    /// Moves to row @p row (0-based): writes the pending cell, then the dataset
    /// moves (posting a record being edited first). @return false when refused
    /// (disabled, inactive, out of range).
    bool MoveToRow(int row);
    /// Clicks a cell: moves to the row, then selects the column.
    bool SelectCell(int row, int column);
    /// Ctrl+Delete: asks ConfirmDelete("Excluir o registro?") when confirmation
    /// is on (no hook: nothing is deleted), then DataSet::Delete.
    /// @return whether the row was deleted.
    bool DeleteRow();
    /// Writes the pending cell text into its field now and closes the editor.
    /// A conversion refused by the field is reported with the column title
    /// the person sees. @throws whatever Field::SetText throws; the text then
    /// stays pending and the editor open.
    void UpdateData();
    /// Closes the editor and drops its text: the cell shows its field again.
    void CancelEditor();

    /// Times the grid repainted from data.
    int PaintCount() const { return paintCount_; }

    /// Runs while the selected column is still the one being left, after its
    /// pending text was written into the field. Throwing keeps the column.
    Event OnColExit;
    Event OnEditButtonClick;
    /// Asked before a row is deleted; @return true to delete.
    std::function<bool(const std::string& question)> ConfirmDelete;

protected:
    void beforeExit() override;
    void focusLost() override;
    void defaultKeyDown(int& key, ShiftState shift) override;
    void defaultKeyPress(char32_t ch) override;

private:
    friend class Column;
    void stateChanged() override;
    void dataSetChanged() override;
    void recordChanged(gsf::data::Field* field) override;
    void updateRecord() override;
    void checkBrowseMode() override;
    bool focusControl(gsf::data::Field& field) override;

    bool canEditCell() const;
    bool canAct() const;
    bool startEditing();
    /// Fits @p text, with the caret at @p caret, to the selected column's field.
    std::pair<std::string, int> fitToField(const std::u32string& text, int caret) const;
    /// Puts @p text with its caret into the editor as typed (startEditing first).
    bool typeIntoEditor(const std::u32string& text, int caret);
    void openEditor(std::string text, int caret, bool pending);
    bool editorKeyDown(int key, ShiftState shift);
    void notifyGrid();
    void paint();
    void columnChanged();
    void moveColumn(int index);
    int nextVisibleColumn(int from, int step) const;

    FieldBinding binding_;
    std::vector<std::unique_ptr<Column>> columns_;
    GridOptions options_;
    std::string editorText_;
    int caret_ = 0;
    int selectedIndex_ = -1;
    int paintCount_ = 0;
    unsigned colSeq_ = 0;
    bool pending_ = false;
    bool editorOpen_ = false;
    bool readOnly_ = false;
    bool inColExit_ = false;
    bool writing_ = false;
};

} // namespace gsf::ui
