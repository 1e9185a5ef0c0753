#include "platform/host/dispatcher.h"

#include "platform/host/errors.h"
#include "platform/host/host_context.h"
#include "platform/host/progress.h"
#include "platform/ui/ui.h"

#include <stdexcept>

namespace gsf::host {

namespace {

bool takeFocus(ui::Control& control)
{
    if (control.Focused())
        return true;
    if (!control.CanFocus())
        return false;
    control.SetFocus();
    // An exit handler that moved the focus elsewhere wins over the person's move.
    return control.Focused();
}

bool typeInto(ui::Control& target, const std::string& text)
{
    auto* edit = dynamic_cast<ui::Edit*>(&target);
    if (edit == nullptr)
        throw std::invalid_argument("\"" + target.Name() + "\" não aceita texto.");
    return takeFocus(*edit) && edit->TypeText(text);
}

bool clickButton(ui::Control& target)
{
    auto* button = dynamic_cast<ui::SpeedButton*>(&target);
    if (button == nullptr)
        throw std::invalid_argument("\"" + target.Name() + "\" não é um botão.");
    return button->Click();
}

} // namespace

Outcome Dispatcher::run(const std::function<bool()>& action)
{
    idle();
    const Outcome outcome = runAction(action);
    idle();
    return outcome;
}

void Dispatcher::idle()
{
    if (!form_.OnIdle)
        return;
    try {
        form_.OnIdle(form_);
    } catch (...) {}
}

Outcome Dispatcher::runAction(const std::function<bool()>& action)
{
    try {
        return action() ? Outcome::Done : Outcome::Ignored;
    } catch (const Abort&) {
        DeactiveShowAvi();
        interaction().setCursor(Cursor::Default);
    } catch (const std::exception& error) {
        reportFailure(error.what());
    } catch (...) {
        reportFailure("Erro inesperado.");
    }
    return Outcome::Failed;
}

void Dispatcher::reportFailure(const std::string& message)
{
    // Showing the error must not throw past the top either: a scripted
    // Interaction or a renderer in trouble still leaves the listener told.
    try {
        DeactiveShowAvi();
        interaction().setCursor(Cursor::Default);
        interaction().showError(message);
    } catch (...) {}
    if (onError) {
        try {
            onError(message);
        } catch (...) {}
    }
}

ui::Control& Dispatcher::control(const std::string& name) const
{
    ui::Control* found = form_.FindControl(name);
    if (found == nullptr)
        throw std::invalid_argument("Controle \"" + name + "\" não existe em " + form_.Name() + ".");
    return *found;
}

ui::DBGrid& Dispatcher::grid(const std::string& name) const
{
    auto* found = dynamic_cast<ui::DBGrid*>(&control(name));
    if (found == nullptr)
        throw std::invalid_argument("\"" + name + "\" não é uma grade.");
    return *found;
}

Outcome Dispatcher::typeText(const std::string& controlName, const std::string& text)
{
    return run([&] { return typeInto(control(controlName), text); });
}

Outcome Dispatcher::typeText(ui::Control& target, const std::string& text)
{
    return run([&] { return typeInto(target, text); });
}

Outcome Dispatcher::focus(const std::string& controlName)
{
    return run([&] { return takeFocus(control(controlName)); });
}

Outcome Dispatcher::focus(ui::Control& target)
{
    return run([&] { return takeFocus(target); });
}

Outcome Dispatcher::click(const std::string& buttonName)
{
    return run([&] { return clickButton(control(buttonName)); });
}

Outcome Dispatcher::click(ui::Control& button)
{
    return run([&] { return clickButton(button); });
}

Outcome Dispatcher::keyDown(int key, ui::ShiftState shift)
{
    return run([&] {
        form_.KeyDown(key, shift);
        return true;
    });
}

Outcome Dispatcher::keyPress(char32_t ch)
{
    return run([&] {
        form_.KeyPress(ch);
        return true;
    });
}

Outcome Dispatcher::selectTab(const std::string& pageName)
{
    return run([&] {
        auto* page = dynamic_cast<ui::TabSheet*>(&control(pageName));
        if (page == nullptr)
            throw std::invalid_argument("\"" + pageName + "\" não é uma página.");
        return page->Pages().SelectTab(*page);
    });
}

Outcome Dispatcher::selectTab(ui::TabSheet& page)
{
    return run([&] { return page.Pages().SelectTab(page); });
}

Outcome Dispatcher::clickMenu(const std::string& itemName)
{
    return run([&] {
        ui::MenuItem* item = form_.FindMenuItem(itemName);
        if (item == nullptr)
            throw std::invalid_argument("Menu \"" + itemName + "\" não existe em " + form_.Name() + ".");
        return item->Click();
    });
}

Outcome Dispatcher::clickMenu(ui::MenuItem& item)
{
    return run([&] { return item.Click(); });
}

Outcome Dispatcher::close()
{
    return run([&] { return form_.Close(); });
}

Outcome Dispatcher::onGrid(const std::string& gridName, const std::function<bool(ui::DBGrid&)>& action)
{
    return run([&] {
        ui::DBGrid& target = grid(gridName);
        return takeFocus(target) && action(target);
    });
}

Outcome Dispatcher::selectColumn(const std::string& gridName, int column)
{
    return onGrid(gridName, [&](ui::DBGrid& target) {
        if (column < 0 || column >= target.ColumnCount())
            throw std::out_of_range("A grade " + gridName + " não tem a coluna " + std::to_string(column) + ".");
        target.SetSelectedIndex(column);
        return target.SelectedIndex() == column;
    });
}

Outcome Dispatcher::selectColumn(const std::string& gridName, const std::string& fieldName)
{
    return onGrid(gridName, [&](ui::DBGrid& target) {
        const int column = target.ColumnIndexOf(fieldName);
        if (column < 0)
            throw std::invalid_argument("A grade " + gridName + " não tem coluna de " + fieldName + ".");
        target.SetSelectedIndex(column);
        return target.SelectedIndex() == column;
    });
}

Outcome Dispatcher::typeCell(const std::string& gridName, const std::string& text)
{
    return onGrid(gridName, [&](ui::DBGrid& target) { return target.TypeCell(text); });
}

Outcome Dispatcher::choosePick(const std::string& gridName, const std::string& value)
{
    return onGrid(gridName, [&](ui::DBGrid& target) { return target.ChoosePick(value); });
}

Outcome Dispatcher::clickCellButton(const std::string& gridName)
{
    return onGrid(gridName, [&](ui::DBGrid& target) { return target.ClickEditButton(); });
}

Outcome Dispatcher::moveToRow(const std::string& gridName, int row)
{
    return onGrid(gridName, [&](ui::DBGrid& target) { return target.MoveToRow(row); });
}

Outcome Dispatcher::deleteRow(const std::string& gridName)
{
    // As Ctrl+Delete, so the grid's key handlers may keep the row.
    return onGrid(gridName, [&](ui::DBGrid& target) {
        const int rows = target.RowCount();
        form_.KeyDown(ui::VK_DELETE, ui::ShiftState::Ctrl);
        return target.RowCount() < rows;
    });
}

} // namespace gsf::host
