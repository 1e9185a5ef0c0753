#include "tools/script/state_dump.h"

#include "platform/ui/ui.h"

#include <nlohmann/json.hpp>

namespace gsf::script {

namespace {

using nlohmann::json;

const char* windowStateName(ui::WindowState state)
{
    switch (state) {
    case ui::WindowState::Minimized: return "minimized";
    case ui::WindowState::Maximized: return "maximized";
    case ui::WindowState::Normal: break;
    }
    return "normal";
}

json valueJson(const data::Value& value)
{
    if (const auto* number = std::get_if<double>(&value))
        return *number;
    if (const auto* text = std::get_if<std::string>(&value))
        return *text;
    return nullptr;
}

const ui::PageControl* firstPageControl(const ui::Form& form)
{
    for (const ui::Component* component : form.Components())
        if (const auto* pages = dynamic_cast<const ui::PageControl*>(component))
            return pages;
    return nullptr;
}

json gridJson(const ui::DBGrid& grid)
{
    json columns = json::array();
    for (const auto& column : grid.Columns())
        columns.push_back(
            {{"field", column->FieldName()}, {"readOnly", column->ReadOnly()}, {"visible", column->Visible()}});
    const int selected = grid.SelectedIndex();
    return {{"columns", columns},
            {"selectedColumn", selected >= 0 ? json(grid.ColumnAt(selected).FieldName()) : json()},
            {"row", grid.CurrentRow() + 1},
            {"readOnly", grid.ReadOnly()}};
}

json controlJson(const ui::Control& control)
{
    json out = {
        {"class", control.ClassName()}, {"enabled", control.EffectiveEnabled()}, {"visible", control.Visible()}};
    if (const auto* edit = dynamic_cast<const ui::Edit*>(&control)) {
        out["text"] = edit->EditText();
        if (edit->Text() != edit->EditText())
            out["value"] = edit->Text();
        out["readOnly"] = edit->ReadOnly();
    } else if (const auto* text = dynamic_cast<const ui::DBText*>(&control)) {
        out["text"] = text->Text();
    } else if (const auto* grid = dynamic_cast<const ui::DBGrid*>(&control)) {
        out.update(gridJson(*grid));
    } else if (const auto* pages = dynamic_cast<const ui::PageControl*>(&control)) {
        out["activePage"] = pages->ActivePage() ? json(pages->ActivePage()->Name()) : json();
    } else if (const auto* page = dynamic_cast<const ui::TabSheet*>(&control)) {
        out["caption"] = page->Caption();
    } else if (const auto* navigator = dynamic_cast<const ui::DBNavigator*>(&control)) {
        json buttons = json::object();
        for (const auto& [name, button] : navigatorButtons())
            buttons[name] = navigator->ButtonEnabled(button);
        out["buttons"] = buttons;
    }
    return out;
}

json menuJson(const ui::MenuItem& item)
{
    return {{"class", item.ClassName()},
            {"enabled", item.Enabled()},
            {"checked", item.Checked()},
            {"visible", item.Visible()}};
}

json formJson(const ui::Form& form)
{
    const ui::Control* focused = form.FocusedControl();
    const ui::PageControl* pages = firstPageControl(form);
    return {{"name", form.Name()},
            {"created", form.Created()},
            {"windowState", windowStateName(form.GetWindowState())},
            {"focused", focused ? json(focused->Name()) : json()},
            {"activePage", pages && pages->ActivePage() ? json(pages->ActivePage()->Name()) : json()}};
}

json dataSetJson(const data::DataSet& dataSet)
{
    json out = {{"state", data::stateName(dataSet.State())}};
    if (!dataSet.Active()) {
        out["rows"] = json::array();
        return out;
    }
    out["recNo"] = dataSet.RecNo();
    out["recordCount"] = dataSet.RecordCount();
    out["changeCount"] = dataSet.ChangeCount();
    json rows = json::array();
    for (int row = 0; row < dataSet.RecordCount(); ++row) {
        json fields = json::object();
        for (int f = 0; f < dataSet.FieldCount(); ++f)
            fields[dataSet.FieldAt(f).FieldName()] = valueJson(dataSet.ValueAt(row, f));
        rows.push_back(std::move(fields));
    }
    out["rows"] = std::move(rows);
    return out;
}

} // namespace

const std::vector<std::pair<std::string, ui::NavigateButton>>& navigatorButtons()
{
    static const std::vector<std::pair<std::string, ui::NavigateButton>> buttons = {
        {"first", ui::NavigateButton::First},
        {"prior", ui::NavigateButton::Prior},
        {"next", ui::NavigateButton::Next},
        {"last", ui::NavigateButton::Last}};
    return buttons;
}

std::string dumpState(const ui::Form* form, const std::vector<data::DataSet*>& dataSets,
                      const std::vector<UnitValue>& unit, bool progressShown)
{
    json controls = json::object();
    if (form != nullptr) {
        for (const ui::Component* component : form->Components()) {
            if (component->Name().empty())
                continue;
            if (const auto* control = dynamic_cast<const ui::Control*>(component))
                controls[component->Name()] = controlJson(*control);
            else if (const auto* item = dynamic_cast<const ui::MenuItem*>(component))
                controls[component->Name()] = menuJson(*item);
        }
    }
    json sets = json::object();
    for (const data::DataSet* dataSet : dataSets)
        sets[dataSet->Name()] = dataSetJson(*dataSet);
    json state = json::object();
    for (const UnitValue& item : unit)
        std::visit([&](const auto& value) { state[item.name] = value; }, item.value);
    const json out = {{"form", form ? formJson(*form) : json()},
                      {"controls", controls},
                      {"datasets", sets},
                      {"unit", state},
                      {"progress", {{"shown", progressShown}}}};
    return out.dump(2, ' ', false, json::error_handler_t::replace);
}

} // namespace gsf::script
