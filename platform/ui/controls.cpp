#include "platform/ui/controls.h"

#include "platform/ui/form.h"

namespace gsf::ui {

void Bevel::SetShape(BevelShape value)
{
    if (shape_ == value)
        return;
    shape_ = value;
    changed();
}

void Label::SetFocusControl(Control* control)
{
    if (focusControl_ == control)
        return;
    focusControl_ = control;
    changed();
}

// --- Edit ---

void Edit::SetText(const std::string& value)
{
    modified_ = false;
    setShownText(value);
}

bool Edit::setShownText(const std::string& value)
{
    if (value == text_)
        return false;
    text_ = value;
    changed();
    if (OnChange)
        OnChange(*this);
    return true;
}

bool Edit::canType() const
{
    return EffectiveEnabled() && Showing() && !readOnly_;
}

std::string Edit::fitTyped(const std::string& typed) const
{
    if (maxLength_ <= 0)
        return typed;
    std::u32string chars = utf8Decode(typed);
    if (chars.size() > static_cast<std::size_t>(maxLength_))
        chars.resize(static_cast<std::size_t>(maxLength_));
    return utf8Encode(chars);
}

bool Edit::acceptTyped(const std::string& raw)
{
    allSelected_ = false;
    modified_ = true;
    setShownText(fitTyped(raw));
    return true;
}

bool Edit::TypeText(const std::string& typed)
{
    if (!canType())
        return false;
    const auto kept = OwnerForm().FilterTypedText(*this, typed);
    return kept && acceptTyped(*kept);
}

void Edit::defaultKeyPress(char32_t ch)
{
    if (!canType())
        return;
    if (allSelected_ && ch == U'\b') {
        acceptTyped("");
        return;
    }
    std::u32string base = allSelected_ ? std::u32string() : utf8Decode(typingBase());
    if (applyTypedKey(base, ch))
        acceptTyped(utf8Encode(base));
}

void Edit::SelectAll()
{
    if (allSelected_)
        return;
    allSelected_ = true;
    changed();
}

void Edit::focusLost()
{
    allSelected_ = false;
}

void Edit::SetMaxLength(int value)
{
    if (maxLength_ == value)
        return;
    maxLength_ = value;
    changed();
}

void Edit::SetReadOnly(bool value)
{
    if (readOnly_ == value)
        return;
    readOnly_ = value;
    changed();
}

// --- MaskEdit ---

void MaskEdit::SetEditMask(const std::string& mask)
{
    if (mask == mask_.Source())
        return;
    // Only the characters in the places travel to the new mask; the old
    // literals would otherwise be taken for typed characters.
    const std::string chars = mask_.PlaceChars(EditText());
    mask_ = EditMask(mask);
    changed();
    setShownText(mask_.Empty() ? chars : mask_.FitPlaces(chars));
}

std::string MaskEdit::Text() const
{
    return mask_.TextOf(EditText());
}

void MaskEdit::SetText(const std::string& value)
{
    Edit::SetText(mask_.Empty() ? value : mask_.FitValue(value));
}

bool MaskEdit::IsComplete() const
{
    return mask_.IsComplete(EditText());
}

std::string MaskEdit::fitTyped(const std::string& typed) const
{
    return mask_.Empty() ? Edit::fitTyped(typed) : mask_.Fit(typed);
}

std::string MaskEdit::typingBase() const
{
    return mask_.PlaceChars(EditText());
}

// --- SpeedButton ---

bool SpeedButton::Click()
{
    if (!EffectiveEnabled() || !Showing())
        return false;
    doClick();
    return true;
}

void SpeedButton::doClick()
{
    if (OnClick)
        OnClick(*this);
}

} // namespace gsf::ui
