#pragma once

#include "platform/data/dataset.h"
#include "platform/ui/control.h"

#include <string>

namespace gsf::screen {

/// Edit or insert.
inline bool editing(data::DataSetState state)
{
    return state == data::DataSetState::Edit || state == data::DataSetState::Insert;
}

/// Inactive datasets count as empty: there is nothing in them to act on.
inline bool emptyOrClosed(const data::DataSet& dataSet)
{
    return !dataSet.Active() || dataSet.IsEmpty();
}

/// Text of a field of the current record; "" for a closed or empty dataset.
inline std::string currentText(const data::DataSet& dataSet, const char* fieldName)
{
    return dataSet.Active() ? dataSet.FieldByName(fieldName).AsString() : std::string();
}

/// Moves the focus to @p control when it can take it. The validators call it
/// on their way out with an error: a refused focus move must not replace the
/// message the person has to see.
inline void focusIfCan(ui::Control& control)
{
    if (control.CanFocus())
        control.SetFocus();
}

/// Holds a flag at @p during for the lifetime of the guard and gives it the
/// other value on every way out.
class ScopedFlag {
public:
    ScopedFlag(bool& flag, bool during) : flag_(flag), after_(!during) { flag_ = during; }
    ~ScopedFlag() { flag_ = after_; }
    ScopedFlag(const ScopedFlag&) = delete;
    ScopedFlag& operator=(const ScopedFlag&) = delete;

private:
    bool& flag_;
    bool after_;
};

/// Clears a flag for the lifetime of the guard and sets it again on every way out.
class FlagOff : public ScopedFlag {
public:
    explicit FlagOff(bool& flag) : ScopedFlag(flag, false) {}
};

} // namespace gsf::screen
