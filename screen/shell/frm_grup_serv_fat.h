#pragma once

#include "platform/data/dataset.h"
#include "platform/host/frm_padrao_grid.h"
#include "platform/host/lookup.h"
#include "platform/host/messages.h"
#include "platform/remote/connection.h"
#include "platform/sql/general/general_data.h"
#include "platform/ui/ui.h"
#include "screen/contracts/rdm_grup_serv_fat.h"

#include <array>
#include <string>

namespace gsf::screen {

struct UnitState;

/// The maintenance screen "Grupo de Serviço para Faturamento": a client's
/// billing service groups, their daily and per-day staff minimums, the
/// services billed through each group and each group's price-correction table.
///
/// Every component is a public member under its own name; every handler and
/// validator is a member function under its own name, bound to its event by
/// the constructor. Handlers that fail raise (MensErro's Abort or a server
/// error) after putting the page and focus back where the person has to act.
///
/// The form is created and owned by the unit (cli_vex04120.h): use
/// CriaGrupServFat, never construct it directly outside tests.
class TfrmGrupServFat : public host::TfrmPadraoGrid {
public:
    /// @param unit the screen-wide state the form reads and writes; it must
    ///        outlive the form.
    explicit TfrmGrupServFat(UnitState& unit);
    ~TfrmGrupServFat() override;

    // --- datasets and data sources ---
    data::DataSet cdsGrupServ{"cdsGrupServ"};
    data::DataSet cdsServClie{"cdsServClie"};
    data::DataSet cdsCorrPrecGrup{"cdsCorrPrecGrup"};
    data::DataSet cdsCliente{"cdsCliente"};
    data::DataSet cdsPesqServ{"cdsPesqServ"};
    data::DataSet cdsVerifServ{"cdsVerifServ"};
    data::DataSet cdsVerifGrupServ{"cdsVerifGrupServ"};
    data::DataSet cdsParamFilial{"cdsParamFilial"};
    data::DataSet cdsIntervMaior{"cdsIntervMaior"};
    sql::TADOIBQuery qryFilial{"qryFilial"};
    data::DataSource dtsServClie{"dtsServClie"};
    data::DataSource dtsCorrPrecGrup{"dtsCorrPrecGrup"};
    data::DataSource dtsCliente{"dtsCliente"};
    data::DataSource dtsPesqServ{"dtsPesqServ"};
    data::DataSource dtsFilial{"dtsFilial"};

    /// The screen's own message table (42 entries).
    host::TMessages msgPadrao{"msgPadrao"};
    /// Connection to "Vex04120.rdmGrupServFat"; host and port come from the
    /// host context at every connection.
    remote::RemoteConnection netGrupServFat{"netGrupServFat"};
    /// Typed calls of the remote module over netGrupServFat.
    RdmGrupServFat rdmGrupServFat{netGrupServFat};

    // --- filter panel ---
    ui::Panel& panFiltro;
    ui::Label& lblFilial;
    ui::MaskEdit& medCdFilial;
    host::TBtnPesquisa& btpFilial;
    ui::Edit& edtNmFilial;
    ui::Label& lblCliente;
    ui::MaskEdit& medCdCliente;
    host::TBtnPesquisa& btpCliente;
    ui::Edit& edtNmCliente;

    // --- pages ---
    ui::TabSheet& tshServico;
    ui::DBGrid& dbgServico;
    ui::TabSheet& tshExcecao;
    ui::GroupBox& grbExcDia;
    ui::Bevel& bvlTitulo;
    ui::Bevel& bvlDivisaoEsq;
    ui::Bevel& bvlDivisaoCentro;
    ui::Label& lblDiaEsq;
    ui::Label& lblMinEfetEsq;
    ui::Label& lblDiaDir;
    ui::Label& lblMinEfetDir;
    ui::Label& lblDomingo;
    ui::Label& lblSegunda;
    ui::Label& lblTerca;
    ui::Label& lblQuarta;
    ui::Label& lblQuinta;
    ui::Label& lblSexta;
    ui::Label& lblSabado;
    ui::Label& lblFeriados;
    ui::DBEdit& dbeQtEfetDom;
    ui::DBEdit& dbeQtEfetSeg;
    ui::DBEdit& dbeQtEfetTer;
    ui::DBEdit& dbeQtEfetQua;
    ui::DBEdit& dbeQtEfetQui;
    ui::DBEdit& dbeQtEfetSex;
    ui::DBEdit& dbeQtEfetSab;
    ui::DBEdit& dbeQtEfetFer;
    ui::TabSheet& tshTabCorr;
    ui::DBGrid& dbgCorrPrecGrup;

    // --- page entries under mnuOperacao ---
    ui::MenuItem& mnuGrupServ;
    ui::MenuItem& mnuServ;
    ui::MenuItem& mnuExce;
    ui::MenuItem& mnuTabCorr;
    ui::MenuItem& mnuLinha2;

    /// The eight day edits, Sunday first and holidays last.
    std::array<ui::DBEdit*, 8> DayEdits() const;
    /// Text of msgPadrao for @p key. @throws std::out_of_range for an unknown key.
    const std::string& Msg(const std::string& key) const { return msgPadrao.Msg(key); }
    /// CDCLIENTE of the client the filter resolved; empty while unresolved.
    const std::string& ClienteValidado() const { return CdClienteValidado; }
    /// The branch and client the group list was loaded for (empty before the
    /// first load). Every call about a group, its services, minimums or
    /// intervals uses them: the filter's text is only an input until the
    /// panel is left.
    const std::string& FilialCarregada() const { return filialCarregada_; }
    const std::string& ClienteCarregado() const { return clienteCarregado_; }

    // --- lifecycle ---
    /// Base set-up, connection, first page in front, later pages disabled,
    /// a new billing-parameter control.
    void FormCreate(ui::Form& sender);
    /// Branch controls enabled unless the host fixes the branch; branch code
    /// and name preset from the host context.
    void FormShow(ui::Form& sender);
    void FormActivate(ui::Form& sender);
    /// A record being inserted or edited asks `Canc` first: No keeps the
    /// window (action None) and the record as they were, Yes cancels it.
    /// Refuses the close (action None, services page in front, error raised)
    /// while the current group's services fail their checks; otherwise
    /// disconnects and lets the base release the window.
    /// @throws Abort from a failed check.
    void FormClose(ui::Form& sender, ui::CloseAction& action);
    /// F12 in browse state: focus to the client code (branch fixed) or the branch code.
    void FormKeyDown(ui::Control& sender, int& key, ui::ShiftState shift);
    void netGrupServFatBeforeConnect(remote::RemoteConnection& sender);

    // --- branch and client filter ---
    void medCdFilialChange(ui::Control& sender);
    void medCdFilialExit(ui::Control& sender);
    /// As btpClienteBeforePesq, for every branch.
    void btpFilialBeforePesq(host::TBtnPesquisa& sender, bool& proceed);
    /// As btpClienteAfterPesq; a new branch clears the client.
    void btpFilialAfterPesq(host::TBtnPesquisa& sender);
    void medCdClienteEnter(ui::Control& sender);
    void medCdClienteChange(ui::Control& sender);
    void medCdClienteExit(ui::Control& sender);
    /// Loads every client of the branch and keeps the resolved client current,
    /// so a list closed without a choice leaves the client shown chosen.
    /// Looked up from outside the panel, the group being left is checked
    /// first, as when the focus leaves the pages for the panel.
    /// @throws Abort from that check, or a server error.
    void btpClienteBeforePesq(host::TBtnPesquisa& sender, bool& proceed);
    /// Copies the pick. Picked from outside the panel (look-up buttons do not
    /// take the focus), the pick is handled as entering the panel and leaving
    /// it: validated, then the groups loaded.
    /// @throws the filter's refusal, with the focus on its field.
    void btpClienteAfterPesq(host::TBtnPesquisa& sender);
    void cdsClienteNRINSJURCLIEGetText(data::Field& sender, std::string& text, bool displayText);
    void panFiltroEnter(ui::Control& sender);
    /// Validates branch and client, loads the groups and the branch billing
    /// parameters, sets pages and commands. @throws on the first failure.
    void panFiltroExit(ui::Control& sender);
    /// @throws Abort ("Filial deve ser informada.", "Filial não cadastrada.")
    /// or the query's error, with the focus back on medCdFilial.
    void Vd_Filial();
    /// @throws Abort ("Cliente deve ser informado.", "Cliente não cadastrado.")
    /// or a server error, with the focus back on medCdCliente.
    void Vd_Cliente();
    /// GetParamFilial into cdsParamFilial, then ParamExcecaoDia and ParamTabCorr.
    void CarregaParamFilial();

    // --- service groups ---
    void cdsGrupServAfterOpen(data::DataSet& dataSet);
    void cdsGrupServBeforeClose(data::DataSet& dataSet);
    void cdsGrupServBeforeInsert(data::DataSet& dataSet);
    void cdsGrupServAfterInsert(data::DataSet& dataSet);
    void cdsGrupServBeforePost(data::DataSet& dataSet);
    void cdsGrupServAfterPost(data::DataSet& dataSet);
    void cdsGrupServAfterCancel(data::DataSet& dataSet);
    void cdsGrupServAfterDelete(data::DataSet& dataSet);
    void cdsGrupServBeforeScroll(data::DataSet& dataSet);
    void cdsGrupServAfterScroll(data::DataSet& dataSet);
    void dtsPadraoStateChange(data::DataSource& sender);
    void dbgPadraoColExit(ui::Control& sender);
    void dbgPadraoExit(ui::Control& sender);
    /// Insert only: adjusts the code to three characters; presence false
    /// checks it is free (GetVerifGrupServ), true that it is filled.
    /// @throws Abort or a server error, first page in front, focus on the code.
    void Vd_Grupo(bool presence);
    /// @throws Abort "Descrição deve ser informada." with the focus on the description.
    void Vd_Descricao();

    // --- daily minimums ---
    void cdsGrupServQTEFETMINIGSFValidate(data::Field& sender);
    /// Edit or insert only. @throws Abort, first page in front, focus on the column.
    void Vd_Quant(bool presence);
    /// Edit or insert only, on the edit's text. @throws Abort, "Exceções Dia"
    /// in front, focus on the edit when that page is enabled.
    void Vd_QuantMin(ui::DBEdit& edit, bool presence);
    void dbeQtEfetDomExit(ui::Control& sender);
    void dbeQtEfetSegExit(ui::Control& sender);
    void dbeQtEfetTerExit(ui::Control& sender);
    void dbeQtEfetQuaExit(ui::Control& sender);
    void dbeQtEfetQuiExit(ui::Control& sender);
    void dbeQtEfetSexExit(ui::Control& sender);
    void dbeQtEfetSabExit(ui::Control& sender);
    void dbeQtEfetFerExit(ui::Control& sender);

    // --- group services ---
    void dtsServClieStateChange(data::DataSource& sender);
    void cdsServClieAfterOpen(data::DataSet& dataSet);
    void cdsServClieBeforeClose(data::DataSet& dataSet);
    void cdsServClieAfterInsert(data::DataSet& dataSet);
    void cdsServClieAfterDelete(data::DataSet& dataSet);
    void cdsServClieIDCORREFETGetText(data::Field& sender, std::string& text, bool displayText);
    void cdsServClieIDCORREFETSetText(data::Field& sender, const std::string& text);
    void dbgServicoKeyPress(ui::Control& sender, char32_t& ch);
    /// Look-up of the client's services for a row being inserted; the chosen
    /// service is written into the row unchecked (its column exit and the
    /// post check it). Does nothing in any other state.
    /// @throws a server error from GetPesqServ.
    void dbgServicoEditButtonClick(ui::Control& sender);
    /// Code checks of the column being left; a row without a code gets an empty name.
    /// @throws Abort or a server error from Vd_ServGrid.
    void dbgServicoColExit(ui::Control& sender);
    /// Insert only. @p presence false: the code of the selected code column,
    /// adjusted to five characters, must be one of the client's services
    /// (GetPesqServ, which also gives the name) and not yet billed through a
    /// group (GetVerifServ); true: the grid's code must be filled.
    /// @throws Abort or a server error, "Serviços" in front with its commands
    /// set, the focus on the code; the row being inserted is kept.
    void Vd_ServGrid(bool presence);
    /// Checks the row, then assigns the service on the server
    /// (ProAtualizaGrupo, then ProAtualizaServ for a flagged row or
    /// ProLimpaServ when the group's correction service is no longer
    /// flagged). The check before leaving a group is suspended meanwhile.
    /// @throws Abort or a server error: the post is abandoned, what the
    /// server already did stays done.
    void cdsServClieBeforePost(data::DataSet& dataSet);
    /// Reloads the group list and finds the same group again, which reloads
    /// the services from the server. @throws a server error.
    void cdsServClieAfterPost(data::DataSet& dataSet);
    /// A group with services must name its correction service.
    /// @throws Abort "Serviço para correção de efetivos deve ser informado."
    void Vd_ServicoCorrEfet();
    /// @throws Abort "Informe um serviço para o grupo de faturamento." when the list is empty.
    void Vd_ServGrupo();

    // --- correction intervals ---
    void dtsCorrPrecGrupStateChange(data::DataSource& sender);
    void cdsCorrPrecGrupAfterOpen(data::DataSet& dataSet);
    void cdsCorrPrecGrupBeforeClose(data::DataSet& dataSet);
    /// Edit or insert only: the end or the correction of the column being
    /// left, when filled, must lie within its bounds.
    /// @throws Abort with the focus back on the offending column.
    void dbgCorrPrecGrupColExit(ui::Control& sender);
    /// The new interval starts at the group's largest end (GetIntervMaior),
    /// focus on its end; without any interval the start stays empty.
    /// @throws a server error: the row stays inserted without a start.
    void cdsCorrPrecGrupAfterInsert(data::DataSet& dataSet);
    /// Fills the group keys, then checks the end and the correction.
    /// @throws Abort with the focus on the offending column.
    void cdsCorrPrecGrupBeforePost(data::DataSet& dataSet);
    /// After a post and after a deletion: sends the change (UpdCorrPrecGrup)
    /// and merges it; a refused change is dropped (a deleted row comes back).
    /// @throws a server error after dropping the change.
    void cdsCorrPrecGrupAfterPost(data::DataSet& dataSet);
    void cdsCorrPrecGrupAfterCancel(data::DataSet& dataSet);
    /// Outside an edit the cursor goes on to the last row (the table is kept
    /// in the order of its intervals, so that is the largest end), the only
    /// one that may be changed; with "Tabela de Correção" in front, no search.
    void cdsCorrPrecGrupAfterScroll(data::DataSet& dataSet);

    // --- navigation and command states ---
    void pgcPadraoChanging(ui::PageControl& sender, bool& allowChange);
    /// Checks the entry of the page in front and reloads that page's list.
    void pgcPadraoChange(ui::PageControl& sender);
    void pgcPadraoExit(ui::Control& sender);
    /// The four page entries settle a filter being edited first and go on
    /// when their page may still be entered.
    void mnuGrupServClick(ui::MenuItem& sender);
    /// Re-chosen while a service row is being inserted or edited, asks
    /// `Canc` before the reload would drop it: No keeps the row as it was.
    void mnuServClick(ui::MenuItem& sender);
    void mnuExceClick(ui::MenuItem& sender);
    void mnuTabCorrClick(ui::MenuItem& sender);
    /// Include (first), alter/delete/search/verify (second), cancel/confirm
    /// (third); each command menu entry follows its button.
    void HabilitaBotoes(bool first, bool second, bool third);
    /// Page-dependent adjustment of the commands and pages.
    void Habilita();

    // --- commands of the page in front ---
    // Each command first settles a filter being edited (see acertaFiltro):
    // include, alter and search go on with the list just loaded (cancel and
    // confirm find nothing pending on it); delete and verify stop there, so
    // the person sees the new list before anything is removed, and verify
    // has already read it.
    /// New group ("Exceções Dia" first brings "Grupo de Serviço" to the
    /// front), new service row ("Sim" proposed for a group's first service)
    /// or new interval.
    void sbtIncluirClick(ui::Control& sender);
    /// Edits the group (from its description), the service row (from its
    /// correction flag) or the interval.
    void sbtAlterarClick(ui::Control& sender);
    /// Asks `Excl` first on every page; on Yes removes the service on the
    /// server and reloads the list, deletes the interval, or removes the
    /// group's services on the server and then the group.
    /// @throws a server error; what the server already did stays done.
    void sbtExcluirClick(ui::Control& sender);
    /// Asks `Canc` for a pending interval, then a pending service row, then
    /// lets the base cancel the group; the commands follow.
    void sbtCancelarClick(ui::Control& sender);
    /// Posts a pending interval, then a pending service row, then the group,
    /// then refreshes the page in front. @throws the first failed check.
    void sbtConfirmarClick(ui::Control& sender);
    /// Search dialog over the services on "Serviços"; elsewhere the base
    /// search over the groups, without the check before leaving a group.
    void sbtProcurarClick(ui::Control& sender);
    /// Re-reads from the server the list of the page in front: the groups on
    /// "Grupo de Serviço" and "Exceções Dia" (the first group becomes
    /// current), the services or the intervals of the current group.
    /// @throws a server error, the list keeping its contents.
    void sbtVerificarClick(ui::Control& sender);
    /// Between two actions: after a call that changes data got no answer
    /// (RdmGrupServFat::OutcomeUnknown), or after a service post changed a
    /// group it then could not read back, reads the groups again,
    /// keeping the current one, with its services and intervals; never while
    /// a list holds a row being edited. A failed re-read is tried again at
    /// the next pause.
    void FormIdle(ui::Form& sender);

private:
    void layOut();
    void layOutFilter();
    void layOutPages();
    void layOutDayMinimums();
    void layOutMenu();
    void bindEvents();
    void bindDataEvents();

    /// The branch, client and group whose rows a list holds: the keys its
    /// Get call was made with.
    struct ChaveGrupo {
        std::string filial;
        std::string cliente;
        std::string grupo;
        bool operator==(const ChaveGrupo&) const = default;
    };
    /// The keys of the current group as the reloads send them (empty texts
    /// for a closed or empty group list).
    ChaveGrupo grupoCorrente() const;
    /// Loads the services and the correction table of the current group. A
    /// failed load closes every list that does not hold the current group's
    /// rows (fechaListasDeOutroGrupo) before the error continues.
    /// @throws a server error.
    void carregaServClie();
    void carregaCorrPrecGrup();
    using LeituraDoGrupo = remote::CallResult (RdmGrupServFat::*)(const std::string&, const std::string&,
                                                                  const std::string&);
    /// Loads @p list with @p read for the current group's keys, which
    /// @p loadedFor then holds; on a failure as carregaServClie says.
    void carregaListaDoGrupo(data::DataSet& list, ChaveGrupo& loadedFor, LeituraDoGrupo read);
    /// Closes the services list and the correction table when they hold the
    /// rows of a group other than the current one, a row being typed
    /// included (it would be posted onto the current group): a list is the
    /// current group's or none.
    void fechaListasDeOutroGrupo();
    /// Closes @p list for good: no load follows, so its controls follow it again.
    void fechaLista(data::DataSet& list);
    /// GetGrupServ for @p branch and @p client into cdsGrupServ; from the
    /// moment its rows are replaced the list belongs to that pair.
    /// @throws a server error, the list and its pair kept.
    void carregaGrupos(std::string branch, std::string client);
    void cdsGrupServBeforeOpen(data::DataSet& dataSet);
    /// Reloads the group list (GetGrupServ) and finds the current group again
    /// by its kept code, without the check before leaving a group. Also the
    /// way the screen takes in what its own procedures changed in the group
    /// (the correction service), so a later post of it is no conflict.
    /// @return whether that group is still there (it is then current).
    bool recarregaGrupos();
    /// recarregaGrupos where the screen's groups are known to differ from
    /// the server's: inside a service post, once its procedures changed the
    /// group's correction service, and after a move that found the group
    /// left changed on the server. A failure leaves the groups to be read
    /// again at the next pause (FormIdle), or a group would keep a
    /// correction service the server no longer holds, or lack one it holds,
    /// and the check on leaving the page would go by it; a list of another
    /// group than the current one is closed (fechaListasDeOutroGrupo).
    /// @throws the failure of the reload.
    bool releGruposDesatualizados();
    /// recarregaGrupos on a way out with an error: its own failure is
    /// dropped, the first error is the one that continues.
    void releGruposSemFalha();
    /// The correction-service check of Vd_ServicoCorrEfet for a move of the
    /// group list in progress (before scroll, before insert): the list must
    /// not be reloaded under the move, so the server's groups are read apart
    /// (gruposNoServidor_). A correction service cleared there, which makes
    /// the check refuse, is taken in at once, since the move stops anyway;
    /// any other difference once the move has arrived (releAposMover_).
    /// @throws a server error.
    void confereGrupoNoServidor();
    /// Vd_ServicoCorrEfet for the handler of a move of the group list.
    void verificaCorrEfetAoMover();
    /// The current group's services ask for a correction service: there are
    /// some, and their page may be entered.
    bool servicosPedemCorrEfet() const;
    /// True while the focus is inside the filter panel.
    bool focoNoFiltro() const;
    /// The filter still names the branch and client the list was loaded for.
    bool filtroConfere() const;
    /// Settles a filter being edited before a command acts: the focus in
    /// the panel leaves it for the group grid (validation, then the load);
    /// a filter changed from outside the panel is applied (aplicaFiltro).
    /// @return true when the group list was loaded again.
    /// @throws the filter's refusal, the focus on its field.
    bool acertaFiltro();
    /// acertaFiltro for @p command; @return whether the command goes on: it
    /// does when nothing was reloaded, otherwise only when @p goesOn and the
    /// command is still enabled for the list just loaded.
    bool acertaFiltroPara(ui::SpeedButton& command, bool goesOn);
    /// The filter changed while the focus was outside the panel: entering
    /// and leaving the panel, then the focus on the group grid. A refusal
    /// leaves the focus in the panel, so the next command settles it again.
    void aplicaFiltro();
    /// Whether the page menu entry @p entry goes on after acertaFiltro.
    bool podeEntrar(ui::MenuItem& entry);
    /// A record of any list in insert or edit.
    bool registroPendente() const;
    /// The services page in front with its menu check and commands, keeping
    /// the row being inserted (a failed code check must not lose it).
    void mostraServicos();
    void excluiServico();
    void excluiIntervalo();
    void excluiGrupo();
    void desabilitaProcurar();
    /// Outside an edit, the cursor on the interval with the largest end.
    void ultimoIntervalo();
    /// Focus on the control of @p field on the way out with an error. A check
    /// that this move runs may fail too: its message has been shown, and the
    /// first error is the one that continues.
    static void focaCampo(data::Field& field);
    /// End and correction bounds of the current interval.
    /// @throws Abort with the message of the first failed bound.
    void verificaFim();
    void verificaCorrecao();
    /// The services page in front with its menu check and commands (as
    /// mostraServicos), focus in its grid when it can take it.
    void voltaServicos();
    /// Vd_ServicoCorrEfet; a refusal brings the services page back (voltaServicos)
    /// and continues, so the move, insert, page change or exit is abandoned.
    void verificaCorrEfetOuVolta();
    /// The commands of a list being edited: only cancel and confirm.
    void habilitaEmEdicao();
    /// The commands of a list in browse: include, and alter, delete, search
    /// and verify when @p withRecords.
    void habilitaConsulta(bool withRecords);
    /// The commands of an empty list in browse: include only.
    void habilitaSoIncluir() { habilitaConsulta(false); }
    /// @p page to the front and its entry refresh (pgcPadraoChange): where a
    /// validator's refusal leaves the person.
    void voltaPara(ui::TabSheet& page);
    /// voltaPara, then the focus on the control of @p field.
    void voltaParaCampo(ui::TabSheet& page, data::Field& field);
    using EnvioDeAlteracoes = remote::CallResult (RdmGrupServFat::*)(const data::Delta&);
    /// Sends the change log of @p list with @p send under the progress
    /// indicator captioned by the message @p captionKey, then merges it. A
    /// refused change is dropped (the list shows again what the server
    /// holds, and the next change does not carry it again).
    /// @throws the server's error, after dropping the change.
    void enviaAlteracoes(data::DataSet& list, const char* captionKey, EnvioDeAlteracoes send);
    /// The enabling rule for the list that decides on the page in front:
    /// editing, browse empty, browse with records; a closed list offers only
    /// to be read again (Verificar) once the groups are loaded.
    void habilitaBotoesPara(const data::DataSet& list);
    /// Checks each page entry exactly when its page is in front.
    void marcaMenuPaginas();
    /// The filter panel's controls (only the client's when the host fixes the
    /// branch); the name edits stay display only.
    void habilitaFiltro(bool enabled);
    /// The branch and client the group list was loaded for: the keys of every
    /// call about the groups and what belongs to them.
    const std::string& filial() const { return filialCarregada_; }
    const std::string& cliente() const { return clienteCarregado_; }
    /// CDCLIENTE of the current record of cdsCliente: the client the filter chose.
    std::string clienteEscolhido() const;

    /// The screen-wide state shared with the unit.
    UnitState& unit_;
    /// CDCLIENTE of the client last validated or picked; empty: unresolved.
    std::string CdClienteValidado;
    std::string filialCarregada_;
    std::string clienteCarregado_;
    /// The pair of the load in progress, taken over when the rows are replaced.
    std::string filialEmCarga_;
    std::string clienteEmCarga_;
    /// The group whose rows each list holds.
    ChaveGrupo servClieDe_;
    ChaveGrupo corrPrecGrupDe_;
    /// Set while Vd_ServicoCorrEfet runs for a move of the group list.
    bool movendoGrupos_ = false;
    /// The group left differs on the server: the groups are read again once
    /// the move has arrived.
    bool releAposMover_ = false;
    /// The reload inside a service post failed: the groups are read again at
    /// the next pause.
    bool gruposDesatualizados_ = false;
    /// The server's groups, read apart during a move (confereGrupoNoServidor).
    data::DataSet gruposNoServidor_{"gruposNoServidor"};
};

} // namespace gsf::screen
