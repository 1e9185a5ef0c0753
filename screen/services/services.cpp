// Group services: the state handling of the services list and the two
// group-level rules about services.
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
using host::CheckResultServ;
using host::MensErro;

void TfrmGrupServFat::dtsServClieStateChange(data::DataSource& /*sender*/)
{
    const DataSetState state = cdsServClie.State();
    const bool browse = state == DataSetState::Browse;
    const bool isEditing = editing(state);
    // The commands follow the services only while their page is in front:
    // every move between groups reloads the list, and on the other pages the
    // commands belong to the groups or the intervals.
    const bool inFront = pgcPadrao.ActivePage() == &tshServico;
    if (AtualizaEstado && inFront) {
        const bool withServices = browse && !cdsServClie.IsEmpty();
        mnuCancelar.SetEnabled(isEditing);
        mnuConfirmar.SetEnabled(isEditing);
        mnuIncluir.SetEnabled(browse);
        for (ui::MenuItem* entry : {&mnuAlterar, &mnuExcluir, &mnuProcurar, &mnuVerificar})
            entry->SetEnabled(withServices);
        const std::pair<ui::SpeedButton*, ui::MenuItem*> commands[] = {
            {&sbtCancelar, &mnuCancelar}, {&sbtConfirmar, &mnuConfirmar}, {&sbtIncluir, &mnuIncluir},
            {&sbtAlterar, &mnuAlterar},   {&sbtExcluir, &mnuExcluir},     {&sbtProcurar, &mnuProcurar},
            {&sbtVerificar, &mnuVerificar}};
        for (const auto& [button, entry] : commands)
            button->SetEnabled(entry->Enabled());
        dbnPadrao.SetEnabled(browse);
    }

    const int codeColumn = host::IndiceCol(dbgServico, "CDSERVFILI");
    if (isEditing) {
        if (inFront)
            HabilitaBotoes(false, false, true);
        if (codeColumn >= 0)
            dbgServico.ColumnAt(codeColumn).SetButtonStyle(ui::ButtonStyle::Ellipsis);
    } else if (dtsPadrao.State() == DataSetState::Browse && dtsCorrPrecGrup.State() == DataSetState::Browse) {
        if (inFront)
            HabilitaBotoes(true, !emptyOrClosed(cdsServClie), false);
        if (codeColumn >= 0)
            dbgServico.ColumnAt(codeColumn).SetButtonStyle(ui::ButtonStyle::None);
    }
    if (codeColumn >= 0)
        dbgServico.ColumnAt(codeColumn).SetReadOnly(state != DataSetState::Insert);

    // The services list is reloaded while a group or an interval is being
    // edited (after-scroll of an insert): its browse state must not reopen
    // the pages and the filter that the pending edit keeps closed.
    const bool otherEditing = editing(dtsPadrao.State()) || editing(dtsCorrPrecGrup.State());
    if (isEditing || !otherEditing)
        habilitaFiltro(!isEditing);
    if (isEditing) {
        tshPadrao.SetEnabled(false);
        tshExcecao.SetEnabled(false);
        tshTabCorr.SetEnabled(false);
    } else if (!otherEditing) {
        const bool withGroups = !emptyOrClosed(cdsGrupServ);
        tshPadrao.SetEnabled(true);
        tshExcecao.SetEnabled(ParamExcecaoDia == "1" && withGroups);
        tshTabCorr.SetEnabled(ParamTabCorr == "2" && withGroups);
    }
    mnuGrupServ.SetEnabled(tshPadrao.Enabled());
    mnuExce.SetEnabled(tshExcecao.Enabled());
    mnuTabCorr.SetEnabled(tshTabCorr.Enabled());
}

void TfrmGrupServFat::cdsServClieAfterOpen(data::DataSet& /*dataSet*/)
{
    cdsServClie.EnableControls();
    AtualizaEstado = true;
}

void TfrmGrupServFat::cdsServClieBeforeClose(data::DataSet& /*dataSet*/)
{
    cdsServClie.DisableControls();
    AtualizaEstado = false;
}

void TfrmGrupServFat::cdsServClieAfterInsert(data::DataSet& /*dataSet*/)
{
    cdsServClie.FieldByName("CDSERVFILI").FocusControl();
}

void TfrmGrupServFat::cdsServClieAfterDelete(data::DataSet& /*dataSet*/)
{
    try {
        host::ActiveShowAvi(this, 1, Msg("upd_cdsServClie"));
        CheckResultServ(rdmGrupServFat.UpdServClie(cdsServClie.Delta()), true, 0);
        cdsServClie.MergeChangeLog();
        host::DeactiveShowAvi();
    } catch (...) {
        host::DeactiveShowAvi();
        throw;
    }
}

void TfrmGrupServFat::cdsServClieIDCORREFETGetText(data::Field& sender, std::string& text, bool /*displayText*/)
{
    const std::string stored = sender.AsString();
    if (!host::EmptyString(stored)) {
        text = stored;
        return;
    }
    if (sender.Owner().IsEmpty()) {
        text.clear();
        return;
    }
    const std::string correction = currentText(cdsGrupServ, "CDSERAJEFEGSF");
    const std::string service = sender.Owner().FieldByName("CDSERVFILI").AsString();
    text = !host::EmptyString(correction) && correction == service ? "Sim" : "Não";
}

void TfrmGrupServFat::cdsServClieIDCORREFETSetText(data::Field& sender, const std::string& text)
{
    sender.SetAsString(text);
}

void TfrmGrupServFat::dbgServicoKeyPress(ui::Control& /*sender*/, char32_t& ch)
{
    const data::Field* field = dbgServico.SelectedField();
    if (field != nullptr && field->FieldName() == "IDCORREFET")
        ch = 0;
}

void TfrmGrupServFat::Vd_ServicoCorrEfet()
{
    if (!cdsGrupServ.Active())
        return;
    const bool servicesInFront = pgcPadrao.ActivePage() == &tshServico;
    if (!cdsGrupServ.FieldByName("CDSERAJEFEGSF").IsNull() && servicesInFront) {
        // A correction service cleared on the server meanwhile is seen as cleared.
        const FlagOff noCheck(VerificaScroll);
        CdGrupoGuardado = cdsGrupServ.FieldByName("CDGRSERVFAT").AsString();
        cdsGrupServ.SetData(CheckResultServ(rdmGrupServFat.GetGrupServ(filial(), cliente()), true, 0));
        cdsGrupServ.Locate("CDGRSERVFAT", CdGrupoGuardado, true);
    }
    if (cdsGrupServ.FieldByName("CDSERAJEFEGSF").IsNull() && !emptyOrClosed(cdsServClie) && tshServico.Enabled())
        MensErro(Msg("ServCorrEfet_inf"), true);
}

void TfrmGrupServFat::Vd_ServGrupo()
{
    if (emptyOrClosed(cdsServClie))
        MensErro(Msg("ServGrup_inf"), true);
}

} // namespace gsf::screen
