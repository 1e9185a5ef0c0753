#pragma once

// What the command handlers of the interpreter share: the texts they write
// and the look-ups of the form's controls. Included by the interpreter's own
// .cpp files only.

#include "platform/ui/ui.h"
#include "tools/script/interpreter.h"

#include <optional>
#include <string>
#include <vector>

namespace gsf::script {

std::string inQuotes(const std::string& text);
/// The items joined by blanks, or @p empty when there are none.
std::string joined(const std::vector<std::string>& items, const std::string& empty);
/// The arguments as a call line prints them: ["A", "B"].
std::string argumentList(const std::vector<std::string>& args);
/// Positive whole number written in decimal digits only, or nullopt.
std::optional<int> positiveNumber(const std::string& text);

template <class T>
T& Interpreter::controlOf(const std::string& name, const char* kind) const
{
    ui::Form& form = openForm();
    ui::Control* control = form.FindControl(name);
    if (control == nullptr)
        fail(Status::BadScript, "controle desconhecido \"" + name + "\"");
    auto* typed = dynamic_cast<T*>(control);
    if (typed == nullptr)
        fail(Status::BadScript, "\"" + name + "\" não é " + kind + " (é " + control->ClassName() + ")");
    return *typed;
}

template <class T>
T& Interpreter::reachable(const std::string& name, const char* kind) const
{
    T& control = controlOf<T>(name, kind);
    requireShowing(control);
    return control;
}

} // namespace gsf::script
