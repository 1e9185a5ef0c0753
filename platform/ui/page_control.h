#pragma once

#include "platform/ui/control.h"

#include <functional>
#include <string>
#include <vector>

namespace gsf::ui {

class TabSheet;

/// Pages with tabs; one active page at a time. The page control itself can
/// hold the focus (its tabs).
///
/// SetActivePage (the program) runs no event and selects even a disabled
/// page, whose controls still cannot take the focus while it is disabled.
/// SelectTab (the person) ignores a disabled page; otherwise OnChanging (may
/// refuse by clearing allowChange or by throwing), the change, OnChange.
/// Either way, when the focused control sits on the page being left, the
/// focus first moves to the page control (with the usual exit events; an exit
/// that throws abandons the change).
/// OnExit (inherited) runs when the focus leaves the page control and its
/// pages for a control outside them.
class PageControl : public Container {
public:
    using Event = std::function<void(PageControl&)>;
    using ChangingEvent = std::function<void(PageControl&, bool& allowChange)>;

    /// Not a tab stop: Tab goes from the control before it straight into the
    /// page in front (SetTabStop(true) makes the tabs a stop again).
    PageControl(Container& parent, std::string name);
    const char* ClassName() const override { return "PageControl"; }
    void Accept(ControlVisitor& visitor) override;
    bool AcceptsFocus() const override { return true; }

    /// Pages in tab order (creation order unless PageIndex was set).
    const std::vector<TabSheet*>& Pages() const { return pages_; }
    int PageCount() const { return static_cast<int>(pages_.size()); }
    TabSheet* ActivePage() const { return active_; }
    /// -1 when there is no active page.
    int ActivePageIndex() const;

    /// The program selects @p page; no event runs. Nothing when already active.
    /// @throws std::invalid_argument when the page belongs to another page control.
    void SetActivePage(TabSheet& page);
    /// The person clicks the tab of @p page. @return true when the page changed.
    /// @throws whatever OnChanging, a focus exit or OnChange throws.
    bool SelectTab(TabSheet& page);
    /// The person chooses the next (or previous) enabled, visible page,
    /// wrapping around, as with SelectTab. @return true when the page changed.
    bool SelectNextPage(bool forward);

    /// Before the person's change of page; set allowChange false (or throw) to refuse.
    ChangingEvent OnChanging;
    /// After the person's change of page.
    Event OnChange;

protected:
    /// Left and Right on the focused tabs choose the neighbouring page.
    void defaultKeyDown(int& key, ShiftState shift) override;

private:
    friend class TabSheet;
    bool changePage(TabSheet& page);
    std::vector<TabSheet*> pages_;
    TabSheet* active_ = nullptr;
};

/// One page of a PageControl; its parent must be the page control.
/// Enabled() is the page's own state: a disabled page's tab cannot be chosen
/// and its controls cannot take the focus.
class TabSheet : public Container {
public:
    TabSheet(PageControl& parent, std::string name);
    const char* ClassName() const override { return "TabSheet"; }
    void Accept(ControlVisitor& visitor) override;

    PageControl& Pages() const { return *pages_; }
    /// Position among the pages.
    int PageIndex() const;
    void SetPageIndex(int index);
    /// Whether this page is the active page of its page control.
    bool IsActive() const;

protected:
    void attached() override;

private:
    PageControl* pages_;
};

} // namespace gsf::ui
