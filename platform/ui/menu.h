#pragma once

#include "platform/ui/component.h"

#include <functional>
#include <string>
#include <vector>

namespace gsf::ui {

class MainMenu;

/// A menu entry: caption ("&Grupo de Serviço", "&" marks the accelerator),
/// enabled, checked, visible, sub-entries. A caption of "-" is a separator.
class MenuItem : public Component {
public:
    using Event = std::function<void(MenuItem&)>;

    /// An entry under @p parent (a MainMenu is a MenuItem too).
    MenuItem(MenuItem& parent, std::string name, std::string caption = {});
    const char* ClassName() const override { return "MenuItem"; }

    /// nullptr for a main menu.
    MenuItem* Parent() const { return parent_; }
    const std::vector<MenuItem*>& Items() const { return items_; }
    /// Position among the parent's entries.
    int MenuIndex() const;
    /// Moves this entry to @p index among its parent's entries.
    void SetMenuIndex(int index);

    const std::string& Caption() const { return caption_; }
    void SetCaption(std::string value);
    bool IsSeparator() const { return caption_ == "-"; }
    bool Enabled() const { return enabled_; }
    void SetEnabled(bool value);
    bool Checked() const { return checked_; }
    void SetChecked(bool value);
    bool Visible() const { return visible_; }
    void SetVisible(bool value);
    const std::string& Hint() const { return hint_; }
    void SetHint(std::string value);

    /// The person chooses the entry: OnClick when enabled, visible and not a
    /// separator (and every parent entry enabled). @return whether it ran.
    bool Click();

    Event OnClick;

protected:
    /// For a main menu: no parent.
    MenuItem(Form& form, std::string name);
    void attached() override;

private:
    void notifyChanged();
    MenuItem* parent_ = nullptr;
    std::vector<MenuItem*> items_;
    std::string caption_;
    std::string hint_;
    bool enabled_ = true;
    bool checked_ = false;
    bool visible_ = true;
};

/// The window's menu bar; its entries are the top-level menus.
class MainMenu : public MenuItem {
public:
    MainMenu(Form& form, std::string name) : MenuItem(form, std::move(name)) {}
    const char* ClassName() const override { return "MainMenu"; }
};

} // namespace gsf::ui
