#include "tools/script/grupservfat_session.h"

#include "screen/shell/cli_vex04120.h"
#include "screen/shell/frm_grup_serv_fat.h"

namespace gsf::script {

GrupServFatSession::GrupServFatSession()
{
    screen::Initialize();
}

GrupServFatSession::~GrupServFatSession()
{
    screen::ReleaseGrupServFat();
    screen::Finalize();
}

namespace {

// The form while it is open (created and not yet closed).
screen::TfrmGrupServFat* openForm()
{
    const screen::UnitState& unit = screen::unit();
    return unit.FormCriado ? unit.frmGrupServFat : nullptr;
}

} // namespace

ui::Form* GrupServFatSession::form()
{
    return openForm();
}

void GrupServFatSession::open()
{
    screen::CriaGrupServFat();
}

void GrupServFatSession::iniProc()
{
    screen::IniProc();
}

remote::RemoteConnection* GrupServFatSession::connection()
{
    screen::TfrmGrupServFat* f = screen::unit().frmGrupServFat;
    return f ? &f->netGrupServFat : nullptr;
}

std::vector<data::DataSet*> GrupServFatSession::dataSets()
{
    screen::TfrmGrupServFat* f = openForm();
    if (f == nullptr)
        return {};
    return {&f->cdsGrupServ,  &f->cdsServClie,      &f->cdsCorrPrecGrup, &f->cdsCliente,     &f->cdsPesqServ,
            &f->cdsVerifServ, &f->cdsVerifGrupServ, &f->cdsParamFilial,  &f->cdsIntervMaior, &f->qryFilial};
}

std::vector<UnitValue> GrupServFatSession::unitState()
{
    const screen::UnitState& unit = screen::unit();
    std::vector<UnitValue> state = {{"FormCriado", unit.FormCriado},
                                    {"VerificaScroll", unit.VerificaScroll},
                                    {"AtualizaEstado", unit.AtualizaEstado},
                                    {"ParamExcecaoDia", unit.ParamExcecaoDia},
                                    {"ParamTabCorr", unit.ParamTabCorr}};
    const screen::TfrmGrupServFat* f = openForm();
    state.push_back({"CdClienteValidado", f ? f->ClienteValidado() : std::string()});
    return state;
}

} // namespace gsf::script
