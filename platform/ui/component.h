#pragma once

#include <string>

namespace gsf::ui {

class Form;

/// Anything a form owns by name: every control, the main menu and its entries.
///
/// Components are created and owned by their form (Form::Add) and live as long
/// as it does. Every property change goes through changed(), which tells the
/// form's observers, so a renderer can mirror the model without polling.
class Component {
public:
    virtual ~Component() = default;
    Component(const Component&) = delete;
    Component& operator=(const Component&) = delete;

    /// Unique within the form ("medCdFilial"); may be empty for unnamed helpers.
    const std::string& Name() const { return name_; }
    /// The form that owns this component (the form itself for a form).
    Form& OwnerForm() const { return *form_; }

    /// Free integer for the program's own use; the model never reads it.
    int Tag() const { return tag_; }
    void SetTag(int tag);

    /// Kind of the component for dumps and renderers ("Edit", "DBGrid", ...).
    virtual const char* ClassName() const = 0;

protected:
    Component(Form* form, std::string name) : form_(form), name_(std::move(name)) {}

    /// Reports a change of any visible property to the form's observers.
    void changed();
    /// Runs once the form has taken ownership (links the component to its parent).
    virtual void attached() {}

private:
    friend class Form;
    Form* form_;
    std::string name_;
    int tag_ = 0;
};

} // namespace gsf::ui
