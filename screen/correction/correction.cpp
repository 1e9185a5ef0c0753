// Price-correction table: the state handling of the intervals list.
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
using rec::CorrPrecGrup;
using rec::GrupServ;
using rec::IntervMaior;

namespace {

// A null number has the empty text, a zero has not.
bool vazio(const data::Field& field)
{
    return host::EmptyString(field.AsString());
}

} // namespace

void TfrmGrupServFat::dtsCorrPrecGrupStateChange(data::DataSource& /*sender*/)
{
    const DataSetState state = cdsCorrPrecGrup.State();
    const bool isEditing = editing(state);
    // The table is reloaded on other pages too; there the commands are not its own.
    const bool inFront = pgcPadrao.ActivePage() == &tshTabCorr;
    // Reloads of the table while a group or a service is being edited must
    // not reopen what that edit keeps closed; a closed list of the other
    // kind holds nothing pending.
    const bool otherEditing = editing(dtsPadrao.State()) || editing(dtsServClie.State());
    if (inFront && (isEditing || !otherEditing))
        habilitaBotoesPara(cdsCorrPrecGrup);
    if (isEditing || !otherEditing)
        habilitaFiltro(!isEditing);
    // A table closed by a failed load keeps nothing pending either: the
    // navigator moves on, and the next group's table is read on arrival.
    dbnPadrao.SetEnabled(!isEditing);
    if (isEditing) {
        tshPadrao.SetEnabled(false);
        tshServico.SetEnabled(false);
        tshExcecao.SetEnabled(false);
    } else if (!otherEditing) {
        const bool withGroups = !emptyOrClosed(cdsGrupServ);
        tshPadrao.SetEnabled(true);
        tshServico.SetEnabled(withGroups);
        tshExcecao.SetEnabled(unit_.ParamExcecaoDia == "1" && withGroups);
    }
    mnuGrupServ.SetEnabled(tshPadrao.Enabled());
    mnuServ.SetEnabled(tshServico.Enabled());
    mnuExce.SetEnabled(tshExcecao.Enabled());
}

void TfrmGrupServFat::cdsCorrPrecGrupAfterOpen(data::DataSet& /*dataSet*/)
{
    cdsCorrPrecGrup.EnableControls();
}

void TfrmGrupServFat::cdsCorrPrecGrupBeforeClose(data::DataSet& /*dataSet*/)
{
    cdsCorrPrecGrup.DisableControls();
}

void TfrmGrupServFat::verificaFim()
{
    const double end = cdsCorrPrecGrup.FieldByName(CorrPrecGrup::VRPEFIMGRUP).AsFloat();
    if (end >= 100)
        MensErro(Msg("VrFin_maior"), true);
    if (end <= 0)
        MensErro(Msg("VrFin_menor"), true);
    if (cdsCorrPrecGrup.FieldByName(CorrPrecGrup::VRPEINICGRUP).AsFloat() >= end)
        MensErro(Msg("VrFin_menor_VrIni"), true);
}

void TfrmGrupServFat::verificaCorrecao()
{
    const double correction = cdsCorrPrecGrup.FieldByName(CorrPrecGrup::VRPECORRGRUP).AsFloat();
    if (correction >= 100)
        MensErro(Msg("VrCorr_maior"), true);
    if (correction <= 0)
        MensErro(Msg("VrCorr_menor"), true);
}

void TfrmGrupServFat::dbgCorrPrecGrupColExit(ui::Control& /*sender*/)
{
    if (!editing(cdsCorrPrecGrup.State()))
        return;
    data::Field* left = dbgCorrPrecGrup.SelectedField();
    if (left == nullptr || vazio(*left))
        return;
    const OnFailure back([left] { focaCampo(*left); });
    if (left->FieldName() == CorrPrecGrup::VRPEFIMGRUP.name)
        verificaFim();
    else if (left->FieldName() == CorrPrecGrup::VRPECORRGRUP.name)
        verificaCorrecao();
}

void TfrmGrupServFat::cdsCorrPrecGrupAfterInsert(data::DataSet& /*dataSet*/)
{
    cdsIntervMaior.SetData(confereServ(rdmGrupServFat.GetIntervMaior(
        filial(), currentText(cdsGrupServ, GrupServ::CDCLIENTE), currentText(cdsGrupServ, GrupServ::CDGRSERVFAT))));
    if (cdsIntervMaior.IsEmpty())
        return;
    const double largestEnd = cdsIntervMaior.FieldByName(IntervMaior::VRPEFIMGRUP).AsFloat();
    cdsCorrPrecGrup.FieldByName(CorrPrecGrup::VRPEINICGRUP).SetAsFloat(largestEnd);
    cdsCorrPrecGrup.FieldByName(CorrPrecGrup::VRPEFIMGRUP).FocusControl();
}

void TfrmGrupServFat::cdsCorrPrecGrupBeforePost(data::DataSet& /*dataSet*/)
{
    cdsCorrPrecGrup.FieldByName(CorrPrecGrup::CDFILIAL).SetAsString(filial());
    cdsCorrPrecGrup.FieldByName(CorrPrecGrup::CDCLIENTE).SetAsString(currentText(cdsGrupServ, GrupServ::CDCLIENTE));
    cdsCorrPrecGrup.FieldByName(CorrPrecGrup::CDGRSERVFAT).SetAsString(currentText(cdsGrupServ, GrupServ::CDGRSERVFAT));

    data::Field& end = cdsCorrPrecGrup.FieldByName(CorrPrecGrup::VRPEFIMGRUP);
    {
        const OnFailure back([&end] { focaCampo(end); });
        // An open first interval (no start) may leave its end open too.
        if (!vazio(end))
            verificaFim();
        else if (!vazio(cdsCorrPrecGrup.FieldByName(CorrPrecGrup::VRPEINICGRUP)))
            MensErro(Msg("VrFin_vazio"), true);
    }
    data::Field& correction = cdsCorrPrecGrup.FieldByName(CorrPrecGrup::VRPECORRGRUP);
    const OnFailure back([&correction] { focaCampo(correction); });
    if (vazio(correction))
        MensErro(Msg("VrCorr_vazio"), true);
    verificaCorrecao();
}

void TfrmGrupServFat::cdsCorrPrecGrupAfterPost(data::DataSet& /*dataSet*/)
{
    if (cdsCorrPrecGrup.ChangeCount() == 0)
        return;
    // Refused, the grid shows again what the server last accepted. The rows
    // come back without a scroll, so the cursor is taken to the last row
    // here: left on the row before a refused deletion, it would let the next
    // deletion open a gap in the run of intervals.
    const OnFailure back([this] { cdsCorrPrecGrupAfterScroll(cdsCorrPrecGrup); });
    enviaAlteracoes(cdsCorrPrecGrup, "upd_cdsCorrPrecGrup", &RdmGrupServFat::UpdCorrPrecGrup);
    // The table keeps its order: a posted interval is where its end puts
    // it, and the cursor goes on to the last one, the only one to change.
    ultimoIntervalo();
}

void TfrmGrupServFat::cdsCorrPrecGrupAfterCancel(data::DataSet& /*dataSet*/)
{
    cdsCorrPrecGrup.CancelUpdates();
}

// The cursor rule holds on every page: whatever the page in front, the
// current interval is the one with the largest end.
void TfrmGrupServFat::cdsCorrPrecGrupAfterScroll(data::DataSet& /*dataSet*/)
{
    const bool inFront = pgcPadrao.ActivePage() == &tshTabCorr;
    if (inFront)
        desabilitaProcurar();
    if (editing(cdsCorrPrecGrup.State()))
        return;
    ultimoIntervalo();
    if (!inFront)
        return;
    for (const data::FieldKey field : {CorrPrecGrup::VRPEFIMGRUP, CorrPrecGrup::VRPECORRGRUP}) {
        const int column = host::IndiceCol(dbgCorrPrecGrup, field.name);
        if (column >= 0)
            dbgCorrPrecGrup.ColumnAt(column).SetReadOnly(false);
    }
}

void TfrmGrupServFat::ultimoIntervalo()
{
    // The table is ordered by its intervals, so its last row holds the
    // largest end: the only interval that may be changed or removed.
    if (cdsCorrPrecGrup.Active() && !editing(cdsCorrPrecGrup.State()))
        cdsCorrPrecGrup.Last();
}

} // namespace gsf::screen
