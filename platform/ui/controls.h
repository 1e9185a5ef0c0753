#pragma once

#include "platform/ui/control.h"
#include "platform/ui/edit_mask.h"

#include <functional>
#include <string>

namespace gsf::ui {

enum class BevelShape { Box, Frame, TopLine, BottomLine, LeftLine, RightLine };

/// A drawn line or frame; no input.
class Bevel : public Control {
public:
    Bevel(Container& parent, std::string name) : Control(parent, std::move(name)) {}
    const char* ClassName() const override { return "Bevel"; }
    void Accept(ControlVisitor& visitor) override;
    BevelShape Shape() const { return shape_; }
    void SetShape(BevelShape value);

private:
    BevelShape shape_ = BevelShape::Box;
};

/// Static text (Caption); may name the control its accelerator focuses.
class Label : public Control {
public:
    Label(Container& parent, std::string name) : Control(parent, std::move(name)) {}
    const char* ClassName() const override { return "Label"; }
    void Accept(ControlVisitor& visitor) override;
    Control* FocusControl() const { return focusControl_; }
    void SetFocusControl(Control* control);

private:
    Control* focusControl_ = nullptr;
};

/// Single-line text input.
///
/// OnChange fires only when the text really changes, whether the program
/// wrote it (SetText) or the person typed it (TypeText, KeyPress).
class Edit : public Control {
public:
    using Event = std::function<void(Control&)>;

    Edit(Container& parent, std::string name) : Control(parent, std::move(name)) {}
    const char* ClassName() const override { return "Edit"; }
    void Accept(ControlVisitor& visitor) override;
    bool AcceptsFocus() const override { return true; }

    /// The value: for a plain edit what is shown; a masked edit may leave out
    /// literals and blanks (see MaskEdit).
    virtual std::string Text() const { return text_; }
    /// The program writes the value; OnChange when the shown text differs.
    /// MaxLength does not limit the program.
    virtual void SetText(const std::string& value);
    /// What the person sees in the box.
    const std::string& EditText() const { return text_; }
    /// The person replaces the whole text by typing @p typed: each character
    /// goes through the key-press handlers (a swallowed one is dropped), the
    /// result is cut at MaxLength (a masked edit fits it into the mask).
    /// @return false when refused: not effectively enabled, not showing,
    /// read-only, or every typed character swallowed.
    virtual bool TypeText(const std::string& typed);

    /// Maximum characters (UTF-8 code points) the person may type; 0: no limit.
    int MaxLength() const { return maxLength_; }
    void SetMaxLength(int value);
    bool ReadOnly() const { return readOnly_; }
    void SetReadOnly(bool value);
    /// Typed since the last SetText or refresh from data.
    bool Modified() const { return modified_; }
    void SetModified(bool value) { modified_ = value; }
    /// The whole text is selected: the next typed character replaces it (a
    /// backspace clears it). Set when the edit is entered by Tab; cleared by
    /// typing and when the focus leaves.
    bool AllSelected() const { return allSelected_; }
    void SelectAll();

    Event OnChange;

protected:
    /// Stores the shown text; OnChange when it differs. @return whether it changed.
    bool setShownText(const std::string& value);
    /// Whether the person may type here now.
    virtual bool canType() const;
    /// Shapes the typed (already filtered) text into what will be shown.
    virtual std::string fitTyped(const std::string& typed) const;
    /// The person's typed text, once filtered and fitted, becomes the shown text.
    /// @return false when refused.
    virtual bool acceptTyped(const std::string& raw);
    /// The characters a typed key is added to (a masked edit: its place characters).
    virtual std::string typingBase() const { return text_; }
    void defaultKeyPress(char32_t ch) override;
    void enteredByTab() override { SelectAll(); }
    void focusLost() override;

private:
    std::string text_;
    int maxLength_ = 0;
    bool readOnly_ = false;
    bool modified_ = false;
    bool allSelected_ = false;
};

/// Edit with an edit mask ("mask;save-literals;blank", see EditMask).
///
/// EditText() is what the person sees (literals and blanks included); Text()
/// is the value (literals only when saved, no blank placeholders). Setting a
/// mask reformats the characters already there (an OnChange when the shown
/// text differs); removing it (empty mask) keeps the characters and loses the
/// literals. With a mask, the mask's places limit the length, not MaxLength.
class MaskEdit : public Edit {
public:
    MaskEdit(Container& parent, std::string name) : Edit(parent, std::move(name)) {}
    const char* ClassName() const override { return "MaskEdit"; }
    void Accept(ControlVisitor& visitor) override;

    const std::string& GetEditMask() const { return mask_.Source(); }
    void SetEditMask(const std::string& mask);
    const EditMask& Mask() const { return mask_; }

    std::string Text() const override;
    /// Lays @p value into the mask (literals in the value are matched when present).
    void SetText(const std::string& value) override;
    /// Every required place of the mask is filled.
    bool IsComplete() const;

protected:
    std::string fitTyped(const std::string& typed) const override;
    std::string typingBase() const override;

private:
    EditMask mask_;
};

/// Command button: runs OnClick when enabled; never takes the focus.
///
/// Subclasses that add behaviour (the host's look-up button) override doClick().
class SpeedButton : public Control {
public:
    using Event = std::function<void(Control&)>;

    SpeedButton(Container& parent, std::string name) : Control(parent, std::move(name)) {}
    const char* ClassName() const override { return "SpeedButton"; }
    void Accept(ControlVisitor& visitor) override;

    /// The person clicks. A button that is not effectively enabled or not
    /// showing does nothing. @return whether the click ran.
    /// @throws whatever the click's handling throws.
    bool Click();

    Event OnClick;

protected:
    /// The click's work; by default OnClick.
    virtual void doClick();
};

/// Button beside an edit that opens a pick list; the host supplies the
/// look-up itself by overriding doClick(). On its own it acts like SpeedButton.
class LookupButton : public SpeedButton {
public:
    LookupButton(Container& parent, std::string name) : SpeedButton(parent, std::move(name)) {}
    const char* ClassName() const override { return "LookupButton"; }
    void Accept(ControlVisitor& visitor) override;
};

} // namespace gsf::ui
