#include "platform/ui/page_control.h"

#include "platform/ui/form.h"

#include <algorithm>
#include <stdexcept>

namespace gsf::ui {

namespace {

void checkOwner(const PageControl& pages, const TabSheet& page)
{
    if (&page.Pages() != &pages)
        throw std::invalid_argument("A página \"" + page.Name() + "\" não pertence a \"" + pages.Name() + "\".");
}

} // namespace

PageControl::PageControl(Container& parent, std::string name) : Container(parent, std::move(name))
{
    // Tab walks through the controls of the page in front; the tabs
    // themselves are chosen with Ctrl+Tab, the menu or the mouse.
    SetTabStop(false);
}

bool PageControl::SelectNextPage(bool forward)
{
    const int count = PageCount();
    const int start = ActivePageIndex();
    for (int step = 1; step < count; ++step) {
        const int i = ((start + (forward ? step : -step)) % count + count) % count;
        TabSheet& page = *pages_[static_cast<std::size_t>(i)];
        if (page.Enabled() && page.Visible())
            return SelectTab(page);
    }
    return false;
}

void PageControl::defaultKeyDown(int& key, ShiftState shift)
{
    // With the focus on the tabs, Left and Right choose the neighbouring page.
    if ((key == VK_LEFT || key == VK_RIGHT) && shift.None()) {
        SelectNextPage(key == VK_RIGHT);
        key = 0;
    }
}

int PageControl::ActivePageIndex() const
{
    return active_ == nullptr ? -1 : active_->PageIndex();
}

void PageControl::SetActivePage(TabSheet& page)
{
    checkOwner(*this, page);
    if (active_ == &page)
        return;
    changePage(page);
}

bool PageControl::SelectTab(TabSheet& page)
{
    checkOwner(*this, page);
    if (active_ == &page || !page.Enabled() || !EffectiveEnabled() || !Showing())
        return false;
    bool allow = true;
    if (OnChanging)
        OnChanging(*this, allow);
    if (!allow || !changePage(page))
        return false;
    if (OnChange)
        OnChange(*this);
    return true;
}

bool PageControl::changePage(TabSheet& page)
{
    // A focused control on the page being hidden hands the focus to the page
    // control first; if its exit refuses (or sends the focus elsewhere on the
    // same page) the page stays.
    Form& form = OwnerForm();
    Control* focused = form.FocusedControl();
    if (active_ != nullptr && focused != nullptr && focused->IsInside(*active_)) {
        if (CanFocus())
            form.SetFocus(*this);
        Control* now = form.FocusedControl();
        if (now != nullptr && now->IsInside(*active_) && CanFocus())
            return false;
    }
    active_ = &page;
    changed();
    form.notify([this](FormObserver& o) { o.pageChanged(*this); });
    return true;
}

TabSheet::TabSheet(PageControl& parent, std::string name) : Container(parent, std::move(name)), pages_(&parent) {}

void TabSheet::attached()
{
    Container::attached();
    pages_->pages_.push_back(this);
    if (pages_->active_ == nullptr)
        pages_->active_ = this;
}

int TabSheet::PageIndex() const
{
    const auto& pages = pages_->pages_;
    return static_cast<int>(std::find(pages.begin(), pages.end(), this) - pages.begin());
}

void TabSheet::SetPageIndex(int index)
{
    auto& pages = pages_->pages_;
    const int count = static_cast<int>(pages.size());
    index = std::clamp(index, 0, count - 1);
    const int current = PageIndex();
    if (current == index)
        return;
    pages.erase(pages.begin() + current);
    pages.insert(pages.begin() + index, this);
    pages_->changed();
}

bool TabSheet::IsActive() const
{
    return pages_->active_ == this;
}

} // namespace gsf::ui
