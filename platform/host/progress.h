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

} // namespace gsf::host
