// The record commands of the command bar: each acts on the list of the page in front.
#include "platform/host/control_routines.h"
#include "platform/host/errors.h"
#include "platform/host/lookup.h"
#include "platform/host/messages.h"
#include "platform/host/progress.h"
#include "screen/shell/cli_vex04120.h"
#include "screen/shell/frm_grup_serv_fat.h"
#include "screen/shell/screen_helpers.h"

namespace gsf::screen {

using data::DataSetState;
using rec::GrupServ;
using rec::ServClie;

namespace {

bool emptyAndOpen(const data::DataSet& dataSet)
{
    return dataSet.Active() && dataSet.IsEmpty();
}

} // namespace

void TfrmGrupServFat::sbtIncluirClick(ui::Control& sender)
{
    if (!acertaFiltroPara(sbtIncluir, true))
        return;
    if (pgcPadrao.ActivePage() == &tshExcecao) {
        host::SetActivePage(pgcPadrao, tshPadrao);
        marcaMenuPaginas();
    }
    const ui::TabSheet* front = pgcPadrao.ActivePage();
    if (front == &tshTabCorr) {
        desabilitaProcurar();
        // After every other interval: the new one starts where the largest ends.
        cdsCorrPrecGrup.Append();
    } else if (front == &tshServico) {
        // The focus first: leaving the control that had it may reload the list.
        cdsServClie.FieldByName(ServClie::CDSERVFILI).FocusControl();
        const bool firstService = cdsServClie.IsEmpty();
        cdsServClie.Insert();
        // The first service of a group is proposed as the one carrying the correction.
        if (firstService)
            cdsServClie.FieldByName(ServClie::IDCORREFET).SetAsString("Sim");
    } else if (front == &tshPadrao) {
        tshPadrao.SetEnabled(true);
        mnuGrupServ.SetEnabled(true);
        const int code = host::IndiceCol(dbgPadrao, GrupServ::CDGRSERVFAT.name);
        if (code >= 0)
            dbgPadrao.SetSelectedIndex(code);
        TfrmPadraoGrid::sbtIncluirClick(sender);
    }
}

void TfrmGrupServFat::sbtAlterarClick(ui::Control& sender)
{
    if (!acertaFiltroPara(sbtAlterar, true))
        return;
    const int flagColumn = host::IndiceCol(dbgServico, ServClie::IDCORREFET.name);
    const int descriptionColumn = host::IndiceCol(dbgPadrao, GrupServ::DSGRSERVFAT.name);
    const ui::TabSheet* front = pgcPadrao.ActivePage();
    if (front == &tshTabCorr) {
        desabilitaProcurar();
        focusIfCan(dbgCorrPrecGrup);
        cdsCorrPrecGrup.Edit();
    } else if (front == &tshServico) {
        // Only the flag of an existing service can change.
        if (flagColumn >= 0)
            dbgServico.SetSelectedIndex(flagColumn);
        focusIfCan(dbgServico);
        cdsServClie.Edit();
    } else {
        if (descriptionColumn >= 0)
            dbgPadrao.SetSelectedIndex(descriptionColumn);
        TfrmPadraoGrid::sbtAlterarClick(sender);
    }
}

void TfrmGrupServFat::sbtExcluirClick(ui::Control& /*sender*/)
{
    // A list just loaded by settling the filter is shown before anything of it is removed.
    if (!acertaFiltroPara(sbtExcluir, false))
        return;
    const ui::TabSheet* front = pgcPadrao.ActivePage();
    if (front == &tshServico)
        excluiServico();
    else if (front == &tshTabCorr)
        excluiIntervalo();
    else
        excluiGrupo();
}

void TfrmGrupServFat::excluiServico()
{
    if (emptyOrClosed(cdsServClie))
        return;
    if (msgMensagensPadroes.ShowMsg("Excl", host::MsgConfirmation) != host::IdYes)
        return;
    const std::string group = currentText(cdsGrupServ, GrupServ::CDGRSERVFAT);
    const std::string service = cdsServClie.FieldByName(ServClie::CDSERVFILI).AsString();
    // The group loses its correction service together with the service. That
    // changes the group on the server, so once it is cleared the screen reads
    // the group again, also when the removal fails after it: a later post of
    // the group is then no conflict. Reading the groups reloads the services.
    bool groupChanged = false;
    {
        const OnFailure readBack([&] {
            if (groupChanged)
                releGruposSemFalha();
        });
        if (service == currentText(cdsGrupServ, GrupServ::CDSERAJEFEGSF)) {
            confereServ(rdmGrupServFat.ProLimpaServ(filial(), cliente(), group));
            groupChanged = true;
        }
        const host::ProgressScope progress(this, 1, Msg("pro_DeletaServ"));
        confereServ(rdmGrupServFat.ProDeletaServ(filial(), cliente(), group, service));
    }
    if (groupChanged)
        recarregaGrupos();
    else
        carregaServClie();
    if (cdsServClie.IsEmpty())
        habilitaSoIncluir();
}

void TfrmGrupServFat::excluiIntervalo()
{
    desabilitaProcurar();
    if (emptyOrClosed(cdsCorrPrecGrup))
        return;
    if (msgMensagensPadroes.ShowMsg("Excl", host::MsgConfirmation) != host::IdYes)
        return;
    cdsCorrPrecGrup.Delete();
    if (cdsCorrPrecGrup.IsEmpty())
        habilitaSoIncluir();
}

// The question comes before anything reaches the server: a group kept on No
// must keep its services too.
void TfrmGrupServFat::excluiGrupo()
{
    if (emptyOrClosed(cdsGrupServ))
        return;
    if (msgMensagensPadroes.ShowMsg("Excl", host::MsgConfirmation) != host::IdYes)
        return;
    const bool namesCorrection = !cdsGrupServ.FieldByName(GrupServ::CDSERAJEFEGSF).IsNull();
    confereServ(rdmGrupServFat.ProDelServ(filial(), cliente(), currentText(cdsGrupServ, GrupServ::CDGRSERVFAT)));
    // Removing the services cleared the group's correction service on the
    // server: the deletion must carry the group as the server now holds it,
    // or it is refused as changed by someone else. A group that is gone
    // meanwhile leaves nothing to delete.
    if (namesCorrection && !recarregaGrupos())
        return;
    {
        // The group going away needs no correction service: its services
        // are already gone on the server.
        const FlagOff noCheck(unit_.VerificaScroll);
        cdsGrupServ.Delete();
    }
    carregaServClie();
    carregaCorrPrecGrup();
    if (cdsGrupServ.IsEmpty())
        habilitaSoIncluir();
}

void TfrmGrupServFat::sbtCancelarClick(ui::Control& sender)
{
    if (!acertaFiltroPara(sbtCancelar, true))
        return;
    const std::pair<data::DataSet*, data::DataSource*> pending[] = {{&cdsCorrPrecGrup, &dtsCorrPrecGrup},
                                                                    {&cdsServClie, &dtsServClie}};
    for (const auto& [dataSet, source] : pending) {
        if (!editing(source->State()))
            continue;
        if (msgMensagensPadroes.ShowMsg("Canc", host::MsgConfirmation) == host::IdYes)
            dataSet->Cancel();
        if (dataSet->IsEmpty())
            habilitaSoIncluir();
    }
    TfrmPadraoGrid::sbtCancelarClick(sender);
    if (emptyAndOpen(cdsGrupServ))
        habilitaSoIncluir();
    Habilita();
}

void TfrmGrupServFat::sbtConfirmarClick(ui::Control& sender)
{
    if (!acertaFiltroPara(sbtConfirmar, true))
        return;
    if (editing(dtsCorrPrecGrup.State()))
        cdsCorrPrecGrup.Post();
    if (editing(dtsServClie.State()))
        cdsServClie.Post();
    TfrmPadraoGrid::sbtConfirmarClick(sender);
    pgcPadraoChange(pgcPadrao);
}

void TfrmGrupServFat::sbtProcurarClick(ui::Control& sender)
{
    if (!acertaFiltroPara(sbtProcurar, true))
        return;
    if (pgcPadrao.ActivePage() == &tshServico) {
        if (cdsServClie.Active())
            host::Procura(cdsServClie);
        return;
    }
    // Moving to the group found is a search, not leaving a group being worked on.
    const FlagOff noCheck(unit_.VerificaScroll);
    TfrmPadraoGrid::sbtProcurarClick(sender);
}

} // namespace gsf::screen
