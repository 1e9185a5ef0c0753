#include "tools/script/grupservfat_session.h"

#include "screen/shell/cli_vex04120.h"
#include "screen/shell/frm_grup_serv_fat.h"

namespace gsf::script {

GrupServFatSession::GrupServFatSession() { screen::Initialize(); }

GrupServFatSession::~GrupServFatSession()
{
    screen::ReleaseGrupServFat();
    screen::Finalize();
}

ui::Form* GrupServFatSession::form()
{
    return screen::FormCriado ? screen::frmGrupServFat : nullptr;
}

void GrupServFatSession::open() { screen::CriaGrupServFat(); }

void GrupServFatSession::iniProc() { screen::IniProc(); }

remote::RemoteConnection* GrupServFatSession::connection()
{
    return screen::frmGrupServFat ? &screen::frmGrupServFat->netGrupServFat : nullptr;
}

std::vector<data::DataSet*> GrupServFatSession::dataSets()
{
    screen::TfrmGrupServFat* f = screen::FormCriado ? screen::frmGrupServFat : nullptr;
    if (f == nullptr)
        return {};
    return {&f->cdsGrupServ,     &f->cdsServClie,      &f->cdsCorrPrecGrup,
            &f->cdsCliente,      &f->cdsPesqServ,      &f->cdsVerifServ,
            &f->cdsVerifGrupServ, &f->cdsParamFilial,  &f->cdsIntervMaior,
            &f->qryFilial};
}

std::vector<UnitValue> GrupServFatSession::unitState()
{
    std::vector<UnitValue> state = {{"FormCriado", screen::FormCriado},
                                    {"VerificaScroll", screen::VerificaScroll},
                                    {"AtualizaEstado", screen::AtualizaEstado},
                                    {"ParamExcecaoDia", screen::ParamExcecaoDia},
                                    {"ParamTabCorr", screen::ParamTabCorr}};
    const screen::TfrmGrupServFat* f = screen::FormCriado ? screen::frmGrupServFat : nullptr;
    state.push_back({"CdClienteValidado", f ? f->ClienteValidado() : std::string()});
    return state;
}

} // namespace gsf::script
