#include "platform/ui/menu.h"

#include "platform/ui/form.h"

#include <algorithm>

namespace gsf::ui {

MenuItem::MenuItem(MenuItem& parent, std::string name, std::string caption)
    : Component(&parent.OwnerForm(), std::move(name)), parent_(&parent), caption_(std::move(caption))
{}

MenuItem::MenuItem(Form& form, std::string name) : Component(&form, std::move(name)) {}

void MenuItem::attached()
{
    if (parent_ != nullptr)
        parent_->items_.push_back(this);
}

int MenuItem::MenuIndex() const
{
    if (parent_ == nullptr)
        return 0;
    const auto& items = parent_->items_;
    return static_cast<int>(std::find(items.begin(), items.end(), this) - items.begin());
}

void MenuItem::SetMenuIndex(int index)
{
    if (parent_ == nullptr)
        return;
    auto& items = parent_->items_;
    index = std::clamp(index, 0, static_cast<int>(items.size()) - 1);
    const int current = MenuIndex();
    if (current == index)
        return;
    items.erase(items.begin() + current);
    items.insert(items.begin() + index, this);
    parent_->notifyChanged();
}

void MenuItem::notifyChanged()
{
    changed();
}

void MenuItem::SetCaption(std::string value)
{
    if (caption_ == value)
        return;
    caption_ = std::move(value);
    changed();
}

void MenuItem::SetEnabled(bool value)
{
    if (enabled_ == value)
        return;
    enabled_ = value;
    changed();
}

void MenuItem::SetChecked(bool value)
{
    if (checked_ == value)
        return;
    checked_ = value;
    changed();
}

void MenuItem::SetVisible(bool value)
{
    if (visible_ == value)
        return;
    visible_ = value;
    changed();
}

void MenuItem::SetHint(std::string value)
{
    if (hint_ == value)
        return;
    hint_ = std::move(value);
    changed();
}

bool MenuItem::Click()
{
    if (IsSeparator())
        return false;
    for (const MenuItem* item = this; item != nullptr; item = item->parent_) {
        if (!item->enabled_ || !item->visible_)
            return false;
    }
    if (OnClick)
        OnClick(*this);
    return true;
}

} // namespace gsf::ui
