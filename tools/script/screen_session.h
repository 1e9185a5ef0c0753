#pragma once

#include <string>
#include <variant>
#include <vector>

namespace gsf::data {
class DataSet;
}
namespace gsf::remote {
class RemoteConnection;
}
namespace gsf::ui {
class Form;
}

namespace gsf::script {

/// One item of a screen's process-wide state, as `dump` shows it.
struct UnitValue {
    std::string name;
    std::variant<bool, std::string> value;
};

/// What the interpreter needs from one screen: how to open it, where its
/// form, connection and datasets are, and its process-wide state. The
/// interpreter itself knows no screen.
class ScreenSession {
public:
    virtual ~ScreenSession() = default;

    /// The open screen's form; nullptr while no screen is open (before the
    /// first open, after a completed close).
    virtual ui::Form* form() = 0;
    /// The host opens the screen (creates it, or brings it to the front).
    /// @throws whatever the screen's opening throws.
    virtual void open() = 0;
    /// The host's alternative entry point.
    virtual void iniProc() = 0;
    /// The open screen's connection to the application server, or nullptr.
    virtual remote::RemoteConnection* connection() = 0;
    /// Datasets of the open screen that no control shows (look-ups, checks);
    /// the ones behind the form's data-aware controls are found by themselves.
    virtual std::vector<data::DataSet*> dataSets() = 0;
    /// The screen's process-wide state, in a fixed order.
    virtual std::vector<UnitValue> unitState() = 0;
};

} // namespace gsf::script
