#pragma once

#include "platform/ui/keys.h"

#include <QString>

class QKeyEvent;

namespace gsf::ui {
class EditMask;
}

namespace gsf::qt {

/// The Qt input mask that accepts what @p mask accepts, place by place, with
/// the same literals, case conversion and blank character.
/// @return an empty string for an empty mask.
QString qtInputMask(const ui::EditMask& mask);

/// A key as the control model knows it.
struct ModelKey {
    int key = 0; ///< virtual-key code; 0 when the model has no code for it
    ui::ShiftState shift;
};

/// Translates a Qt key event (Backtab becomes Shift+Tab, Enter becomes Return).
ModelKey modelKey(const QKeyEvent& event);

/// Keys whose whole effect belongs to the model (focus moves, shortcuts,
/// grid navigation): the widget must not act on them as well.
bool modelOnlyKey(int key);

} // namespace gsf::qt
