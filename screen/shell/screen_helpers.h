#pragma once

#include "platform/data/dataset.h"
#include "platform/host/errors.h"
#include "platform/ui/control.h"
#include "records/fields.h"

#include <exception>
#include <string>
#include <utility>

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
inline std::string currentText(const data::DataSet& dataSet, data::FieldKey field)
{
    return dataSet.Active() ? dataSet.FieldByName(field).AsString() : std::string();
}

/// Moves the focus to @p control when it can take it. The validators call it
/// on their way out with an error: a refused focus move must not replace the
/// message the person has to see.
inline void focusIfCan(ui::Control& control)
{
    if (control.CanFocus())
        control.SetFocus();
}

/// The packet of a successful server call. A failure raises the server's
/// error (the dispatcher shows it) after hiding the progress indicator.
/// @throws host::ServerError, data::PacketError
inline data::DecodedPacket confereServ(const remote::CallResult& result)
{
    return host::CheckResultServ(result, true, 0);
}

/// Runs @p recovery when the scope is left by an error, which then goes on:
/// how a handler puts the page and the focus back where the person has to act
/// before its refusal continues. A failure of the recovery itself is
/// dropped: its message has been shown, and the first error is the one that
/// continues.
template <class Recovery>
class OnFailure {
public:
    explicit OnFailure(Recovery recovery) : recovery_(std::move(recovery)), unwinding_(std::uncaught_exceptions()) {}
    ~OnFailure()
    {
        if (std::uncaught_exceptions() <= unwinding_)
            return;
        try {
            recovery_();
        } catch (...) {}
    }
    OnFailure(const OnFailure&) = delete;
    OnFailure& operator=(const OnFailure&) = delete;

private:
    Recovery recovery_;
    int unwinding_;
};

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
