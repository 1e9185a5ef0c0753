// Branch and client filter: validating the branch, resolving the client,
// loading the client's groups and the branch's billing parameters.
#include "platform/host/control_routines.h"
#include "platform/host/errors.h"
#include "platform/host/host_context.h"
#include "platform/host/progress.h"
#include "platform/host/routines.h"
#include "platform/ui/edit_mask.h"
#include "screen/shell/cli_vex04120.h"
#include "screen/shell/frm_grup_serv_fat.h"
#include "screen/shell/screen_helpers.h"

namespace gsf::screen {

using host::EmptyString;
using host::MensErro;
using rec::Cliente;
using rec::Filial;
using rec::ParamFilial;

void TfrmGrupServFat::medCdFilialChange(ui::Control& /*sender*/)
{
    edtNmFilial.SetText("");
    medCdCliente.SetText("");
    edtNmCliente.SetText("");
    // A client field that was already empty raises no change of its own, yet
    // a client resolved for the old branch must not survive the new one.
    CdClienteValidado.clear();
}

void TfrmGrupServFat::medCdFilialExit(ui::Control& /*sender*/)
{
    Vd_Filial();
}

void TfrmGrupServFat::Vd_Filial()
{
    const OnFailure back([this] { focusIfCan(medCdFilial); });
    if (EmptyString(medCdFilial.Text()))
        MensErro(Msg("Filial_Emp"), true);
    medCdFilial.SetText(host::Ajusta(medCdFilial.Text(), 4));
    qryFilial.Close();
    qryFilial.SetParamAsString("P_CDFILIAL", medCdFilial.Text());
    qryFilial.SetParamAsString("P_TCDFILIAL", "");
    qryFilial.Open();
    if (qryFilial.IsEmpty())
        MensErro(Msg("Filial_cad"), true);
    edtNmFilial.SetText(qryFilial.FieldByName(Filial::NMFILIAL).AsString());
}

void TfrmGrupServFat::btpFilialBeforePesq(host::TBtnPesquisa& /*sender*/, bool& /*proceed*/)
{
    // From outside the panel the pick leaves the group shown, as the focus
    // leaving the pages for the panel would.
    if (!focoNoFiltro())
        verificaCorrEfetOuVolta();
    qryFilial.Close();
    qryFilial.SetParamAsString("P_CDFILIAL", "");
    qryFilial.SetParamAsString("P_TCDFILIAL", "T");
    qryFilial.Open();
}

void TfrmGrupServFat::btpFilialAfterPesq(host::TBtnPesquisa& /*sender*/)
{
    medCdFilial.SetText(qryFilial.FieldByName(Filial::CDFILIAL).AsString());
    edtNmFilial.SetText(qryFilial.FieldByName(Filial::NMFILIAL).AsString());
    if (!focoNoFiltro())
        aplicaFiltro();
}

void TfrmGrupServFat::medCdClienteEnter(ui::Control& /*sender*/)
{
    medCdCliente.OnChange = nullptr;
    medCdCliente.SetEditMask("");
    medCdCliente.SetMaxLength(20);
    medCdCliente.OnChange = [this](ui::Control& s) { medCdClienteChange(s); };
}

void TfrmGrupServFat::medCdClienteChange(ui::Control& /*sender*/)
{
    edtNmCliente.SetText("");
    CdClienteValidado.clear();
}

void TfrmGrupServFat::medCdClienteExit(ui::Control& /*sender*/) {}

void TfrmGrupServFat::btpClienteBeforePesq(host::TBtnPesquisa& /*sender*/, bool& /*proceed*/)
{
    if (!focoNoFiltro())
        verificaCorrEfetOuVolta();
    cdsCliente.SetData(confereServ(rdmGrupServFat.GetPesqClie("", medCdFilial.Text())));
    // The chosen client is the current record of cdsCliente: a list closed
    // without a choice must leave it on the client the panel shows.
    if (!CdClienteValidado.empty())
        cdsCliente.Locate(Cliente::CDCLIENTE, CdClienteValidado, false);
}

void TfrmGrupServFat::btpClienteAfterPesq(host::TBtnPesquisa& /*sender*/)
{
    const std::string personType = cdsCliente.FieldByName(Cliente::IDTPIJURCLIE).AsString();
    // The mask of the picked client's person type, so that a registration
    // number of the other type is not cut by the mask left from before.
    medCdCliente.SetEditMask(host::PictPess(personType));
    medCdCliente.SetText(cdsCliente.FieldByName(Cliente::NRINSJURCLIE).AsString());
    CdClienteValidado = cdsCliente.FieldByName(Cliente::CDCLIENTE).AsString();
    edtNmCliente.SetText(cdsCliente.FieldByName(Cliente::NMRAZSOCCLIE).AsString());
    if (!focoNoFiltro())
        aplicaFiltro();
}

void TfrmGrupServFat::cdsClienteNRINSJURCLIEGetText(data::Field& sender, std::string& text, bool /*displayText*/)
{
    const std::string personType = sender.Owner().FieldByName(Cliente::IDTPIJURCLIE).AsString();
    text = ui::FormatMaskText(host::PictPess(personType), sender.AsString());
}

void TfrmGrupServFat::Vd_Cliente()
{
    const OnFailure back([this] { focusIfCan(medCdCliente); });
    if (EmptyString(medCdCliente.Text()))
        MensErro(Msg("Clie_inv"), true);
    std::string registration = medCdCliente.Text();
    host::Ajusta_Inscricao(registration);
    medCdCliente.SetText(registration);
    if (!CdClienteValidado.empty())
        return;
    cdsCliente.SetData(confereServ(rdmGrupServFat.GetPesqClie(medCdCliente.Text(), medCdFilial.Text())));
    if (cdsCliente.IsEmpty())
        MensErro(Msg("Clie_cad"), true);
    // The mask first: reformatting the text empties the name and the resolved client.
    medCdCliente.SetEditMask(host::PictPess(cdsCliente.FieldByName(Cliente::IDTPIJURCLIE).AsString()));
    CdClienteValidado = cdsCliente.FieldByName(Cliente::CDCLIENTE).AsString();
    edtNmCliente.SetText(cdsCliente.FieldByName(Cliente::NMRAZSOCCLIE).AsString());
}

void TfrmGrupServFat::panFiltroEnter(ui::Control& /*sender*/)
{
    tshPadrao.SetEnabled(true);
    mnuGrupServ.SetEnabled(true);
    const std::pair<ui::TabSheet*, ui::MenuItem*> later[] = {
        {&tshServico, &mnuServ}, {&tshExcecao, &mnuExce}, {&tshTabCorr, &mnuTabCorr}};
    for (const auto& [page, entry] : later) {
        page->SetEnabled(false);
        entry->SetEnabled(false);
    }
    host::SetActivePage(pgcPadrao, tshPadrao);
    marcaMenuPaginas();
}

void TfrmGrupServFat::panFiltroExit(ui::Control& /*sender*/)
{
    Vd_Filial();
    Vd_Cliente();
    {
        const host::ProgressScope progress(this, 6, Msg("get_cdsGrupServ"));
        carregaGrupos(medCdFilial.Text(), clienteEscolhido());
    }

    const bool withGroups = !cdsGrupServ.IsEmpty();
    habilitaConsulta(withGroups);
    if (pgcPadrao.ActivePage() == &tshExcecao) {
        for (ui::SpeedButton* button : {&sbtIncluir, &sbtExcluir, &sbtProcurar})
            button->SetEnabled(false);
        for (ui::MenuItem* entry : {&mnuIncluir, &mnuExcluir, &mnuProcurar})
            entry->SetEnabled(false);
    }
    host::SetActivePage(pgcPadrao, tshPadrao);
    marcaMenuPaginas();
    mnuGrupServ.SetEnabled(withGroups);
    tshServico.SetEnabled(withGroups);
    mnuServ.SetEnabled(tshServico.Enabled());
    tshExcecao.SetEnabled(false);
    mnuExce.SetEnabled(false);
    if (!withGroups)
        return;
    CarregaParamFilial();
    tshTabCorr.SetEnabled(unit_.ParamTabCorr == "2");
    mnuTabCorr.SetEnabled(tshTabCorr.Enabled());
    tshExcecao.SetEnabled(unit_.ParamExcecaoDia == "1");
    mnuExce.SetEnabled(tshExcecao.Enabled());
}

bool TfrmGrupServFat::focoNoFiltro() const
{
    const ui::Control* focused = FocusedControl();
    return focused != nullptr && focused->IsInside(panFiltro);
}

bool TfrmGrupServFat::filtroConfere() const
{
    return cdsGrupServ.Active() && !CdClienteValidado.empty() && medCdFilial.Text() == filialCarregada_ &&
           CdClienteValidado == clienteCarregado_;
}

bool TfrmGrupServFat::acertaFiltro()
{
    if (focoNoFiltro() && dbgPadrao.CanFocus()) {
        // Leaving the panel runs its exit: the filter is validated and the
        // groups loaded, or the move is refused with the filter's message.
        dbgPadrao.SetFocus();
        return true;
    }
    if (filtroConfere())
        return false;
    aplicaFiltro();
    return true;
}

bool TfrmGrupServFat::acertaFiltroPara(ui::SpeedButton& command, bool goesOn)
{
    if (!acertaFiltro())
        return true;
    return goesOn && command.Enabled();
}

void TfrmGrupServFat::aplicaFiltro()
{
    panFiltroEnter(panFiltro);
    {
        // The validators put the focus on their field; after a failed load
        // it goes to the client, so the filter is settled again before any
        // command acts on the list still shown.
        const OnFailure back([this] {
            if (!focoNoFiltro())
                focusIfCan(medCdCliente);
        });
        panFiltroExit(panFiltro);
    }
    focusIfCan(dbgPadrao);
}

void TfrmGrupServFat::CarregaParamFilial()
{
    cdsParamFilial.SetData(confereServ(rdmGrupServFat.GetParamFilial(filial())));
    const std::string billingType = currentText(cdsParamFilial, ParamFilial::CDTIPOFATUR);
    if (EmptyString(billingType)) {
        unit_.ParamExcecaoDia.clear();
        unit_.ParamTabCorr.clear();
        return;
    }
    if (!unit_.ParamControl) {
        unit_.ParamControl = std::make_unique<host::TParamControl>();
        unit_.ParamControl->StartParamFat();
    }
    unit_.ParamControl->TiposFatur(billingType).SetParamText(currentText(cdsParamFilial, ParamFilial::DSPARAMFATFI));
    unit_.ParamExcecaoDia = unit_.ParamControl->ParamFatExcecaoDia.GetAsString();
    unit_.ParamTabCorr = unit_.ParamControl->ParamFatTabCorr.GetAsString();
}

} // namespace gsf::screen
