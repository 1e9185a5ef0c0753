// Daily minimum and the eight day minimums of a group.
#include "platform/host/control_routines.h"
#include "platform/host/errors.h"
#include "platform/host/routines.h"
#include "screen/shell/dataset_definitions.h"
#include "screen/shell/frm_grup_serv_fat.h"
#include "screen/shell/screen_helpers.h"

namespace gsf::screen {

using data::DataSetState;
using host::MensErro;
using rec::GrupServ;

void TfrmGrupServFat::cdsGrupServQTEFETMINIGSFValidate(data::Field& sender)
{
    if (cdsGrupServ.State() != DataSetState::Insert)
        return;
    const double daily = sender.AsFloat();
    if (daily < 0)
        return;
    for (const records::Key& day : kDayMinimumFields)
        cdsGrupServ.FieldByName(day).SetAsFloat(daily);
}

void TfrmGrupServFat::Vd_Quant(bool presence)
{
    if (!editing(cdsGrupServ.State()))
        return;
    data::Field& daily = cdsGrupServ.FieldByName(GrupServ::QTEFETMINIGSF);
    const OnFailure back([&] { voltaParaCampo(tshPadrao, daily); });
    if (!presence && daily.AsFloat() < 0)
        MensErro(Msg("Min_dia_menor"), true);
    if (presence && daily.IsNull())
        MensErro(Msg("Min_dia_vazio"), true);
}

void TfrmGrupServFat::Vd_QuantMin(ui::DBEdit& edit, bool presence)
{
    if (!editing(cdsGrupServ.State()))
        return;
    const OnFailure back([&] {
        voltaPara(tshExcecao);
        if (tshExcecao.Enabled())
            focusIfCan(edit);
    });
    const std::string text = edit.Text();
    if (!host::EmptyString(text)) {
        // The shown text sorts before "0" exactly when its first byte does:
        // a minus sign, a blank, a comma... Every value of 0 or more starts with a digit.
        if (static_cast<unsigned char>(text.front()) < '0')
            MensErro(Msg("MinEfet_maior_zero"), true);
    } else if (presence) {
        MensErro(Msg("MinEfet_vazio"), true);
    }
}

void TfrmGrupServFat::dbeQtEfetDomExit(ui::Control& /*sender*/)
{
    Vd_QuantMin(dbeQtEfetDom, false);
}
void TfrmGrupServFat::dbeQtEfetSegExit(ui::Control& /*sender*/)
{
    Vd_QuantMin(dbeQtEfetSeg, false);
}
void TfrmGrupServFat::dbeQtEfetTerExit(ui::Control& /*sender*/)
{
    Vd_QuantMin(dbeQtEfetTer, false);
}
void TfrmGrupServFat::dbeQtEfetQuaExit(ui::Control& /*sender*/)
{
    Vd_QuantMin(dbeQtEfetQua, false);
}
void TfrmGrupServFat::dbeQtEfetQuiExit(ui::Control& /*sender*/)
{
    Vd_QuantMin(dbeQtEfetQui, false);
}
void TfrmGrupServFat::dbeQtEfetSexExit(ui::Control& /*sender*/)
{
    Vd_QuantMin(dbeQtEfetSex, false);
}
void TfrmGrupServFat::dbeQtEfetSabExit(ui::Control& /*sender*/)
{
    Vd_QuantMin(dbeQtEfetSab, false);
}
void TfrmGrupServFat::dbeQtEfetFerExit(ui::Control& /*sender*/)
{
    Vd_QuantMin(dbeQtEfetFer, false);
}

} // namespace gsf::screen
