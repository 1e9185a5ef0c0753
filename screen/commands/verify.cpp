// The verify command: the list of the page in front, read again from the server.
#include "platform/host/errors.h"
#include "screen/shell/frm_grup_serv_fat.h"

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

} // namespace gsf::screen
