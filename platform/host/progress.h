#pragma once

#include <string>

namespace gsf::ui {
class Form;
}

namespace gsf::host {

/// Shows the progress indicator over @p form (may be null) through the
/// current Interaction. Showing again while shown changes kind and caption.
void ActiveShowAvi(const ui::Form* form, int animationKind, const std::string& caption);
/// Hides the progress indicator; does nothing when none is shown.
void DeactiveShowAvi();
/// @return true while the progress indicator is shown.
bool ShowAviActive();

/// Shows the progress indicator for the lifetime of the scope (ActiveShowAvi)
/// and hides it on every way out, an error's included (DeactiveShowAvi).
class ProgressScope {
public:
    ProgressScope(const ui::Form* form, int animationKind, const std::string& caption)
    {
        ActiveShowAvi(form, animationKind, caption);
    }
    ~ProgressScope();
    ProgressScope(const ProgressScope&) = delete;
    ProgressScope& operator=(const ProgressScope&) = delete;
};

} // namespace gsf::host
