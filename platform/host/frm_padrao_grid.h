#pragma once

#include "platform/data/dataset.h"
#include "platform/host/messages.h"
#include "platform/ui/ui.h"

#include <string>

namespace gsf::host {

/// The base grid form of the host's maintenance screens.
///
/// Owns the command bar `panMenu` (eight command buttons and the screen-code
/// label `lblCodTela`), the page control `pgcPadrao` with its first page
/// `tshPadrao` holding the grid `dbgPadrao`, the navigator panel
/// `panNavigator` (`dbtNome`, `dbnPadrao`), the main menu `mnuMenu` with
/// `mnuOperacao` and `mnuManutencao`, the data source `dtsPadrao` (grid,
/// label and navigator are on it) and the message table `msgMensagensPadroes`.
///
/// The constructor binds the form's create, close and key-down events, the
/// six record command buttons, `dtsPadrao`'s state change and `dbgPadrao`'s
/// key down to the same-named handlers below, and every command menu entry to
/// a click of its button. A derived form replaces a handler by binding the
/// same event to its own same-named method, which calls
/// `TfrmPadraoGrid::<handler>` where it wants the base behaviour:
/// @code
/// sbtExcluir.OnClick = [this](ui::Control& s) { sbtExcluirClick(s); };
/// void TfrmX::sbtExcluirClick(ui::Control& s) { ...; TfrmPadraoGrid::sbtExcluirClick(s); }
/// @endcode
/// Every command starts disabled, as do the menu entries.
class TfrmPadraoGrid : public ui::Form {
public:
    explicit TfrmPadraoGrid(std::string name);
    ~TfrmPadraoGrid() override;

    // --- command bar ---
    ui::Panel& panMenu;
    ui::SpeedButton& sbtIncluir;
    ui::SpeedButton& sbtAlterar;
    ui::SpeedButton& sbtExcluir;
    ui::SpeedButton& sbtProcurar;
    ui::SpeedButton& sbtVerificar;
    ui::SpeedButton& sbtImprimir;
    ui::SpeedButton& sbtCancelar;
    ui::SpeedButton& sbtConfirmar;
    ui::Label& lblCodTela;

    // --- pages ---
    ui::PageControl& pgcPadrao;
    ui::TabSheet& tshPadrao;
    ui::DBGrid& dbgPadrao;

    // --- navigator ---
    ui::Panel& panNavigator;
    ui::DBText& dbtNome;
    ui::DBNavigator& dbnPadrao;

    // --- main menu ---
    ui::MainMenu& mnuMenu;
    ui::MenuItem& mnuOperacao;
    ui::MenuItem& mnuListagem;
    ui::MenuItem& mnuConfigImpressora;
    ui::MenuItem& mnuLinha1;
    ui::MenuItem& mnuFechar;
    ui::MenuItem& mnuManutencao;
    ui::MenuItem& mnuIncluir;
    ui::MenuItem& mnuAlterar;
    ui::MenuItem& mnuExcluir;
    ui::MenuItem& mnuProcurar;
    ui::MenuItem& mnuVerificar;
    ui::MenuItem& mnuLinha3;
    ui::MenuItem& mnuCancelar;
    ui::MenuItem& mnuConfirmar;

    data::DataSource dtsPadrao{"dtsPadrao"};
    /// Standard confirmations: `Excl` (delete) and `Canc` (cancel).
    TMessages msgMensagensPadroes;

    // --- base handlers ---
    /// Base set-up: puts `tshPadrao` in front, sets the commands by
    /// `dtsPadrao`'s state, and makes every grid of the form that has no
    /// delete confirmation ask through the current Interaction.
    void FormCreate(ui::Form& sender);
    /// Completes the close: the window is released (action Free).
    void FormClose(ui::Form& sender, ui::CloseAction& action);
    /// The base form has no shortcut of its own; key preview is on so that a
    /// derived form's handler sees every key.
    void FormKeyDown(ui::Control& sender, int& key, ui::ShiftState shift);
    /// Enables the commands by `dtsPadrao`'s state: browse enables include,
    /// and with records also alter, delete, search, verify and print; edit
    /// and insert enable cancel and confirm; inactive enables none. Each
    /// command menu entry follows its button.
    void dtsPadraoStateChange(data::DataSource& sender);
    /// Puts the focus in `dbgPadrao` (when it can take it), then inserts a
    /// record into `dtsPadrao`'s dataset.
    void sbtIncluirClick(ui::Control& sender);
    /// Puts the focus in `dbgPadrao` (when it can take it), then edits the current record.
    void sbtAlterarClick(ui::Control& sender);
    /// Asks `Excl`; deletes the current record only on Yes.
    void sbtExcluirClick(ui::Control& sender);
    /// Search dialog (Procura) over `dtsPadrao`'s dataset.
    void sbtProcurarClick(ui::Control& sender);
    /// While a record is being edited or inserted, asks `Canc` and cancels only on Yes.
    void sbtCancelarClick(ui::Control& sender);
    /// Posts the record being edited or inserted.
    void sbtConfirmarClick(ui::Control& sender);
    /// Grid keys (for any grid it is bound to): swallows Insert and Down on the
    /// last row, so that no grid key appends a record, and Ctrl+Delete in
    /// `dbgPadrao`, whose records only the delete command removes. Another grid
    /// keeps its own row deletion with its confirmation. @p sender must be a DBGrid.
    void dbgPadraoKeyDown(ui::Control& sender, int& key, ui::ShiftState shift);

private:
    /// The dataset of `dtsPadrao` when it is open, else nullptr.
    data::DataSet* openDataSet() const;
    void bindEvents();
    void layOut();
    void setCommand(ui::SpeedButton& button, ui::MenuItem& entry, bool enabled);
};

} // namespace gsf::host
