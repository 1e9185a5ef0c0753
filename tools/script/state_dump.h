#pragma once

#include "tools/script/screen_session.h"

#include <string>
#include <utility>
#include <vector>

namespace gsf::data {
class DataSet;
}

namespace gsf::ui {
class Form;
enum class NavigateButton;
} // namespace gsf::ui

namespace gsf::script {

/// The buttons of a record navigator by the names scripts and `dump` give them.
const std::vector<std::pair<std::string, ui::NavigateButton>>& navigatorButtons();

/// The state of a screen as one JSON object (indented by two blanks):
/// `form` (name, created, windowState, focused, activePage; null without a
/// form), `controls` (every named component by name: class, enabled as the
/// person sees it, visible, and where they apply text, readOnly, checked,
/// caption of pages, the active page, a grid's selected column, current row
/// and columns with their readOnly, a navigator's buttons that would act),
/// `datasets` (by name: state, recNo, recordCount, changeCount, rows as
/// objects of field values, null kept apart from "" and 0), `unit` (the
/// screen's process-wide state) and `progress` (whether the indicator shows).
/// @param form the open form, or nullptr.
std::string dumpState(const ui::Form* form, const std::vector<data::DataSet*>& dataSets,
                      const std::vector<UnitValue>& unit, bool progressShown);

} // namespace gsf::script
