#include "platform/ui/db_grid.h"

#include "platform/ui/edit_mask.h"
#include "platform/ui/form.h"

#include <algorithm>
#include <stdexcept>

namespace gsf::ui {

using gsf::data::DataSetState;

namespace {

bool editing(DataSetState state)
{
    return state == DataSetState::Edit || state == DataSetState::Insert;
}

// Restores a flag on every way out of a scope.
class FlagScope {
public:
    explicit FlagScope(bool& flag) : flag_(flag) { flag_ = true; }
    ~FlagScope() { flag_ = false; }
    FlagScope(const FlagScope&) = delete;
    FlagScope& operator=(const FlagScope&) = delete;

private:
    bool& flag_;
};

} // namespace

// --- Column ---

Column::Column(DBGrid& grid, std::string fieldName) : grid_(grid), fieldName_(std::move(fieldName)) {}

int Column::Index() const
{
    const auto& cols = grid_.columns_;
    for (std::size_t i = 0; i < cols.size(); ++i) {
        if (cols[i].get() == this)
            return static_cast<int>(i);
    }
    return -1;
}

gsf::data::Field* Column::Field() const
{
    gsf::data::DataSet* ds = grid_.DataSet();
    return ds == nullptr ? nullptr : ds->FindField(fieldName_);
}

std::string Column::DisplayTitle() const
{
    if (!titleCaption_.empty())
        return titleCaption_;
    const gsf::data::Field* field = Field();
    return field != nullptr ? field->DisplayLabel() : fieldName_;
}

bool Column::ShowsButton() const
{
    return buttonStyle_ == ButtonStyle::Ellipsis || (buttonStyle_ == ButtonStyle::Auto && !pickList_.empty());
}

void Column::changed()
{
    grid_.columnChanged();
}

void Column::SetFieldName(std::string value)
{
    if (fieldName_ == value)
        return;
    fieldName_ = std::move(value);
    changed();
}

void Column::SetTitleCaption(std::string value)
{
    if (titleCaption_ == value)
        return;
    titleCaption_ = std::move(value);
    changed();
}

void Column::SetTitleAlignment(Alignment value)
{
    if (titleAlignment_ == value)
        return;
    titleAlignment_ = value;
    changed();
}

void Column::SetCellAlignment(Alignment value)
{
    if (cellAlignment_ == value)
        return;
    cellAlignment_ = value;
    changed();
}

void Column::SetWidth(int value)
{
    if (width_ == value)
        return;
    width_ = value;
    changed();
}

void Column::SetReadOnly(bool value)
{
    if (readOnly_ == value)
        return;
    readOnly_ = value;
    changed();
}

void Column::SetVisible(bool value)
{
    if (visible_ == value)
        return;
    visible_ = value;
    changed();
}

void Column::SetPickList(std::vector<std::string> values)
{
    if (pickList_ == values)
        return;
    pickList_ = std::move(values);
    changed();
}

void Column::SetButtonStyle(ButtonStyle value)
{
    if (buttonStyle_ == value)
        return;
    buttonStyle_ = value;
    changed();
}

// --- DBGrid ---

DBGrid::DBGrid(Container& parent, std::string name) : Control(parent, std::move(name)), binding_(*this) {}

DBGrid::~DBGrid() = default;

void DBGrid::SetDataSource(gsf::data::DataSource* source)
{
    binding_.SetSource(source);
    pending_ = false;
    paint();
}

Column& DBGrid::AddColumn(std::string fieldName)
{
    columns_.push_back(std::make_unique<Column>(*this, std::move(fieldName)));
    if (selectedIndex_ < 0)
        selectedIndex_ = 0;
    columnChanged();
    return *columns_.back();
}

Column& DBGrid::ColumnAt(int index) const
{
    if (index < 0 || index >= ColumnCount())
        throw std::out_of_range("Coluna inexistente na grade \"" + Name() + "\".");
    return *columns_[static_cast<std::size_t>(index)];
}

int DBGrid::ColumnIndexOf(std::string_view fieldName) const
{
    for (std::size_t i = 0; i < columns_.size(); ++i) {
        if (columns_[i]->FieldName() == fieldName)
            return static_cast<int>(i);
    }
    return -1;
}

void DBGrid::SetOptions(GridOptions value)
{
    if (options_ == value)
        return;
    options_ = value;
    columnChanged();
}

void DBGrid::SetReadOnly(bool value)
{
    if (readOnly_ == value)
        return;
    readOnly_ = value;
    changed();
}

void DBGrid::SetSelectedIndex(int index)
{
    const Column& column = ColumnAt(index);
    if (index == selectedIndex_ || !column.Visible())
        return;
    if (inColExit_) {
        // A column exit that selects a column itself: no second exit, and
        // the move that ran the exit stops.
        ++colSeq_;
        selectedIndex_ = index;
        columnChanged();
        return;
    }
    moveColumn(index);
}

void DBGrid::moveColumn(int index)
{
    const unsigned seq = ++colSeq_;
    if (selectedIndex_ >= 0) {
        UpdateData();
        {
            FlagScope scope(inColExit_);
            if (OnColExit)
                OnColExit(*this);
        }
        if (seq != colSeq_)
            return;
    }
    selectedIndex_ = index;
    columnChanged();
}

gsf::data::Field* DBGrid::SelectedField() const
{
    return selectedIndex_ < 0 ? nullptr : columns_[static_cast<std::size_t>(selectedIndex_)]->Field();
}

bool DBGrid::SetSelectedField(const gsf::data::Field& field)
{
    for (std::size_t i = 0; i < columns_.size(); ++i) {
        if (columns_[i]->Visible() && columns_[i]->Field() == &field) {
            SetSelectedIndex(static_cast<int>(i));
            return selectedIndex_ == static_cast<int>(i);
        }
    }
    return false;
}

int DBGrid::RowCount() const
{
    return binding_.Active() ? DataSet()->RecordCount() : 0;
}

int DBGrid::CurrentRow() const
{
    return binding_.Active() ? DataSet()->CurrentRow() : -1;
}

std::string DBGrid::CellText(int row, int column) const
{
    if (row < 0 || row >= RowCount() || column < 0 || column >= ColumnCount())
        return {};
    const gsf::data::Field* field = columns_[static_cast<std::size_t>(column)]->Field();
    if (field == nullptr)
        return {};
    if (pending_ && row == CurrentRow() && column == selectedIndex_)
        return editorText_;
    return DataSet()->DisplayTextAt(row, *field);
}

std::string DBGrid::EditorText() const
{
    if (editorOpen_)
        return editorText_;
    const gsf::data::Field* field = SelectedField();
    return field != nullptr && binding_.Active() && !DataSet()->IsEmpty() ? field->Text() : std::string();
}

bool DBGrid::canAct() const
{
    return EffectiveEnabled() && Showing();
}

bool DBGrid::canEditCell() const
{
    if (!canAct() || !options_.editing || readOnly_ || selectedIndex_ < 0 || !binding_.Active())
        return false;
    const Column& column = *columns_[static_cast<std::size_t>(selectedIndex_)];
    const gsf::data::Field* field = column.Field();
    return !column.ReadOnly() && field != nullptr && !field->ReadOnly();
}

bool DBGrid::startEditing()
{
    gsf::data::DataSet* ds = DataSet();
    if (ds->State() == DataSetState::Browse)
        ds->Edit();
    return editing(ds->State());
}

std::pair<std::string, int> DBGrid::fitToField(const std::u32string& text, int caret) const
{
    const gsf::data::Field* field = SelectedField();
    caret = std::clamp(caret, 0, static_cast<int>(text.size()));
    if (field == nullptr)
        return {utf8Encode(text), caret};
    if (const EditMask mask(field->EditMask()); !mask.Empty()) {
        // The editor holds the value, as the field will store it: the mask
        // drops what its places refuse and forces their case.
        const std::string fitted = mask.TextOf(mask.Fit(utf8Encode(text)));
        const std::string before = mask.TextOf(mask.Fit(utf8Encode(text.substr(0, static_cast<std::size_t>(caret)))));
        return {fitted, std::min(utf8Length(before), utf8Length(fitted))};
    }
    const bool textField = field->DataType() != gsf::data::FieldType::Float;
    if (textField && field->Size() > 0 && text.size() > static_cast<std::size_t>(field->Size())) {
        const auto size = static_cast<std::size_t>(field->Size());
        return {utf8Encode(text.substr(0, size)), std::min(caret, field->Size())};
    }
    return {utf8Encode(text), caret};
}

void DBGrid::openEditor(std::string text, int caret, bool pending)
{
    editorText_ = std::move(text);
    caret_ = std::clamp(caret, 0, utf8Length(editorText_));
    editorOpen_ = true;
    pending_ = pending;
    notifyGrid();
}

bool DBGrid::typeIntoEditor(const std::u32string& text, int caret)
{
    auto [fitted, at] = fitToField(text, caret);
    // Nothing left of what was typed (a letter in a digits-only cell): the
    // cell and the record stay as they were.
    if (!text.empty() && fitted.empty())
        return false;
    if (!startEditing())
        return false;
    openEditor(std::move(fitted), at, true);
    return true;
}

bool DBGrid::TypeCell(const std::string& typed)
{
    if (!canEditCell())
        return false;
    const auto kept = OwnerForm().FilterTypedText(*this, typed);
    if (!kept)
        return false;
    const std::u32string text = utf8Decode(*kept);
    return typeIntoEditor(text, static_cast<int>(text.size()));
}

bool DBGrid::PasteCell(const std::string& text)
{
    if (!editorOpen_)
        return TypeCell(text);
    if (!canEditCell())
        return false;
    const auto kept = OwnerForm().FilterTypedText(*this, text);
    if (!kept || kept->empty())
        return false;
    std::u32string current = utf8Decode(editorText_);
    const std::u32string inserted = utf8Decode(*kept);
    current.insert(static_cast<std::size_t>(caret_), inserted);
    return typeIntoEditor(current, caret_ + static_cast<int>(inserted.size()));
}

bool DBGrid::ShowEditor()
{
    if (!canEditCell() || DataSet()->IsEmpty())
        return false;
    if (!editorOpen_) {
        std::string text = EditorText();
        const int end = utf8Length(text);
        openEditor(std::move(text), end, false);
    }
    return true;
}

void DBGrid::SetEditorCaret(int position)
{
    if (!editorOpen_)
        return;
    position = std::clamp(position, 0, utf8Length(editorText_));
    if (position == caret_)
        return;
    caret_ = position;
    notifyGrid();
}

bool DBGrid::ChoosePick(const std::string& value)
{
    if (!canEditCell())
        return false;
    const auto& list = columns_[static_cast<std::size_t>(selectedIndex_)]->PickList();
    if (std::find(list.begin(), list.end(), value) == list.end())
        return false;
    if (!startEditing())
        return false;
    openEditor(value, utf8Length(value), true);
    return true;
}

bool DBGrid::ClickEditButton()
{
    if (!canAct() || selectedIndex_ < 0)
        return false;
    if (columns_[static_cast<std::size_t>(selectedIndex_)]->GetButtonStyle() != ButtonStyle::Ellipsis)
        return false;
    if (OnEditButtonClick)
        OnEditButtonClick(*this);
    return true;
}

bool DBGrid::MoveToRow(int row)
{
    if (!canAct() || row < 0 || row >= RowCount())
        return false;
    UpdateData();
    if (row != CurrentRow())
        DataSet()->MoveTo(row + 1);
    return true;
}

bool DBGrid::SelectCell(int row, int column)
{
    if (!MoveToRow(row))
        return false;
    SetSelectedIndex(column);
    return selectedIndex_ == column;
}

bool DBGrid::DeleteRow()
{
    if (!canAct() || readOnly_ || !binding_.Active() || DataSet()->IsEmpty())
        return false;
    if (options_.confirmDelete && (!ConfirmDelete || !ConfirmDelete("Excluir o registro?")))
        return false;
    CancelEditor();
    DataSet()->Delete();
    return true;
}

void DBGrid::UpdateData()
{
    if (!pending_) {
        CancelEditor();
        return;
    }
    gsf::data::Field* field = SelectedField();
    if (field != nullptr) {
        FlagScope scope(writing_);
        try {
            field->SetText(editorText_);
        } catch (const gsf::data::ConversionError& refused) {
            // The person knows the column by its title, not by the field's name.
            throw refused.Renamed(columns_[static_cast<std::size_t>(selectedIndex_)]->DisplayTitle());
        }
    }
    CancelEditor();
}

void DBGrid::CancelEditor()
{
    if (!editorOpen_ && !pending_)
        return;
    editorOpen_ = false;
    pending_ = false;
    editorText_.clear();
    caret_ = 0;
    notifyGrid();
}

void DBGrid::notifyGrid()
{
    OwnerForm().notify([this](FormObserver& o) { o.gridChanged(*this); });
}

void DBGrid::beforeExit()
{
    UpdateData();
    gsf::data::DataSet* ds = DataSet();
    if (options_.cancelOnExit && ds != nullptr && ds->State() == DataSetState::Insert && !ds->Modified())
        ds->Cancel();
}

void DBGrid::focusLost()
{
    paint();
}

bool DBGrid::editorKeyDown(int key, ShiftState shift)
{
    const int length = utf8Length(editorText_);
    switch (key) {
    case VK_LEFT: SetEditorCaret(caret_ - 1); return true;
    case VK_RIGHT: SetEditorCaret(caret_ + 1); return true;
    case VK_HOME:
        if (shift.Has(ShiftState::Ctrl))
            return false;
        SetEditorCaret(0);
        return true;
    case VK_END:
        if (shift.Has(ShiftState::Ctrl))
            return false;
        SetEditorCaret(length);
        return true;
    case VK_DELETE:
        if (shift.Has(ShiftState::Ctrl))
            return false;
        if (caret_ < length && canEditCell()) {
            std::u32string text = utf8Decode(editorText_);
            text.erase(static_cast<std::size_t>(caret_), 1);
            typeIntoEditor(text, caret_);
        }
        return true;
    case VK_F2: return true;
    default: return false;
    }
}

void DBGrid::defaultKeyDown(int& key, ShiftState shift)
{
    if (!canAct())
        return;
    if (editorOpen_ && editorKeyDown(key, shift)) {
        key = 0;
        return;
    }
    gsf::data::DataSet* ds = binding_.Active() ? DataSet() : nullptr;
    const bool alt = shift.Has(ShiftState::Alt);
    switch (key) {
    case VK_DELETE:
        if (shift.Has(ShiftState::Ctrl)) {
            DeleteRow();
            key = 0;
        }
        break;
    case VK_UP:
    case VK_DOWN:
        // Alt+Down opens a pick list; it does not move the row.
        if (ds != nullptr && !alt) {
            UpdateData();
            key == VK_UP ? ds->Prior() : ds->Next();
            key = 0;
        }
        break;
    case VK_LEFT:
    case VK_RIGHT:
        if (!alt && !shift.Has(ShiftState::Ctrl)) {
            const int next = nextVisibleColumn(selectedIndex_, key == VK_LEFT ? -1 : 1);
            if (next >= 0)
                SetSelectedIndex(next);
            key = 0;
        }
        break;
    case VK_HOME:
    case VK_END:
        if (shift.Has(ShiftState::Ctrl)) {
            if (ds != nullptr) {
                UpdateData();
                key == VK_HOME ? ds->First() : ds->Last();
            }
        } else {
            const int edge = key == VK_HOME ? nextVisibleColumn(-1, 1) : nextVisibleColumn(ColumnCount(), -1);
            if (edge >= 0)
                SetSelectedIndex(edge);
        }
        key = 0;
        break;
    case VK_F2:
        ShowEditor();
        key = 0;
        break;
    case VK_ESCAPE:
        if (editorOpen_) {
            CancelEditor();
            key = 0;
        } else if (ds != nullptr && editing(ds->State())) {
            ds->Cancel();
            key = 0;
        }
        break;
    case VK_INSERT:
        // Shift+Insert and Ctrl+Insert are the clipboard's.
        if (ds != nullptr && options_.editing && !readOnly_ && shift.None()) {
            UpdateData();
            ds->Insert();
            key = 0;
        }
        break;
    case VK_RETURN:
        // Ctrl+Enter presses the cell's look-up button.
        if (shift.Has(ShiftState::Ctrl) && ClickEditButton()) {
            key = 0;
            break;
        }
        UpdateData();
        break;
    case VK_TAB:
        if (options_.tabs && !shift.Has(ShiftState::Ctrl)) {
            const int next = nextVisibleColumn(selectedIndex_, shift.Has(ShiftState::Shift) ? -1 : 1);
            if (next >= 0) {
                SetSelectedIndex(next);
                key = 0;
            }
        }
        break;
    default: break;
    }
}

void DBGrid::defaultKeyPress(char32_t ch)
{
    if (!canEditCell())
        return;
    // A character typed into a closed cell replaces its text; a backspace
    // edits the text shown. In the open editor both act at the caret.
    std::u32string text;
    int caret = 0;
    if (editorOpen_) {
        text = utf8Decode(editorText_);
        caret = caret_;
    } else if (ch == U'\b') {
        text = utf8Decode(EditorText());
        caret = static_cast<int>(text.size());
    }
    if (ch == U'\b') {
        if (caret == 0)
            return;
        text.erase(static_cast<std::size_t>(caret - 1), 1);
        typeIntoEditor(text, caret - 1);
        return;
    }
    if (isControlChar(ch))
        return;
    text.insert(static_cast<std::size_t>(caret), 1, ch);
    typeIntoEditor(text, caret + 1);
}

int DBGrid::nextVisibleColumn(int from, int step) const
{
    for (int i = from + step; i >= 0 && i < ColumnCount(); i += step) {
        if (columns_[static_cast<std::size_t>(i)]->Visible())
            return i;
    }
    return -1;
}

void DBGrid::paint()
{
    if (!binding_.CanPaint())
        return;
    ++paintCount_;
    OwnerForm().notify([this](FormObserver& o) { o.gridChanged(*this); });
}

void DBGrid::columnChanged()
{
    notifyGrid();
}

void DBGrid::stateChanged()
{
    gsf::data::DataSet* ds = DataSet();
    if (ds == nullptr || !editing(ds->State()))
        CancelEditor();
    paint();
}

void DBGrid::dataSetChanged()
{
    CancelEditor();
    paint();
}

void DBGrid::recordChanged(gsf::data::Field* field)
{
    // A value written by the program replaces what the editor holds for it.
    if (!writing_ && (field == nullptr || field == SelectedField()))
        CancelEditor();
    paint();
}

void DBGrid::updateRecord()
{
    UpdateData();
}

void DBGrid::checkBrowseMode()
{
    CancelEditor();
}

bool DBGrid::focusControl(gsf::data::Field& field)
{
    if (!SetSelectedField(field) || !CanFocus())
        return false;
    OwnerForm().SetFocus(*this);
    return Focused();
}

} // namespace gsf::ui
