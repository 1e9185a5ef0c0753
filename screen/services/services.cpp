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

#include <algorithm>
#include <cctype>

namespace gsf::screen {

using data::DataSetState;
using host::MensErro;
using rec::GrupServ;
using rec::PesqServ;
using rec::ServClie;

namespace {

// "Sim" exactly, or a text that upper-cases to "S"; read as stored, untrimmed.
bool flagged(const std::string& text)
{
    if (text == "Sim")
        return true;
    return text.size() == 1 && std::toupper(static_cast<unsigned char>(text[0])) == 'S';
}

// Whether @p delta deletes the row of @p service (never for a blank one).
bool removesService(const data::Delta& delta, const std::string& service)
{
    const int code = delta.indexOf(ServClie::CDSERVFILI.name);
    if (code < 0 || host::EmptyString(service))
        return false;
    return std::any_of(delta.changes.begin(), delta.changes.end(), [&](const data::Change& change) {
        return change.kind == data::ChangeKind::Delete &&
               data::sameValue(change.oldValues[static_cast<std::size_t>(code)], service);
    });
}

} // namespace

void TfrmGrupServFat::dtsServClieStateChange(data::DataSource& /*sender*/)
{
    const DataSetState state = cdsServClie.State();
    const bool browse = state == DataSetState::Browse;
    const bool isEditing = editing(state);
    // The commands follow the services only while their page is in front:
    // every move between groups reloads the list, and on the other pages the
    // commands belong to the groups or the intervals.
    const bool inFront = pgcPadrao.ActivePage() == &tshServico;
    if (unit_.AtualizaEstado && inFront) {
        const bool withServices = browse && !cdsServClie.IsEmpty();
        mnuCancelar.SetEnabled(isEditing);
        mnuConfirmar.SetEnabled(isEditing);
        mnuIncluir.SetEnabled(browse);
        for (ui::MenuItem* entry : {&mnuAlterar, &mnuExcluir, &mnuProcurar, &mnuVerificar})
            entry->SetEnabled(withServices);
        const std::pair<ui::SpeedButton*, ui::MenuItem*> commands[] = {
            {&sbtCancelar, &mnuCancelar},  {&sbtConfirmar, &mnuConfirmar}, {&sbtIncluir, &mnuIncluir},
            {&sbtAlterar, &mnuAlterar},    {&sbtExcluir, &mnuExcluir},     {&sbtProcurar, &mnuProcurar},
            {&sbtVerificar, &mnuVerificar}};
        for (const auto& [button, entry] : commands)
            button->SetEnabled(entry->Enabled());
        dbnPadrao.SetEnabled(browse);
    }

    // The services list is reloaded while a group or an interval is being
    // edited (after-scroll of an insert): its browse state must not reopen
    // the pages, the filter and the commands that the pending edit keeps
    // closed. A closed list of the other kind holds nothing pending.
    const bool otherEditing = editing(dtsPadrao.State()) || editing(dtsCorrPrecGrup.State());
    const int codeColumn = host::IndiceCol(dbgServico, ServClie::CDSERVFILI.name);
    if (isEditing || !otherEditing) {
        if (inFront)
            habilitaBotoesPara(cdsServClie);
        if (codeColumn >= 0)
            dbgServico.ColumnAt(codeColumn)
                .SetButtonStyle(isEditing ? ui::ButtonStyle::Ellipsis : ui::ButtonStyle::None);
    }
    if (codeColumn >= 0)
        dbgServico.ColumnAt(codeColumn).SetReadOnly(state != DataSetState::Insert);

    if (isEditing || !otherEditing)
        habilitaFiltro(!isEditing);
    if (isEditing) {
        tshPadrao.SetEnabled(false);
        tshExcecao.SetEnabled(false);
        tshTabCorr.SetEnabled(false);
    } else if (!otherEditing) {
        const bool withGroups = !emptyOrClosed(cdsGrupServ);
        tshPadrao.SetEnabled(true);
        tshExcecao.SetEnabled(unit_.ParamExcecaoDia == "1" && withGroups);
        tshTabCorr.SetEnabled(unit_.ParamTabCorr == "2" && withGroups);
    }
    mnuGrupServ.SetEnabled(tshPadrao.Enabled());
    mnuExce.SetEnabled(tshExcecao.Enabled());
    mnuTabCorr.SetEnabled(tshTabCorr.Enabled());
}

void TfrmGrupServFat::cdsServClieAfterOpen(data::DataSet& /*dataSet*/)
{
    cdsServClie.EnableControls();
    unit_.AtualizaEstado = true;
}

void TfrmGrupServFat::cdsServClieBeforeClose(data::DataSet& /*dataSet*/)
{
    cdsServClie.DisableControls();
    unit_.AtualizaEstado = false;
}

void TfrmGrupServFat::cdsServClieAfterInsert(data::DataSet& /*dataSet*/)
{
    cdsServClie.FieldByName(ServClie::CDSERVFILI).FocusControl();
}

void TfrmGrupServFat::cdsServClieAfterDelete(data::DataSet& /*dataSet*/)
{
    const data::Delta delta = cdsServClie.Delta();
    // Refused, the row comes back.
    enviaAlteracoes(cdsServClie, "upd_cdsServClie", &RdmGrupServFat::UpdServClie);
    // The server clears the group's correction service with its row: the
    // group is read again, so a later post of it is no conflict.
    if (removesService(delta, currentText(cdsGrupServ, GrupServ::CDSERAJEFEGSF)))
        recarregaGrupos();
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
    const std::string correction = currentText(cdsGrupServ, GrupServ::CDSERAJEFEGSF);
    const std::string service = sender.Owner().FieldByName(ServClie::CDSERVFILI).AsString();
    text = !host::EmptyString(correction) && correction == service ? "Sim" : "Não";
}

void TfrmGrupServFat::cdsServClieIDCORREFETSetText(data::Field& sender, const std::string& text)
{
    sender.SetAsString(text);
}

void TfrmGrupServFat::dbgServicoKeyPress(ui::Control& /*sender*/, char32_t& ch)
{
    const data::Field* field = dbgServico.SelectedField();
    if (field != nullptr && field->FieldName() == ServClie::IDCORREFET.name)
        ch = 0;
}

void TfrmGrupServFat::dbgServicoEditButtonClick(ui::Control& /*sender*/)
{
    if (dtsServClie.State() != DataSetState::Insert)
        return;
    {
        const host::ProgressScope progress(this, 6, Msg("get_cdsPesqServ"));
        // An empty service asks for every service of the client.
        cdsPesqServ.SetData(confereServ(rdmGrupServFat.GetPesqServ(filial(), cliente(), "")));
    }
    if (!host::Pesquisar(dtsPesqServ, Msg("Servico") + "|" + Msg("NServClie"), false, true))
        return;
    cdsServClie.FieldByName(ServClie::CDSERVFILI).SetAsString(cdsPesqServ.FieldByName(PesqServ::CDSERVFILI).AsString());
    cdsServClie.FieldByName(ServClie::CDGRSERVFAT).SetAsString(currentText(cdsGrupServ, GrupServ::CDGRSERVFAT));
    cdsServClie.FieldByName(ServClie::NMSERVICO).SetAsString(cdsPesqServ.FieldByName(PesqServ::NMSERVICO).AsString());
}

void TfrmGrupServFat::dbgServicoColExit(ui::Control& /*sender*/)
{
    Vd_ServGrid(false);
    if (editing(dtsServClie.State()) && cdsServClie.FieldByName(ServClie::CDSERVFILI).IsNull())
        cdsServClie.FieldByName(ServClie::NMSERVICO).SetAsString("");
}

void TfrmGrupServFat::Vd_ServGrid(bool presence)
{
    if (dtsServClie.State() != DataSetState::Insert)
        return;
    data::Field& code = cdsServClie.FieldByName(ServClie::CDSERVFILI);
    const OnFailure back([&] {
        mostraServicos();
        focaCampo(code);
    });
    if (presence) {
        if (host::EmptyString(host::GridText(dbgServico, ServClie::CDSERVFILI.name, false)))
            MensErro(Msg("Serv_vazio"), true);
        return;
    }
    const data::Field* selected = dbgServico.SelectedField();
    if (selected != &code || host::EmptyString(code.AsString()))
        return;
    const std::string service = host::Ajusta(code.AsString(), 5);
    if (service != code.AsString())
        code.SetAsString(service);
    cdsPesqServ.SetData(confereServ(rdmGrupServFat.GetPesqServ(filial(), cliente(), service)));
    if (cdsPesqServ.IsEmpty())
        MensErro(Msg("Serv_cad"), true);
    cdsServClie.FieldByName(ServClie::NMSERVICO).SetAsString(cdsPesqServ.FieldByName(PesqServ::NMSERVICO).AsString());
    const std::string group = currentText(cdsGrupServ, GrupServ::CDGRSERVFAT);
    cdsVerifServ.SetData(confereServ(rdmGrupServFat.GetVerifServ(filial(), service, cliente(), group)));
    if (!cdsVerifServ.IsEmpty())
        MensErro(Msg("Serv_cad_grup"), true);
}

void TfrmGrupServFat::mostraServicos()
{
    host::SetActivePage(pgcPadrao, tshServico);
    marcaMenuPaginas();
    // The page-entry refresh would reload the services and drop the row the
    // person is typing; the commands follow the list as that refresh sets them.
    habilitaBotoesPara(cdsServClie);
    Habilita();
}

void TfrmGrupServFat::cdsServClieBeforePost(data::DataSet& /*dataSet*/)
{
    const FlagOff noCheck(unit_.VerificaScroll);
    Vd_ServGrid(false);
    Vd_ServGrid(true);
    data::Field& flag = cdsServClie.FieldByName(ServClie::IDCORREFET);
    // A row shown as "Sim" because it is the group's correction service
    // becomes flagged, so the server is told again.
    if (dbgServico.ColumnCount() >= 3 && host::GridText(dbgServico, dbgServico.ColumnAt(2).FieldName(), false) == "Sim")
        flag.SetAsString("Sim");

    const std::string group = currentText(cdsGrupServ, GrupServ::CDGRSERVFAT);
    const std::string service = cdsServClie.FieldByName(ServClie::CDSERVFILI).AsString();
    {
        const host::ProgressScope progress(this, 1, Msg("pro_AtualizaGrupo"));
        confereServ(rdmGrupServFat.ProAtualizaGrupo(filial(), cliente(), group, service));
        if (flagged(flag.AsString())) {
            confereServ(rdmGrupServFat.ProAtualizaServ(filial(), cliente(), group, service));
            releGruposDesatualizados();
        } else if (service == currentText(cdsGrupServ, GrupServ::CDSERAJEFEGSF)) {
            confereServ(rdmGrupServFat.ProLimpaServ(filial(), cliente(), group));
            // The group has no correction service now. With "Serviços" in front
            // the reload after the post reads it so; otherwise the check below
            // must see it cleared, and its refusal must not leave the old value.
            if (pgcPadrao.ActivePage() != &tshServico)
                releGruposDesatualizados();
        }
    }
    if (pgcPadrao.ActivePage() != &tshServico)
        Vd_ServicoCorrEfet();
}

void TfrmGrupServFat::cdsServClieAfterPost(data::DataSet& /*dataSet*/)
{
    recarregaGrupos();
}

bool TfrmGrupServFat::recarregaGrupos()
{
    const FlagOff noCheck(unit_.VerificaScroll);
    unit_.CdGrupoGuardado = currentText(cdsGrupServ, GrupServ::CDGRSERVFAT);
    carregaGrupos(filial(), cliente());
    return cdsGrupServ.Locate(GrupServ::CDGRSERVFAT, unit_.CdGrupoGuardado, true);
}

bool TfrmGrupServFat::releGruposDesatualizados()
{
    const OnFailure later([this] {
        gruposDesatualizados_ = true;
        // A move may have arrived without its services read: the previous
        // group's rows are not left on offer meanwhile.
        fechaListasDeOutroGrupo();
    });
    return recarregaGrupos();
}

void TfrmGrupServFat::releGruposSemFalha()
{
    try {
        recarregaGrupos();
    } catch (...) {}
}

void TfrmGrupServFat::Vd_ServicoCorrEfet()
{
    if (!cdsGrupServ.Active())
        return;
    const bool servicesInFront = pgcPadrao.ActivePage() == &tshServico;
    // A correction service cleared on the server meanwhile is seen as cleared.
    if (!cdsGrupServ.FieldByName(GrupServ::CDSERAJEFEGSF).IsNull() && servicesInFront) {
        if (movendoGrupos_)
            confereGrupoNoServidor();
        else
            recarregaGrupos();
    }
    if (cdsGrupServ.FieldByName(GrupServ::CDSERAJEFEGSF).IsNull() && servicosPedemCorrEfet())
        MensErro(Msg("ServCorrEfet_inf"), true);
}

bool TfrmGrupServFat::servicosPedemCorrEfet() const
{
    return !emptyOrClosed(cdsServClie) && tshServico.Enabled();
}

void TfrmGrupServFat::confereGrupoNoServidor()
{
    gruposNoServidor_.SetData(confereServ(rdmGrupServFat.GetGrupServ(filial(), cliente())));
    const data::Field& here = cdsGrupServ.FieldByName(GrupServ::CDSERAJEFEGSF);
    const std::string group = currentText(cdsGrupServ, GrupServ::CDGRSERVFAT);
    if (gruposNoServidor_.Locate(GrupServ::CDGRSERVFAT, group, false)) {
        const data::Field& there = gruposNoServidor_.FieldByName(GrupServ::CDSERAJEFEGSF);
        if (data::sameValue(there.AsValue(), here.AsValue()))
            return;
        if (there.IsNull() && servicosPedemCorrEfet()) {
            // Refused below: the move stops, and the clerk sees the group as the server holds it.
            recarregaGrupos();
            return;
        }
    }
    // Changed by someone else, or gone: the move goes on, and the list is
    // read again once it has arrived.
    releAposMover_ = true;
}

void TfrmGrupServFat::Vd_ServGrupo()
{
    if (emptyOrClosed(cdsServClie))
        MensErro(Msg("ServGrup_inf"), true);
}

} // namespace gsf::screen
