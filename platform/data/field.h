#pragma once

#include "platform/data/packet.h"
#include "platform/data/value.h"

#include <functional>
#include <stdexcept>
#include <string>

namespace gsf::data {

class DataSet;

/// A refused operation on a dataset or field; the message is in Portuguese
/// and names the field or dataset concerned.
class DataError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

/// A text that does not convert to a number. The message names the field by
/// its label; a control that shows the field under another name (a grid's
/// column title, the label beside an edit) reports it with Renamed.
class ConversionError : public DataError {
public:
    ConversionError(std::string text, const std::string& fieldName);
    /// The text that did not convert.
    const std::string& Text() const { return text_; }
    /// The same refusal naming the field @p fieldName.
    ConversionError Renamed(const std::string& fieldName) const { return {text_, fieldName}; }

private:
    std::string text_;
};

/// Persistent field definition, as the screen declares it.
struct FieldDef {
    std::string name;
    FieldType type = FieldType::String;
    int size = 0;        ///< characters, for text fields
    std::string label;   ///< display label ("Código")
    bool visible = true; ///< false: hidden in grids
    bool readOnly = false;
    bool required = false;
    std::string displayFormat; ///< number format, e.g. "#,##0.000" or "0.00%"
    std::string editFormat;    ///< number format used for editing; displayFormat when empty
    std::string editMask;      ///< "mask;save-literals;blank", used by the controls
    /// Float fields: a typed text is rounded to this many decimals, half away
    /// from zero, so that what is shown is what is stored. Numbers written as
    /// numbers (SetAsFloat, loaded packets) keep every digit. -1: no rounding.
    int decimals = -1;
};

/// A field of a dataset: reads and writes the current record.
///
/// Writes are refused with a DataError (a Portuguese message naming the field)
/// when the dataset is not in edit or insert state, when the field is
/// read-only, when a text is longer than the field's size in characters (UTF-8
/// code points) or is not valid UTF-8, or when a text does not convert to a
/// number. A refused write stores nothing.
class Field {
public:
    Field(DataSet& owner, FieldDef def);
    Field(const Field&) = delete;
    Field& operator=(const Field&) = delete;

    const FieldDef& Def() const { return def_; }
    const std::string& FieldName() const { return def_.name; }
    const std::string& DisplayLabel() const; ///< label, or the name when there is none
    FieldType DataType() const { return def_.type; }
    int Size() const { return def_.size; }
    bool Visible() const { return def_.visible; }
    bool ReadOnly() const { return def_.readOnly; }
    void SetReadOnly(bool value) { def_.readOnly = value; }
    const std::string& EditMask() const { return def_.editMask; }
    DataSet& Owner() const { return owner_; }
    int Index() const { return index_; }

    /// Current value; during the validate hook, the value about to be stored.
    Value AsValue() const;
    bool IsNull() const;
    /// Text of the value: a number in plain pt-BR form ("2,5"); null gives "".
    std::string AsString() const;
    /// Number of the value; a null reads 0. @throws for a text that is not a number.
    double AsFloat() const;

    /// Stores a value, converted to the field's type (a text for a float field
    /// is read as a pt-BR number). Runs OnValidate first; when it throws,
    /// nothing is stored. @throws DataError when the write is refused.
    void SetValue(const Value& value);
    /// "" stores null for numbers; a number's text is rounded to FieldDef::decimals.
    void SetAsString(const std::string& text);
    void SetAsFloat(double value);
    void Clear(); ///< stores null

    /// Display text (get-text hook with displayText true, else the display format).
    std::string DisplayText() const;
    /// Edit text (get-text hook with displayText false, else the edit format,
    /// else the display format).
    std::string Text() const;
    /// Stores a typed text: the set-text hook when there is one, otherwise the
    /// text parsed by the field's type (pt-BR numbers; "" is null).
    void SetText(const std::string& text);

    /// Asks the first control that shows this field to take the focus.
    void FocusControl();

    /// Runs before a new value is stored: AsValue/AsFloat/AsString of this
    /// field give the new value; it may write other fields of the record;
    /// throwing refuses the value.
    std::function<void(Field&)> OnValidate;
    /// Gets @p text already filled with the formatted value; may replace it.
    std::function<void(Field&, std::string& text, bool displayText)> OnGetText;
    /// Replaces the conversion of typed text; usually ends in SetAsString.
    std::function<void(Field&, const std::string& text)> OnSetText;

private:
    friend class DataSet;
    void store(Value value);
    std::string formatted(const Value& value, bool forDisplay) const;

    DataSet& owner_;
    FieldDef def_;
    int index_ = -1;
    const Value* validating_ = nullptr;
};

} // namespace gsf::data
