#include "screen/shell/cli_vex04120.h"

#include "platform/host/host_context.h"
#include "screen/shell/frm_grup_serv_fat.h"

namespace gsf::screen {

UnitState::UnitState() = default;
UnitState::~UnitState() = default;

namespace {

// The package's state and the protocol's counter, which outlives it: the
// initialization works only on its first call, the finalization on the call
// that balances it.
std::unique_ptr<UnitState> packageState;
int initCount = 0;

class CursorGuard {
public:
    CursorGuard() { host::interaction().setCursor(host::Cursor::Hourglass); }
    ~CursorGuard() { host::interaction().setCursor(host::Cursor::Default); }
    CursorGuard(const CursorGuard&) = delete;
    CursorGuard& operator=(const CursorGuard&) = delete;
};

void createForm(UnitState& state)
{
    ReleaseGrupServFat();
    state.ownedForm = std::make_unique<TfrmGrupServFat>(state);
    state.frmGrupServFat = state.ownedForm.get();
    try {
        state.frmGrupServFat->Create();
    } catch (...) {
        ReleaseGrupServFat();
        throw;
    }
    state.FormCriado = true;
}

const PackageUnitInfo units[] = {{"Cli_Vex04120", &Initialize, &Finalize}};
const PackageInfoTable packageInfo = {1, units};

} // namespace

UnitState& unit()
{
    if (!packageState)
        packageState = std::make_unique<UnitState>();
    return *packageState;
}

void CriaGrupServFat()
{
    const CursorGuard cursor;
    UnitState& state = unit();
    if (!state.FormCriado)
        createForm(state);
    state.frmGrupServFat->SetWindowState(ui::WindowState::Normal);
    state.frmGrupServFat->Show();
    state.frmGrupServFat->BringToFront();
}

void IniProc()
{
    CriaGrupServFat();
}

void ReleaseGrupServFat()
{
    if (!packageState)
        return;
    packageState->frmGrupServFat = nullptr;
    packageState->FormCriado = false;
    packageState->ownedForm.reset();
}

void Initialize()
{
    if (initCount++ > 0)
        return;
    ReleaseGrupServFat();
    packageState = std::make_unique<UnitState>();
}

void Finalize()
{
    if (initCount == 0 || --initCount > 0)
        return;
    ReleaseGrupServFat();
    packageState.reset();
}

const PackageInfoTable* GetPackageInfoTable()
{
    return &packageInfo;
}

} // namespace gsf::screen
