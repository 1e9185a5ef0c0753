#pragma once

namespace gsf::ui {

// Virtual-key codes, as the keyboard reports them. Letters use their upper-case
// character code ('A' .. 'Z').
inline constexpr int VK_BACK = 8;
inline constexpr int VK_TAB = 9;
inline constexpr int VK_RETURN = 13;
inline constexpr int VK_ESCAPE = 27;
inline constexpr int VK_PRIOR = 33; ///< page up
inline constexpr int VK_NEXT = 34;  ///< page down
inline constexpr int VK_END = 35;
inline constexpr int VK_HOME = 36;
inline constexpr int VK_LEFT = 37;
inline constexpr int VK_UP = 38;
inline constexpr int VK_RIGHT = 39;
inline constexpr int VK_DOWN = 40;
inline constexpr int VK_INSERT = 45;
inline constexpr int VK_DELETE = 46;
inline constexpr int VK_F1 = 112;
inline constexpr int VK_F2 = 113;
inline constexpr int VK_F4 = 115;
inline constexpr int VK_F12 = 123;

/// Modifier keys held while a key goes down.
/// Use as `ShiftState::Ctrl`, or `ShiftState::Ctrl | ShiftState::Shift`.
struct ShiftState {
    static constexpr unsigned Shift = 1;
    static constexpr unsigned Ctrl = 2;
    static constexpr unsigned Alt = 4;

    unsigned flags = 0;

    constexpr ShiftState() = default;
    constexpr ShiftState(unsigned f) : flags(f) {} // NOLINT: implicit on purpose

    /// @return true when every flag of @p f is held (and @p f is not empty).
    constexpr bool Has(unsigned f) const { return f != 0 && (flags & f) == f; }
    constexpr bool None() const { return flags == 0; }
    constexpr bool operator==(const ShiftState&) const = default;
};

} // namespace gsf::ui
