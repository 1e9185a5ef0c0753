#pragma once

#include <string>

namespace gsf::ui {
class Container;
class DBGrid;
class PageControl;
class TabSheet;
} // namespace gsf::ui

namespace gsf::host {

/// @return the index of the first column of @p grid on @p fieldName (letter
/// case ignored, as field names are), or -1.
int IndiceCol(const ui::DBGrid& grid, const std::string& fieldName);

/// The text the grid holds for the column of @p fieldName in the current row:
/// the text being typed when that cell is being edited, else the field's text.
/// @param displayText true: the field's display text; false: its edit text.
/// @return "" when the grid has no active dataset.
/// @throws std::invalid_argument naming a field the grid has no column for.
std::string GridText(const ui::DBGrid& grid, const std::string& fieldName, bool displayText);

/// Enables or disables every control inside @p container, at any depth (the
/// container itself keeps its state).
void SetChildEnabled(ui::Container& container, bool enabled);

/// Brings @p page to the front of @p pages from code: no page event runs and
/// a disabled page is selected too.
/// @throws std::invalid_argument when the page belongs to another page control.
void SetActivePage(ui::PageControl& pages, ui::TabSheet& page);

} // namespace gsf::host
