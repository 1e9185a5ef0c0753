#pragma once

#include "platform/ui/controls.h"

#include <functional>
#include <string>

namespace gsf::data {
class DataSet;
class DataSource;
} // namespace gsf::data

namespace gsf::host {

/// Pick list over @p source's dataset through the current Interaction.
/// @param caption the list's title and the text shown when the list is empty,
///   joined by a bar: "Filial|Não há filial cadastrada." (without a bar, all
///   of it is the title and a standard empty text is used).
/// @param multiSelect, showEmpty kept so calls read as the screens were
///   written (false, true); a list always picks one row and always says when
///   it is empty.
/// @return true when a row was chosen; the dataset is then positioned on it.
bool Pesquisar(data::DataSource& source, const std::string& caption, bool multiSelect = false, bool showEmpty = true);

/// Search dialog over @p dataSet through the current Interaction.
/// @return true when a row was found; the dataset is then positioned on it.
bool Procura(data::DataSet& dataSet);

/// What the search dialog finds for @p value in the field @p fieldName.
/// A number field: the first row holding that number exactly (@p value read
/// as a pt-BR number; a text that is no number finds nothing). A text field:
/// the first row holding exactly @p value, letter case ignored; failing that,
/// the first row whose text (stored or shown) begins with @p value, letter
/// case and accents ignored ("limp" finds "Limpeza", "servico" "Serviço").
/// An empty @p value finds nothing.
/// @return true with the dataset positioned on the row; false, not moved, when none.
/// @throws data::DataError for a field the dataset does not have.
bool findRow(data::DataSet& dataSet, const std::string& fieldName, const std::string& value);

/// @p text in lower case with the accents of Latin letters removed
/// ("Ação" -> "acao"), for comparisons that ignore both.
std::string foldForSearch(const std::string& text);

/// Look-up button: a click raises BeforePesq (which may fill the dataset, or
/// clear its flag to give up), shows the pick list "Title|EmptyText" over
/// DataSource, and raises AfterPesq only when a row was chosen.
class TBtnPesquisa : public ui::LookupButton {
public:
    using BeforeEvent = std::function<void(TBtnPesquisa& sender, bool& proceed)>;
    using AfterEvent = std::function<void(TBtnPesquisa& sender)>;

    TBtnPesquisa(ui::Container& parent, std::string name) : ui::LookupButton(parent, std::move(name)) {}

    std::string Title;
    /// Shown instead of an empty list; a standard text when left empty.
    std::string EmptyText;
    /// Data source of the list; without one a click shows the empty text.
    data::DataSource* DataSource = nullptr;
    /// The edit this button looks up for; renderers place the button beside
    /// it. The After handler writes the choice into it.
    ui::Control* EditControl = nullptr;

    BeforeEvent BeforePesq;
    AfterEvent AfterPesq;

protected:
    void doClick() override;
};

} // namespace gsf::host
