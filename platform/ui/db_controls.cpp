#include "platform/ui/db_controls.h"

#include "platform/ui/form.h"

namespace gsf::ui {

using gsf::data::DataSetState;

namespace {

// A caption as it reads on screen: "&&" is an ampersand, a single "&" only
// marks the accelerator.
std::string shownCaption(const std::string& caption)
{
    std::string out;
    for (std::size_t i = 0; i < caption.size(); ++i) {
        if (caption[i] == '&' && i + 1 < caption.size())
            ++i;
        out += caption[i];
    }
    return out;
}

// The caption of the label that names @p control (the one whose accelerator
// focuses it), or "" when no label does.
std::string labelOf(const Control& control)
{
    for (const Component* component : control.OwnerForm().Components()) {
        const auto* label = dynamic_cast<const Label*>(component);
        if (label != nullptr && label->FocusControl() == &control && !label->Caption().empty())
            return shownCaption(label->Caption());
    }
    return {};
}

} // namespace

// --- FieldBinding ---

FieldBinding::~FieldBinding()
{
    if (source_ != nullptr)
        source_->removeLink(&link_);
}

void FieldBinding::SetSource(gsf::data::DataSource* source)
{
    if (source_ == source)
        return;
    if (source_ != nullptr)
        source_->removeLink(&link_);
    source_ = source;
    if (source_ != nullptr)
        source_->addLink(&link_);
}

gsf::data::DataSet* FieldBinding::DataSet() const
{
    return source_ == nullptr ? nullptr : source_->GetDataSet();
}

gsf::data::Field* FieldBinding::Field() const
{
    gsf::data::DataSet* ds = DataSet();
    return ds == nullptr || fieldName_.empty() ? nullptr : ds->FindField(fieldName_);
}

bool FieldBinding::Active() const
{
    gsf::data::DataSet* ds = DataSet();
    return ds != nullptr && ds->Active();
}

bool FieldBinding::CanPaint() const
{
    gsf::data::DataSet* ds = DataSet();
    return ds == nullptr || !ds->ControlsDisabled();
}

// --- DBEdit ---

DBEdit::DBEdit(Container& parent, std::string name) : Edit(parent, std::move(name)), binding_(*this) {}

void DBEdit::SetDataSource(gsf::data::DataSource* source)
{
    binding_.SetSource(source);
    Refresh();
}

void DBEdit::SetDataField(std::string name)
{
    binding_.SetFieldName(std::move(name));
    Refresh();
}

bool DBEdit::TypeText(const std::string& typed)
{
    return Edit::TypeText(typed);
}

bool DBEdit::canType() const
{
    const gsf::data::Field* field = Field();
    return Edit::canType() && field != nullptr && binding_.Active() && !field->ReadOnly();
}

bool DBEdit::acceptTyped(const std::string& raw)
{
    // The person's first key puts a browsing dataset into edit; the typed
    // text then waits in the control until the focus leaves or a post asks.
    gsf::data::DataSet* ds = binding_.DataSet();
    if (ds->State() == DataSetState::Browse)
        ds->Edit();
    if (ds->State() != DataSetState::Edit && ds->State() != DataSetState::Insert)
        return false;
    return Edit::acceptTyped(raw);
}

void DBEdit::UpdateRecord()
{
    gsf::data::Field* field = Field();
    if (!Modified() || field == nullptr)
        return;
    try {
        field->SetText(EditText());
    } catch (const gsf::data::ConversionError& refused) {
        // Several edits may share a field label ("Mínimo Efetivos" for each
        // day): the label beside the edit says which one the person typed in.
        const std::string label = labelOf(*this);
        if (label.empty())
            throw;
        throw refused.Renamed(label);
    }
    SetModified(false);
}

void DBEdit::Refresh()
{
    if (!binding_.CanPaint())
        return;
    const gsf::data::Field* field = Field();
    std::string text;
    if (field != nullptr && binding_.Active())
        text = Focused() ? field->Text() : field->DisplayText();
    SetModified(false);
    setShownText(text);
    ++refreshCount_;
    changed();
}

void DBEdit::beforeExit()
{
    UpdateRecord();
}

void DBEdit::focusGained()
{
    Refresh();
}

void DBEdit::focusLost()
{
    Edit::focusLost();
    Refresh();
}

void DBEdit::stateChanged()
{
    const DataSetState state = binding_.DataSet() == nullptr ? DataSetState::Inactive : binding_.DataSet()->State();
    if (state == DataSetState::Browse || state == DataSetState::Inactive)
        SetModified(false);
    Refresh();
}

void DBEdit::dataSetChanged()
{
    Refresh();
}

void DBEdit::recordChanged(gsf::data::Field* field)
{
    if (field == nullptr || field == Field())
        Refresh();
}

void DBEdit::updateRecord()
{
    UpdateRecord();
}

bool DBEdit::focusControl(gsf::data::Field& field)
{
    if (&field != Field() || !CanFocus())
        return false;
    OwnerForm().SetFocus(*this);
    return Focused();
}

// --- DBText ---

DBText::DBText(Container& parent, std::string name) : Control(parent, std::move(name)), binding_(*this) {}

void DBText::SetDataSource(gsf::data::DataSource* source)
{
    binding_.SetSource(source);
    Refresh();
}

void DBText::SetDataField(std::string name)
{
    binding_.SetFieldName(std::move(name));
    Refresh();
}

void DBText::Refresh()
{
    if (!binding_.CanPaint())
        return;
    const gsf::data::Field* field = binding_.Field();
    text_ = field != nullptr && binding_.Active() ? field->DisplayText() : std::string();
    ++refreshCount_;
    changed();
}

void DBText::dataSetChanged()
{
    Refresh();
}

void DBText::recordChanged(gsf::data::Field* field)
{
    if (field == nullptr || field == binding_.Field())
        Refresh();
}

void DBText::stateChanged()
{
    Refresh();
}

// --- DBNavigator ---

DBNavigator::DBNavigator(Container& parent, std::string name) : Control(parent, std::move(name)), binding_(*this) {}

void DBNavigator::SetDataSource(gsf::data::DataSource* source)
{
    binding_.SetSource(source);
    changed();
}

bool DBNavigator::ButtonEnabled(NavigateButton button) const
{
    if (!EffectiveEnabled() || !binding_.Active())
        return false;
    const gsf::data::DataSet& ds = *binding_.DataSet();
    if (ds.IsEmpty())
        return false;
    switch (button) {
    case NavigateButton::First:
    case NavigateButton::Prior: return ds.RecNo() > 1;
    case NavigateButton::Next:
    case NavigateButton::Last: return ds.RecNo() < ds.RecordCount();
    }
    return false;
}

bool DBNavigator::Click(NavigateButton button)
{
    if (!Showing() || !ButtonEnabled(button))
        return false;
    gsf::data::DataSet& ds = *binding_.DataSet();
    switch (button) {
    case NavigateButton::First: ds.First(); break;
    case NavigateButton::Prior: ds.Prior(); break;
    case NavigateButton::Next: ds.Next(); break;
    case NavigateButton::Last: ds.Last(); break;
    }
    return true;
}

void DBNavigator::stateChanged()
{
    changed();
}

void DBNavigator::dataSetChanged()
{
    changed();
}

} // namespace gsf::ui
