#pragma once

#include "platform/data/dataset.h"
#include "platform/ui/controls.h"

#include <string>

namespace gsf::ui {

/// Link of one control to one field of a data source's dataset.
///
/// Keeps the DataSource registration in step with the control's lifetime.
class FieldBinding {
public:
    explicit FieldBinding(gsf::data::DataLink& link) : link_(link) {}
    ~FieldBinding();
    FieldBinding(const FieldBinding&) = delete;
    FieldBinding& operator=(const FieldBinding&) = delete;

    gsf::data::DataSource* Source() const { return source_; }
    void SetSource(gsf::data::DataSource* source);
    const std::string& FieldName() const { return fieldName_; }
    void SetFieldName(std::string name) { fieldName_ = std::move(name); }
    /// The dataset, or nullptr without a source or dataset.
    gsf::data::DataSet* DataSet() const;
    /// The bound field when the dataset is there and has it; nullptr otherwise.
    gsf::data::Field* Field() const;
    /// The dataset is there and active.
    bool Active() const;
    /// The dataset's controls are enabled (repaints allowed).
    bool CanPaint() const;

private:
    gsf::data::DataLink& link_;
    gsf::data::DataSource* source_ = nullptr;
    std::string fieldName_;
};

/// Data-aware edit. Shows the field's display text while unfocused and its
/// edit text while focused. Typing changes only the control's text; the text
/// is written into the field (Field::SetText) when the control loses the
/// focus, before its OnExit runs, or when the dataset asks for updateRecord
/// before a post. A write that throws abandons the focus move and keeps the
/// typed text. Typing while the dataset is in browse puts it into edit first;
/// a read-only control or field, or an inactive dataset, refuses the typing.
class DBEdit : public Edit, private gsf::data::DataLink {
public:
    DBEdit(Container& parent, std::string name);
    const char* ClassName() const override { return "DBEdit"; }
    void Accept(ControlVisitor& visitor) override;

    gsf::data::DataSource* DataSource() const { return binding_.Source(); }
    void SetDataSource(gsf::data::DataSource* source);
    const std::string& DataField() const { return binding_.FieldName(); }
    void SetDataField(std::string name);
    /// The bound field, or nullptr.
    gsf::data::Field* Field() const { return binding_.Field(); }

    /// @throws whatever DataSet::Edit throws when auto-editing.
    bool TypeText(const std::string& typed) override;
    /// Writes the pending typed text into the field now. A text that is no
    /// number is reported naming the label beside this edit (the Label whose
    /// FocusControl it is), else the field's label.
    /// @throws whatever Field::SetText throws; the text stays pending.
    void UpdateRecord();
    /// Reloads the text from the field (drops pending typing).
    void Refresh();
    /// Times the text was reloaded from data.
    int RefreshCount() const { return refreshCount_; }

protected:
    bool canType() const override;
    bool acceptTyped(const std::string& raw) override;
    void beforeExit() override;
    void focusGained() override;
    void focusLost() override;

private:
    void stateChanged() override;
    void dataSetChanged() override;
    void recordChanged(gsf::data::Field* field) override;
    void updateRecord() override;
    bool focusControl(gsf::data::Field& field) override;

    FieldBinding binding_;
    int refreshCount_ = 0;
};

/// Data-aware label: the field's display text of the current record.
class DBText : public Control, private gsf::data::DataLink {
public:
    DBText(Container& parent, std::string name);
    const char* ClassName() const override { return "DBText"; }
    void Accept(ControlVisitor& visitor) override;

    gsf::data::DataSource* DataSource() const { return binding_.Source(); }
    void SetDataSource(gsf::data::DataSource* source);
    const std::string& DataField() const { return binding_.FieldName(); }
    void SetDataField(std::string name);

    /// The text shown (empty without an active dataset or field).
    const std::string& Text() const { return text_; }
    void Refresh();
    int RefreshCount() const { return refreshCount_; }

private:
    void dataSetChanged() override;
    void recordChanged(gsf::data::Field* field) override;
    void stateChanged() override;

    FieldBinding binding_;
    std::string text_;
    int refreshCount_ = 0;
};

enum class NavigateButton { First, Prior, Next, Last };

/// Record navigator: moves the data source's dataset. A disabled navigator,
/// or one without an active dataset, does nothing.
class DBNavigator : public Control, private gsf::data::DataLink {
public:
    DBNavigator(Container& parent, std::string name);
    const char* ClassName() const override { return "DBNavigator"; }
    void Accept(ControlVisitor& visitor) override;

    gsf::data::DataSource* DataSource() const { return binding_.Source(); }
    void SetDataSource(gsf::data::DataSource* source);

    /// The person clicks a button. @return whether the dataset was asked to move.
    /// @throws whatever the dataset's move throws (a post first, scroll handlers).
    bool Click(NavigateButton button);
    /// Whether the button would act now (enabled, active, not already at that end).
    bool ButtonEnabled(NavigateButton button) const;

private:
    void stateChanged() override;
    void dataSetChanged() override;

    FieldBinding binding_;
};

} // namespace gsf::ui
