// The verify command: the list of the page in front, read again from the server.
#include "platform/host/errors.h"
#include "screen/shell/frm_grup_serv_fat.h"
#include "screen/shell/screen_helpers.h"

namespace gsf::screen {

// The reloaded list's own open, scroll and state handling sets the commands.
// Settling a filter being edited has just read the groups afresh: nothing more to do then.
void TfrmGrupServFat::sbtVerificarClick(ui::Control& /*sender*/)
{
    if (!acertaFiltroPara(sbtVerificar, false))
        return;
    const ui::TabSheet* front = pgcPadrao.ActivePage();
    if (front == &tshPadrao || front == &tshExcecao) {
        carregaGrupos(filial(), cliente());
    } else if (front == &tshServico) {
        carregaServClie();
    } else if (front == &tshTabCorr) {
        desabilitaProcurar();
        carregaCorrPrecGrup();
    }
}

// A call whose answer never came may have changed the server or not. Once the
// action's own failure handling has run, the lists are read again, so the
// screen shows what the server holds and the next edit of the same row is no
// false conflict. A row being typed is never dropped for it: the re-read waits
// until every list is back in browse.
// The same once a service post changed the group's correction service and
// could not read it back: the clerk must not be held to a state the server
// does not have (a correction service posted but not seen).
void TfrmGrupServFat::FormIdle(ui::Form& /*sender*/)
{
    if (!rdmGrupServFat.OutcomeUnknown() && !gruposDesatualizados_)
        return;
    if (!cdsGrupServ.Active()) {
        rdmGrupServFat.ClearOutcomeUnknown();
        gruposDesatualizados_ = false;
        return;
    }
    for (const data::DataSet* list : {&cdsGrupServ, &cdsServClie, &cdsCorrPrecGrup})
        if (list->Active() && editing(list->State()))
            return;
    recarregaGrupos();
    rdmGrupServFat.ClearOutcomeUnknown();
    gruposDesatualizados_ = false;
}

} // namespace gsf::screen
