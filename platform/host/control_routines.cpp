#include "platform/host/control_routines.h"

#include "platform/ui/ui.h"

#include <algorithm>
#include <stdexcept>

namespace gsf::host {

namespace {

bool sameName(const std::string& a, const std::string& b)
{
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               const auto lower = [](char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; };
               return lower(x) == lower(y);
           });
}

} // namespace

int IndiceCol(const ui::DBGrid& grid, const std::string& fieldName)
{
    for (int i = 0; i < grid.ColumnCount(); ++i)
        if (sameName(grid.ColumnAt(i).FieldName(), fieldName))
            return i;
    return -1;
}

std::string GridText(const ui::DBGrid& grid, const std::string& fieldName, bool displayText)
{
    const int column = IndiceCol(grid, fieldName);
    if (column < 0)
        throw std::invalid_argument("A grade " + grid.Name() + " não tem coluna de " + fieldName + ".");
    if (column == grid.SelectedIndex() && grid.HasPendingText())
        return grid.PendingText();
    const data::DataSet* dataSet = grid.DataSet();
    if (dataSet == nullptr || !dataSet->Active() || dataSet->IsEmpty())
        return {};
    const data::Field* field = grid.ColumnAt(column).Field();
    if (field == nullptr)
        return {};
    return displayText ? field->DisplayText() : field->Text();
}

void SetChildEnabled(ui::Container& container, bool enabled)
{
    for (ui::Control* child : container.Controls()) {
        child->SetEnabled(enabled);
        if (auto* inner = dynamic_cast<ui::Container*>(child))
            SetChildEnabled(*inner, enabled);
    }
}

void SetActivePage(ui::PageControl& pages, ui::TabSheet& page)
{
    pages.SetActivePage(page);
}

} // namespace gsf::host
