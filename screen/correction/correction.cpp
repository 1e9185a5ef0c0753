// Price-correction table: the state handling of the intervals list.
#include "platform/host/control_routines.h"
#include "platform/host/host_context.h"
#include "screen/shell/cli_vex04120.h"
#include "screen/shell/frm_grup_serv_fat.h"
#include "screen/shell/screen_helpers.h"

namespace gsf::screen {

using data::DataSetState;

void TfrmGrupServFat::dtsCorrPrecGrupStateChange(data::DataSource& /*sender*/)
{
    const DataSetState state = cdsCorrPrecGrup.State();
    const bool isEditing = editing(state);
    // The table is reloaded on other pages too; there the commands are not its own.
    const bool inFront = pgcPadrao.ActivePage() == &tshTabCorr;
    if (inFront && isEditing)
        HabilitaBotoes(false, false, true);
    else if (inFront && dtsPadrao.State() == DataSetState::Browse && dtsServClie.State() == DataSetState::Browse)
        HabilitaBotoes(true, !emptyOrClosed(cdsCorrPrecGrup), false);

    // Reloads of the table while a group or a service is being edited must
    // not reopen what that edit keeps closed.
    const bool otherEditing = editing(dtsPadrao.State()) || editing(dtsServClie.State());
    if (isEditing || !otherEditing)
        habilitaFiltro(!isEditing);
    dbnPadrao.SetEnabled(state == DataSetState::Browse);
    if (isEditing) {
        tshPadrao.SetEnabled(false);
        tshServico.SetEnabled(false);
        tshExcecao.SetEnabled(false);
    } else if (!otherEditing) {
        const bool withGroups = !emptyOrClosed(cdsGrupServ);
        tshPadrao.SetEnabled(true);
        tshServico.SetEnabled(withGroups);
        tshExcecao.SetEnabled(ParamExcecaoDia == "1" && withGroups);
    }
    mnuGrupServ.SetEnabled(tshPadrao.Enabled());
    mnuServ.SetEnabled(tshServico.Enabled());
    mnuExce.SetEnabled(tshExcecao.Enabled());
}

void TfrmGrupServFat::cdsCorrPrecGrupAfterOpen(data::DataSet& /*dataSet*/) { cdsCorrPrecGrup.EnableControls(); }

void TfrmGrupServFat::cdsCorrPrecGrupBeforeClose(data::DataSet& /*dataSet*/) { cdsCorrPrecGrup.DisableControls(); }

} // namespace gsf::screen
