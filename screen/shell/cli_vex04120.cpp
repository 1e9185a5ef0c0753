#include "screen/shell/cli_vex04120.h"

#include "platform/host/host_context.h"
#include "screen/shell/frm_grup_serv_fat.h"

namespace gsf::screen {

TfrmGrupServFat* frmGrupServFat = nullptr;
bool FormCriado = false;
bool VerificaScroll = true;
bool AtualizaEstado = true;
std::unique_ptr<host::TParamControl> ParamControl;
std::string ParamExcecaoDia;
std::string ParamTabCorr;
std::string CdGrupoGuardado;

namespace {

// The unit owns the form. A closed form stays here until the next creation
// or the unit's end, because its close runs inside its own event chain.
std::unique_ptr<TfrmGrupServFat> ownedForm;
int initCount = 0;

class CursorGuard {
public:
    CursorGuard() { host::interaction().setCursor(host::Cursor::Hourglass); }
    ~CursorGuard() { host::interaction().setCursor(host::Cursor::Default); }
    CursorGuard(const CursorGuard&) = delete;
    CursorGuard& operator=(const CursorGuard&) = delete;
};

void createForm()
{
    ReleaseGrupServFat();
    ownedForm = std::make_unique<TfrmGrupServFat>();
    frmGrupServFat = ownedForm.get();
    try {
        frmGrupServFat->Create();
    } catch (...) {
        ReleaseGrupServFat();
        throw;
    }
    FormCriado = true;
}

const PackageUnitInfo units[] = {{"Cli_Vex04120", &Initialize, &Finalize}};
const PackageInfoTable packageInfo = {1, units};

} // namespace

void CriaGrupServFat()
{
    const CursorGuard cursor;
    if (!FormCriado)
        createForm();
    frmGrupServFat->SetWindowState(ui::WindowState::Normal);
    frmGrupServFat->Show();
    frmGrupServFat->BringToFront();
}

void IniProc() { CriaGrupServFat(); }

void ReleaseGrupServFat()
{
    frmGrupServFat = nullptr;
    FormCriado = false;
    ownedForm.reset();
}

void Initialize()
{
    if (initCount++ > 0)
        return;
    CdGrupoGuardado.clear();
    FormCriado = false;
    AtualizaEstado = true;
    VerificaScroll = true;
}

void Finalize()
{
    if (initCount == 0 || --initCount > 0)
        return;
    ReleaseGrupServFat();
    ParamControl.reset();
    ParamExcecaoDia.clear();
    ParamTabCorr.clear();
    CdGrupoGuardado.clear();
}

const PackageInfoTable* GetPackageInfoTable() { return &packageInfo; }

} // namespace gsf::screen
