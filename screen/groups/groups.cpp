// Service group editing: the group list's open, close, insert, post, cancel,
// delete and scroll handling, and the pages, menu entries and filter that
// follow the list's state.
#include "platform/host/control_routines.h"
#include "platform/host/errors.h"
#include "platform/host/host_context.h"
#include "platform/host/progress.h"
#include "platform/host/routines.h"
#include "screen/shell/cli_vex04120.h"
#include "screen/shell/frm_grup_serv_fat.h"
#include "screen/shell/screen_helpers.h"

namespace gsf::screen {

using data::DataSetState;
using host::MensErro;
using rec::GrupServ;

void TfrmGrupServFat::cdsGrupServAfterOpen(data::DataSet& /*dataSet*/)
{
    // The display updates and the state flag come back on the way out too:
    // a failed reload must not leave the grid frozen and the commands stale.
    struct Resume {
        data::DataSet& groups;
        bool& updateState;
        ~Resume()
        {
            groups.EnableControls();
            updateState = true;
        }
    } resume{cdsGrupServ, unit_.AtualizaEstado};
    // A list being edited on another page is never overwritten by a reload.
    if (!editing(cdsServClie.State()))
        carregaServClie();
    if (!editing(cdsCorrPrecGrup.State()))
        carregaCorrPrecGrup();
}

void TfrmGrupServFat::carregaGrupos(std::string branch, std::string client)
{
    data::DecodedPacket groups = confereServ(rdmGrupServFat.GetGrupServ(branch, client));
    filialEmCarga_ = std::move(branch);
    clienteEmCarga_ = std::move(client);
    cdsGrupServ.SetData(std::move(groups));
}

// The old rows are gone at this point: whatever fails later in the load (the
// services or intervals of the first group), the list is the new pair's.
void TfrmGrupServFat::cdsGrupServBeforeOpen(data::DataSet& /*dataSet*/)
{
    filialCarregada_ = filialEmCarga_;
    clienteCarregado_ = clienteEmCarga_;
    // Read afresh: nothing is left to read again, after a move or at a pause.
    releAposMover_ = false;
    gruposDesatualizados_ = false;
}

void TfrmGrupServFat::cdsGrupServBeforeClose(data::DataSet& /*dataSet*/)
{
    cdsGrupServ.DisableControls();
    unit_.AtualizaEstado = false;
}

void TfrmGrupServFat::cdsGrupServBeforeInsert(data::DataSet& /*dataSet*/)
{
    verificaCorrEfetAoMover();
}

void TfrmGrupServFat::cdsGrupServAfterInsert(data::DataSet& /*dataSet*/)
{
    cdsGrupServ.FieldByName(GrupServ::CDGRSERVFAT).FocusControl();
    // A client that had no group never loaded the branch parameters.
    if (!cdsGrupServ.IsEmpty())
        CarregaParamFilial();
}

void TfrmGrupServFat::cdsGrupServBeforePost(data::DataSet& /*dataSet*/)
{
    cdsGrupServ.FieldByName(GrupServ::CDFILIAL).SetAsString(filial());
    cdsGrupServ.FieldByName(GrupServ::CDCLIENTE).SetAsString(cliente());
    // Every value check runs before any must-be-filled check.
    for (const bool presence : {false, true}) {
        Vd_Grupo(presence);
        if (presence)
            Vd_Descricao();
        Vd_Quant(presence);
        for (ui::DBEdit* day : DayEdits())
            Vd_QuantMin(*day, presence);
    }
}

void TfrmGrupServFat::cdsGrupServAfterPost(data::DataSet& /*dataSet*/)
{
    if (cdsGrupServ.ChangeCount() == 0)
        return;
    enviaAlteracoes(cdsGrupServ, "upd_cdsGrupServ", &RdmGrupServFat::UpdGrupServ);
}

void TfrmGrupServFat::cdsGrupServAfterCancel(data::DataSet& /*dataSet*/)
{
    cdsGrupServ.CancelUpdates();
}

void TfrmGrupServFat::cdsGrupServAfterDelete(data::DataSet& /*dataSet*/)
{
    // A refused deletion must not stay pending unseen: the group comes back.
    enviaAlteracoes(cdsGrupServ, "upd_cdsGrupServ", &RdmGrupServFat::UpdGrupServ);
}

// A before-scroll that reloaded the list would end the move (the rows it
// was going to are gone): the check runs without reloading it.
void TfrmGrupServFat::cdsGrupServBeforeScroll(data::DataSet& /*dataSet*/)
{
    releAposMover_ = false;
    if (!unit_.VerificaScroll)
        return;
    verificaCorrEfetAoMover();
}

void TfrmGrupServFat::cdsGrupServAfterScroll(data::DataSet& /*dataSet*/)
{
    // The group left differed on the server: the list is read again with the
    // group arrived at kept, and its reload's own after-scroll loads the rest.
    if (releAposMover_ && cdsGrupServ.State() == DataSetState::Browse) {
        releAposMover_ = false;
        releGruposDesatualizados();
        return;
    }
    const ui::TabSheet* front = pgcPadrao.ActivePage();
    if (cdsGrupServ.State() == DataSetState::Browse) {
        if (!editing(cdsServClie.State()) && front == &tshServico)
            dtsServClieStateChange(dtsServClie);
        if (front == &tshTabCorr) {
            sbtProcurar.SetEnabled(false);
            if (!editing(cdsCorrPrecGrup.State()))
                dtsCorrPrecGrupStateChange(dtsCorrPrecGrup);
            carregaCorrPrecGrup();
        }
    }
    carregaServClie();
    if (front == &tshServico) {
        const bool withServices = !cdsServClie.IsEmpty();
        const std::pair<ui::SpeedButton*, ui::MenuItem*> commands[] = {{&sbtExcluir, &mnuExcluir},
                                                                       {&sbtAlterar, &mnuAlterar},
                                                                       {&sbtProcurar, &mnuProcurar},
                                                                       {&sbtVerificar, &mnuVerificar}};
        for (const auto& [button, entry] : commands)
            button->SetEnabled(withServices);
        for (const auto& [button, entry] : commands)
            entry->SetEnabled(button->Enabled());
    }
}

void TfrmGrupServFat::dtsPadraoStateChange(data::DataSource& sender)
{
    const ui::TabSheet* front = pgcPadrao.ActivePage();
    if (unit_.AtualizaEstado) {
        TfrmPadraoGrid::dtsPadraoStateChange(sender);
        // The base sets the search by the groups alone; the correction table has none.
        if (front == &tshTabCorr)
            desabilitaProcurar();
    }
    const DataSetState state = cdsGrupServ.State();
    const bool open = !editing(state);
    const bool withGroups = !emptyOrClosed(cdsGrupServ);

    tshServico.SetEnabled(open && withGroups);
    tshTabCorr.SetEnabled(unit_.ParamTabCorr == "2" && open && withGroups);
    if (front != &tshPadrao)
        tshPadrao.SetEnabled(open);
    if (front != &tshExcecao)
        tshExcecao.SetEnabled(unit_.ParamExcecaoDia == "1" && open && withGroups);
    mnuGrupServ.SetEnabled(tshPadrao.Enabled());
    mnuServ.SetEnabled(tshServico.Enabled());
    mnuTabCorr.SetEnabled(tshTabCorr.Enabled());
    mnuExce.SetEnabled(tshExcecao.Enabled());

    // The base enables printing with records; this screen has no listing.
    sbtImprimir.SetEnabled(false);

    const int codeColumn = host::IndiceCol(dbgPadrao, GrupServ::CDGRSERVFAT.name);
    if (codeColumn >= 0)
        dbgPadrao.ColumnAt(codeColumn).SetReadOnly(state == DataSetState::Edit);

    habilitaFiltro(open);
}

void TfrmGrupServFat::habilitaFiltro(bool enabled)
{
    if (host::ModuFili()) {
        lblCliente.SetEnabled(enabled);
        medCdCliente.SetEnabled(enabled);
        btpCliente.SetEnabled(enabled);
        return;
    }
    host::SetChildEnabled(panFiltro, enabled);
    // The names are shown, never typed: they stay disabled whatever the panel does.
    edtNmFilial.SetEnabled(false);
    edtNmCliente.SetEnabled(false);
}

void TfrmGrupServFat::dbgPadraoColExit(ui::Control& /*sender*/)
{
    const data::Field* field = dbgPadrao.SelectedField();
    if (field == nullptr)
        return;
    if (field->FieldName() == GrupServ::CDGRSERVFAT.name && cdsGrupServ.State() == DataSetState::Insert)
        Vd_Grupo(false);
    else if (field->FieldName() == GrupServ::QTEFETMINIGSF.name)
        Vd_Quant(false);
}

void TfrmGrupServFat::dbgPadraoExit(ui::Control& /*sender*/)
{
    if (cdsGrupServ.State() == DataSetState::Insert)
        Vd_Grupo(false);
    if (editing(cdsGrupServ.State()))
        Vd_Quant(false);
}

void TfrmGrupServFat::Vd_Grupo(bool presence)
{
    if (cdsGrupServ.State() != DataSetState::Insert)
        return;
    data::Field& code = cdsGrupServ.FieldByName(GrupServ::CDGRSERVFAT);
    const OnFailure back([&] { voltaParaCampo(tshPadrao, code); });
    const std::string adjusted = host::Ajusta(code.AsString(), 3);
    if (adjusted != code.AsString())
        code.SetAsString(adjusted);
    if (presence) {
        if (host::EmptyString(adjusted))
            MensErro(Msg("GrupServ_Emp"), true);
    } else {
        cdsVerifGrupServ.SetData(confereServ(rdmGrupServFat.GetVerifGrupServ(filial(), cliente(), adjusted)));
        if (!cdsVerifGrupServ.IsEmpty())
            MensErro(Msg("GrupServ_cad"), true);
    }
}

void TfrmGrupServFat::Vd_Descricao()
{
    data::Field& description = cdsGrupServ.FieldByName(GrupServ::DSGRSERVFAT);
    if (!host::EmptyString(description.AsString()))
        return;
    const OnFailure back([&] { voltaParaCampo(tshPadrao, description); });
    MensErro(Msg("Desc_grupo"), true);
}

} // namespace gsf::screen
