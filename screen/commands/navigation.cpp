// Page navigation, the page menu entries and the enabling rule of the commands.
#include "platform/host/control_routines.h"
#include "platform/host/messages.h"
#include "screen/shell/frm_grup_serv_fat.h"
#include "screen/shell/screen_helpers.h"

namespace gsf::screen {

using data::DataSetState;

void TfrmGrupServFat::HabilitaBotoes(bool first, bool second, bool third)
{
    sbtIncluir.SetEnabled(first);
    for (ui::SpeedButton* button : {&sbtAlterar, &sbtExcluir, &sbtProcurar, &sbtVerificar})
        button->SetEnabled(second);
    // The correction table has no search, whichever road sets its commands.
    if (pgcPadrao.ActivePage() == &tshTabCorr)
        sbtProcurar.SetEnabled(false);
    sbtCancelar.SetEnabled(third);
    sbtConfirmar.SetEnabled(third);
    const std::pair<ui::MenuItem*, ui::SpeedButton*> entries[] = {
        {&mnuIncluir, &sbtIncluir},    {&mnuAlterar, &sbtAlterar},     {&mnuExcluir, &sbtExcluir},
        {&mnuProcurar, &sbtProcurar},  {&mnuVerificar, &sbtVerificar}, {&mnuCancelar, &sbtCancelar},
        {&mnuConfirmar, &sbtConfirmar}};
    for (const auto& [entry, button] : entries)
        entry->SetEnabled(button->Enabled());
}

void TfrmGrupServFat::habilitaEmEdicao()
{
    HabilitaBotoes(false, false, true);
}

void TfrmGrupServFat::habilitaConsulta(bool withRecords)
{
    HabilitaBotoes(true, withRecords, false);
}

void TfrmGrupServFat::Habilita()
{
    const ui::TabSheet* front = pgcPadrao.ActivePage();
    if (front == &tshTabCorr) {
        sbtProcurar.SetEnabled(false);
        mnuProcurar.SetEnabled(false);
    }
    if (front == &tshPadrao || front == &tshExcecao) {
        habilitaBotoesPara(cdsGrupServ);
        if (front == &tshExcecao) {
            const std::pair<ui::SpeedButton*, ui::MenuItem*> noRecordCommands[] = {
                {&sbtIncluir, &mnuIncluir}, {&sbtExcluir, &mnuExcluir}, {&sbtProcurar, &mnuProcurar}};
            for (const auto& [button, entry] : noRecordCommands) {
                button->SetEnabled(false);
                entry->SetEnabled(false);
            }
        }
    }
    if (emptyOrClosed(cdsGrupServ)) {
        tshExcecao.SetEnabled(false);
        tshTabCorr.SetEnabled(false);
        tshServico.SetEnabled(false);
    }
}

void TfrmGrupServFat::pgcPadraoChange(ui::PageControl& /*sender*/)
{
    marcaMenuPaginas();
    const ui::TabSheet* front = pgcPadrao.ActivePage();
    if (front == &tshServico) {
        carregaServClie();
        habilitaBotoesPara(cdsServClie);
    }
    if (front == &tshTabCorr) {
        // A row being typed is kept; a table closed by a failed load is read
        // for the current group, like one in browse.
        if (!editing(cdsCorrPrecGrup.State()))
            carregaCorrPrecGrup();
        habilitaBotoesPara(cdsCorrPrecGrup);
        desabilitaProcurar();
    }
    Habilita();
}

void TfrmGrupServFat::voltaPara(ui::TabSheet& page)
{
    host::SetActivePage(pgcPadrao, page);
    pgcPadraoChange(pgcPadrao);
}

void TfrmGrupServFat::voltaParaCampo(ui::TabSheet& page, data::Field& field)
{
    voltaPara(page);
    field.FocusControl();
}

// A closed list has nothing to include into nor to confirm.
void TfrmGrupServFat::habilitaBotoesPara(const data::DataSet& list)
{
    const DataSetState state = list.State();
    if (editing(state))
        habilitaEmEdicao();
    else if (state == DataSetState::Inactive)
        HabilitaBotoes(false, false, false);
    else
        habilitaConsulta(!list.IsEmpty());
    if (!list.Active() && !emptyOrClosed(cdsGrupServ)) {
        sbtVerificar.SetEnabled(true);
        mnuVerificar.SetEnabled(true);
    }
}

void TfrmGrupServFat::pgcPadraoChanging(ui::PageControl& /*sender*/, bool& /*allowChange*/)
{
    if (pgcPadrao.ActivePage() != &tshServico)
        return;
    verificaCorrEfetOuVolta();
}

void TfrmGrupServFat::pgcPadraoExit(ui::Control& /*sender*/)
{
    verificaCorrEfetOuVolta();
}

bool TfrmGrupServFat::podeEntrar(ui::MenuItem& entry)
{
    acertaFiltro();
    // The list just loaded may not offer the page (a client without groups).
    return entry.Enabled();
}

void TfrmGrupServFat::mnuGrupServClick(ui::MenuItem& /*sender*/)
{
    if (!podeEntrar(mnuGrupServ))
        return;
    host::SetActivePage(pgcPadrao, tshPadrao);
    pgcPadraoChange(pgcPadrao);
}

void TfrmGrupServFat::mnuServClick(ui::MenuItem& /*sender*/)
{
    if (!podeEntrar(mnuServ))
        return;
    // Entering the services reloads them whatever their state: a row being
    // typed goes only when the person says so.
    if (pgcPadrao.ActivePage() == &tshServico && editing(cdsServClie.State())) {
        if (msgMensagensPadroes.ShowMsg("Canc", host::MsgConfirmation) != host::IdYes)
            return;
        cdsServClie.Cancel();
    }
    host::SetActivePage(pgcPadrao, tshServico);
    pgcPadraoChange(pgcPadrao);
}

void TfrmGrupServFat::mnuExceClick(ui::MenuItem& /*sender*/)
{
    if (!podeEntrar(mnuExce))
        return;
    host::SetActivePage(pgcPadrao, tshExcecao);
    pgcPadraoChange(pgcPadrao);
}

void TfrmGrupServFat::mnuTabCorrClick(ui::MenuItem& /*sender*/)
{
    if (!podeEntrar(mnuTabCorr))
        return;
    host::SetActivePage(pgcPadrao, tshTabCorr);
    pgcPadraoChange(pgcPadrao);
}

} // namespace gsf::screen
