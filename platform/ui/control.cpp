#include "platform/ui/control.h"

#include "platform/ui/form.h"
#include "platform/ui/page_control.h"

#include <algorithm>

namespace gsf::ui {

Control::Control(Container& parent, std::string name)
    : Component(&parent.OwnerForm(), std::move(name)), parent_(&parent)
{}

Control::Control(Form& self, std::string name) : Component(&self, std::move(name)) {}

void Control::attached()
{
    creationIndex_ = static_cast<int>(OwnerForm().Components().size());
    tabOrder_ = static_cast<int>(parent_->children_.size());
    parent_->children_.push_back(this);
}

void Control::SetEnabled(bool value)
{
    if (enabled_ == value)
        return;
    enabled_ = value;
    changed();
}

bool Control::EffectiveEnabled() const
{
    for (const Control* c = this; c != nullptr; c = c->parent_) {
        if (!c->enabled_)
            return false;
    }
    return true;
}

void Control::SetVisible(bool value)
{
    if (visible_ == value)
        return;
    visible_ = value;
    changed();
}

bool Control::Showing() const
{
    // The form's own visibility does not count: a form can be driven before
    // it is shown (tests, the headless driver).
    for (const Control* c = this; c != nullptr && c->parent_ != nullptr; c = c->parent_) {
        if (!c->visible_)
            return false;
        if (auto* page = dynamic_cast<const TabSheet*>(c); page != nullptr && !page->IsActive())
            return false;
    }
    return true;
}

void Control::SetTabOrder(int value)
{
    if (tabOrder_ == value)
        return;
    tabOrder_ = value;
    changed();
}

void Control::SetTabStop(bool value)
{
    if (tabStop_ == value)
        return;
    tabStop_ = value;
    changed();
}

void Control::SetHint(std::string value)
{
    if (hint_ == value)
        return;
    hint_ = std::move(value);
    changed();
}

void Control::SetCaption(std::string value)
{
    if (caption_ == value)
        return;
    caption_ = std::move(value);
    changed();
}

void Control::SetBounds(Bounds value)
{
    if (bounds_ == value)
        return;
    bounds_ = value;
    changed();
}

void Control::SetAlign(Align value)
{
    if (align_ == value)
        return;
    align_ = value;
    changed();
}

void Control::SetColor(ColorRole value)
{
    if (color_ == value)
        return;
    color_ = value;
    changed();
}

bool Control::CanFocus() const
{
    return AcceptsFocus() && EffectiveEnabled() && Showing();
}

bool Control::Focused() const
{
    return OwnerForm().FocusedControl() == this;
}

void Control::SetFocus()
{
    OwnerForm().SetFocus(*this);
}

bool Control::IsInside(const Control& other) const
{
    for (const Control* c = this; c != nullptr; c = c->parent_) {
        if (c == &other)
            return true;
    }
    return false;
}

std::vector<Control*> Container::TabOrderedControls() const
{
    std::vector<Control*> ordered = children_;
    std::stable_sort(ordered.begin(), ordered.end(), [](const Control* a, const Control* b) {
        return a->TabOrder() != b->TabOrder() ? a->TabOrder() < b->TabOrder() : a->creationIndex_ < b->creationIndex_;
    });
    return ordered;
}

} // namespace gsf::ui
