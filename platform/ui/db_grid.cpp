#include "platform/ui/db_grid.h"

#include "platform/ui/form.h"

#include <algorithm>
#include <stdexcept>

namespace gsf::ui {

using gsf::data::DataSetState;

namespace {

bool editing(DataSetState state) { return state == DataSetState::Edit || state == DataSetState::Insert; }

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

void Column::changed() { grid_.columnChanged(); }

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

int DBGrid::RowCount() const { return binding_.Active() ? DataSet()->RecordCount() : 0; }

int DBGrid::CurrentRow() const { return binding_.Active() ? DataSet()->CurrentRow() : -1; }

std::string DBGrid::CellText(int row, int column) const
{
    if (row < 0 || row >= RowCount() || column < 0 || column >= ColumnCount())
        return {};
    const gsf::data::Field* field = columns_[static_cast<std::size_t>(column)]->Field();
    if (field == nullptr)
        return {};
    if (pending_ && row == CurrentRow() && column == selectedIndex_)
        return pendingText_;
    return DataSet()->DisplayTextAt(row, *field);
}

std::string DBGrid::EditorText() const
{
    if (pending_)
        return pendingText_;
    const gsf::data::Field* field = SelectedField();
    return field != nullptr && binding_.Active() && !DataSet()->IsEmpty() ? field->Text() : std::string();
}

bool DBGrid::canAct() const { return EffectiveEnabled() && Showing(); }

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

void DBGrid::setPending(std::string text)
{
    pendingText_ = std::move(text);
    pending_ = true;
    OwnerForm().notify([this](FormObserver& o) { o.gridChanged(*this); });
}

bool DBGrid::TypeCell(const std::string& typed)
{
    if (!canEditCell())
        return false;
    const auto kept = OwnerForm().FilterTypedText(*this, typed);
    if (!kept || !startEditing())
        return false;
    setPending(*kept);
    return true;
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
    setPending(value);
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
    if (!pending_)
        return;
    gsf::data::Field* field = SelectedField();
    if (field != nullptr) {
        FlagScope scope(writing_);
        field->SetText(pendingText_);
    }
    CancelEditor();
}

void DBGrid::CancelEditor()
{
    if (!pending_)
        return;
    pending_ = false;
    pendingText_.clear();
    OwnerForm().notify([this](FormObserver& o) { o.gridChanged(*this); });
}

void DBGrid::beforeExit()
{
    UpdateData();
    gsf::data::DataSet* ds = DataSet();
    if (options_.cancelOnExit && ds != nullptr && ds->State() == DataSetState::Insert && !ds->Modified())
        ds->Cancel();
}

void DBGrid::focusLost() { paint(); }

void DBGrid::defaultKeyDown(int& key, ShiftState shift)
{
    if (!canAct())
        return;
    gsf::data::DataSet* ds = binding_.Active() ? DataSet() : nullptr;
    switch (key) {
    case VK_DELETE:
        if (shift.Has(ShiftState::Ctrl)) {
            DeleteRow();
            key = 0;
        }
        break;
    case VK_UP:
    case VK_DOWN:
        if (ds != nullptr) {
            UpdateData();
            key == VK_UP ? ds->Prior() : ds->Next();
            key = 0;
        }
        break;
    case VK_ESCAPE:
        if (pending_) {
            CancelEditor();
            key = 0;
        } else if (ds != nullptr && editing(ds->State())) {
            ds->Cancel();
            key = 0;
        }
        break;
    case VK_INSERT:
        if (ds != nullptr && options_.editing && !readOnly_) {
            UpdateData();
            ds->Insert();
            key = 0;
        }
        break;
    case VK_RETURN:
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
    default:
        break;
    }
}

void DBGrid::defaultKeyPress(char32_t ch)
{
    if (!canEditCell())
        return;
    // A character typed into a cell not yet being edited replaces its text;
    // a backspace edits the text shown.
    std::u32string text;
    if (pending_)
        text = utf8Decode(pendingText_);
    else if (ch == U'\b')
        text = utf8Decode(EditorText());
    if (applyTypedKey(text, ch) && startEditing())
        setPending(utf8Encode(text));
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
    OwnerForm().notify([this](FormObserver& o) { o.gridChanged(*this); });
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

void DBGrid::updateRecord() { UpdateData(); }

void DBGrid::checkBrowseMode() { CancelEditor(); }

bool DBGrid::focusControl(gsf::data::Field& field)
{
    if (!SetSelectedField(field) || !CanFocus())
        return false;
    OwnerForm().SetFocus(*this);
    return Focused();
}

} // namespace gsf::ui
