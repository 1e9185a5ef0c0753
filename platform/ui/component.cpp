#include "platform/ui/component.h"

#include "platform/ui/form.h"
#include "platform/ui/menu.h"

namespace gsf::ui {

void Component::SetTag(int tag)
{
    if (tag_ == tag)
        return;
    tag_ = tag;
    changed();
}

void Component::changed()
{
    if (auto* control = dynamic_cast<Control*>(this))
        form_->notify([control](FormObserver& o) { o.controlChanged(*control); });
    else if (auto* item = dynamic_cast<MenuItem*>(this))
        form_->notify([item](FormObserver& o) { o.menuChanged(*item); });
}

} // namespace gsf::ui
