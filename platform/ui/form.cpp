#include "platform/ui/form.h"

#include "platform/ui/db_grid.h"
#include "platform/ui/edit_mask.h"
#include "platform/ui/menu.h"
#include "platform/ui/page_control.h"

#include <algorithm>

namespace gsf::ui {

namespace {

const char* const cannotFocus = "Não é possível focar um controle desabilitado ou invisível.";

} // namespace

Form::Form(std::string name) : Container(*this, std::move(name))
{
    visible_ = false;
}

Form::~Form()
{
    DestroyComponents();
}

void Form::DestroyComponents()
{
    focused_ = nullptr;
    position_ = nullptr;
    activeControl_ = nullptr;
    menu_ = nullptr;
    byName_.clear();
    order_.clear();
    // Children before their containers: the reverse of creation order.
    while (!owned_.empty())
        owned_.pop_back();
}

void Form::adopt(std::unique_ptr<Component> component)
{
    const std::string& name = component->Name();
    if (!name.empty() && (name == Name() || byName_.count(name) != 0))
        throw std::invalid_argument("Já existe um componente com o nome \"" + name + "\".");
    Component* raw = component.get();
    owned_.push_back(std::move(component));
    raw->attached();
    order_.push_back(raw);
    if (!name.empty())
        byName_.emplace(name, raw);
    if (auto* menu = dynamic_cast<MainMenu*>(raw); menu != nullptr && menu_ == nullptr)
        menu_ = menu;
}

Component* Form::FindComponent(std::string_view name) const
{
    auto it = byName_.find(name);
    return it == byName_.end() ? nullptr : it->second;
}

Control* Form::FindControl(std::string_view name) const
{
    if (name == Name())
        return const_cast<Form*>(this);
    return dynamic_cast<Control*>(FindComponent(name));
}

MenuItem* Form::FindMenuItem(std::string_view name) const
{
    return dynamic_cast<MenuItem*>(FindComponent(name));
}

void Form::SetObserver(FormObserver* observer)
{
    observers_.clear();
    if (observer != nullptr)
        observers_.push_back(observer);
}

void Form::AddObserver(FormObserver* observer)
{
    if (observer != nullptr && std::find(observers_.begin(), observers_.end(), observer) == observers_.end())
        observers_.push_back(observer);
}

void Form::RemoveObserver(FormObserver* observer)
{
    observers_.erase(std::remove(observers_.begin(), observers_.end(), observer), observers_.end());
}

void Form::SetFocus(Control& control)
{
    if (&control.OwnerForm() != this || !control.CanFocus())
        throw FocusError(cannotFocus);
    if (focused_ == &control)
        return;
    moveFocus(&control);
}

void Form::moveFocus(Control* target)
{
    const unsigned seq = ++focusSeq_;
    Control* from = focused_;
    try {
        if (!runExits(target, seq))
            return;
    } catch (...) {
        if (seq == focusSeq_)
            position_ = focused_; // the move is abandoned: the focus never left
        throw;
    }

    // Enter events from the outermost container entered down to the control.
    std::vector<Control*> entered;
    for (Control* c = target; c != nullptr && c != this; c = c->Parent()) {
        if (position_ != nullptr && position_->IsInside(*c))
            break;
        entered.push_back(c);
    }
    focused_ = target;
    position_ = target;
    notify([from, target](FormObserver& o) { o.focusChanged(from, target); });
    if (from != nullptr)
        from->focusLost();
    target->focusGained();
    for (auto it = entered.rbegin(); it != entered.rend(); ++it) {
        if ((*it)->OnEnter)
            (*it)->OnEnter(**it);
        if (seq != focusSeq_)
            return;
    }
}

bool Form::runExits(Control* target, unsigned seq)
{
    // The control left, then every container left, innermost first. The
    // position climbs before each exit runs, so a handler that moves the
    // focus itself starts from there and nothing is exited twice.
    while (position_ != nullptr && position_ != this && !target->IsInside(*position_)) {
        Control* c = position_;
        position_ = c->Parent();
        c->beforeExit();
        if (seq != focusSeq_)
            return false;
        if (c->OnExit)
            c->OnExit(*c);
        if (seq != focusSeq_)
            return false;
    }
    return true;
}

void Form::collectTabStops(const Container& container, std::vector<Control*>& out) const
{
    for (Control* child : container.TabOrderedControls()) {
        out.push_back(child);
        if (auto* inner = dynamic_cast<Container*>(child))
            collectTabStops(*inner, out);
    }
}

Control* Form::nextTabStop(const Control* from, bool forward) const
{
    std::vector<Control*> all;
    collectTabStops(*this, all);
    const int n = static_cast<int>(all.size());
    const auto at = std::find(all.begin(), all.end(), from);
    const int start = at == all.end() ? (forward ? -1 : n) : static_cast<int>(at - all.begin());
    for (int step = 1; step <= n; ++step) {
        const int i = ((start + (forward ? step : -step)) % n + n) % n;
        Control* c = all[static_cast<std::size_t>(i)];
        if (c != from && c->TabStop() && c->CanFocus())
            return c;
    }
    return nullptr;
}

bool Form::SelectNext(bool forward)
{
    Control* next = nextTabStop(focused_, forward);
    if (next == nullptr || next == focused_)
        return false;
    SetFocus(*next);
    // Arriving by Tab selects an edit's whole text (the enter events may
    // have sent the focus elsewhere: then nothing is selected here).
    if (next->Focused())
        next->enteredByTab();
    return true;
}

void Form::SetActiveControl(Control* control)
{
    if (shownOnce_ && control != nullptr) {
        SetFocus(*control);
        return;
    }
    activeControl_ = control;
}

void Form::SetKeyPreview(bool value)
{
    if (keyPreview_ == value)
        return;
    keyPreview_ = value;
    changed();
}

void Form::KeyDown(int key, ShiftState shift)
{
    Control* target = focused_ != nullptr && focused_->CanFocus() ? focused_ : nullptr;
    if ((keyPreview_ || target == nullptr) && OnKeyDown) {
        OnKeyDown(*this, key, shift);
        if (key == 0)
            return;
    }
    if (target != nullptr) {
        if (target->OnKeyDown) {
            target->OnKeyDown(*target, key, shift);
            if (key == 0)
                return;
        }
        target->defaultKeyDown(key, shift);
        if (key == 0)
            return;
    }
    if (key == VK_TAB && !shift.Has(ShiftState::Ctrl) && !shift.Has(ShiftState::Alt)) {
        SelectNext(!shift.Has(ShiftState::Shift));
        return;
    }
    // Ctrl+Tab and Ctrl+PageDown (with Shift, or Ctrl+PageUp, backwards) choose
    // the next page of the page control the focus is in, as a click on its tab.
    const bool pageKey = (key == VK_TAB && !shift.Has(ShiftState::Alt)) || key == VK_NEXT || key == VK_PRIOR;
    if (pageKey && shift.Has(ShiftState::Ctrl) && focused_ != nullptr) {
        for (Control* c = focused_; c != nullptr && c != this; c = c->Parent()) {
            if (auto* pages = dynamic_cast<PageControl*>(c)) {
                const bool forward = key == VK_TAB ? !shift.Has(ShiftState::Shift) : key == VK_NEXT;
                pages->SelectNextPage(forward);
                return;
            }
        }
    }
}

char32_t Form::FilterKeyPress(Control& control, char32_t ch)
{
    if (keyPreview_ && OnKeyPress) {
        OnKeyPress(*this, ch);
        if (ch == 0)
            return 0;
    }
    if (&control != this && control.OnKeyPress)
        control.OnKeyPress(control, ch);
    return ch;
}

std::optional<std::string> Form::FilterTypedText(Control& control, const std::string& typed)
{
    std::u32string kept;
    for (char32_t ch : utf8Decode(typed)) {
        // A tab or line break pasted with the text is not a key the person pressed.
        if (isControlChar(ch))
            continue;
        ch = FilterKeyPress(control, ch);
        if (ch != 0)
            kept.push_back(ch);
    }
    if (!typed.empty() && kept.empty())
        return std::nullopt;
    return utf8Encode(kept);
}

void Form::KeyPress(char32_t ch)
{
    Control* target = focused_ != nullptr && focused_->CanFocus() ? focused_ : nullptr;
    if (target == nullptr) {
        FilterKeyPress(*this, ch);
        return;
    }
    ch = FilterKeyPress(*target, ch);
    if (ch != 0)
        target->defaultKeyPress(ch);
}

void Form::SetWindowState(WindowState value)
{
    if (windowState_ == value)
        return;
    windowState_ = value;
    changed();
}

void Form::SetMdiChild(bool value)
{
    if (mdiChild_ == value)
        return;
    mdiChild_ = value;
    changed();
}

void Form::SetHelpFile(std::string value)
{
    if (helpFile_ == value)
        return;
    helpFile_ = std::move(value);
    changed();
}

void Form::SetHelpContext(int value)
{
    if (helpContext_ == value)
        return;
    helpContext_ = value;
    changed();
}

void Form::Create()
{
    if (created_)
        return;
    if (OnCreate)
        OnCreate(*this);
    created_ = true;
}

void Form::Show()
{
    if (!visible_) {
        visible_ = true;
        changed();
        const bool first = !shownOnce_;
        shownOnce_ = true;
        if (OnShow)
            OnShow(*this);
        if (first && focused_ == nullptr)
            focusFirst();
    }
    if (!active_)
        Activate();
}

void Form::focusFirst()
{
    // The designated control, or, when it cannot take the focus (a branch
    // fixed by the host disables it), the next tab stop after it, so the
    // person's first key still lands in the window.
    if (activeControl_ == nullptr)
        return;
    Control* target = activeControl_->CanFocus() ? activeControl_ : nextTabStop(activeControl_, true);
    if (target != nullptr)
        SetFocus(*target);
}

void Form::BringToFront()
{
    ++frontCount_;
    changed();
    if (visible_ && !active_)
        Activate();
}

void Form::Activate()
{
    active_ = true;
    changed();
    if (OnActivate)
        OnActivate(*this);
}

void Form::Deactivate()
{
    if (!active_)
        return;
    active_ = false;
    changed();
}

bool Form::Close()
{
    CloseAction action = CloseAction::Hide;
    if (OnClose)
        OnClose(*this, action);
    lastCloseAction_ = action;
    switch (action) {
    case CloseAction::None: return false;
    case CloseAction::Minimize: SetWindowState(WindowState::Minimized); return true;
    case CloseAction::Hide:
    case CloseAction::Free: break;
    }
    visible_ = false;
    active_ = false;
    changed();
    return true;
}

void Form::Repaint()
{
    ++repaintCount_;
    changed();
}

} // namespace gsf::ui
