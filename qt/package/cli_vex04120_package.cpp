// The screen's run-time package: C entry points over the screen library.
// Built with hidden visibility; only what is marked GSF_EXPORT leaves it.

#include "platform/host/errors.h"
#include "platform/host/host_context.h"
#include "platform/host/progress.h"
#include "qt/package/package_info.h"
#include "screen/shell/cli_vex04120.h"
#include "screen/shell/frm_grup_serv_fat.h"

#include <exception>

#define GSF_EXPORT __attribute__((visibility("default")))

extern "C" {

/// The screen instance as the host sees it: set by CriaGrupServFat and
/// IniProc, null before the first opening and after Finalize.
GSF_EXPORT gsf::ui::Form* frmGrupServFat = nullptr;

GSF_EXPORT void CriaGrupServFat(void);
GSF_EXPORT void IniProc(void);
GSF_EXPORT void Initialize(void);
GSF_EXPORT void Finalize(void);
GSF_EXPORT const GsfPackageInfo* GetPackageInfoTable(void);
}

namespace {

// No exception may cross the C boundary: a failed opening is shown to the
// person like any other failure, and the busy look does not outlive it.
void openScreen()
{
    try {
        gsf::screen::CriaGrupServFat();
    } catch (const gsf::host::Abort&) {
    } catch (const std::exception& error) {
        gsf::host::DeactiveShowAvi();
        gsf::host::interaction().showError(error.what());
    } catch (...) {
        gsf::host::DeactiveShowAvi();
        gsf::host::interaction().showError("Erro inesperado ao abrir a tela.");
    }
    gsf::host::interaction().setCursor(gsf::host::Cursor::Default);
    const gsf::screen::UnitState& unit = gsf::screen::unit();
    frmGrupServFat = unit.FormCriado ? unit.frmGrupServFat : nullptr;
}

constexpr GsfPackageUnit units[] = {{"Cli_Vex04120", 1}};
constexpr const char* required[] = {"gsf_screen", "gsf_host",         "gsf_ui", "gsf_data",
                                    "gsf_remote", "gsf_general_data", "gsf_sql"};
constexpr GsfPackageInfo info = {
    GSF_PACKAGE_FORMAT, "Cli_Vex04120", 1, units, static_cast<int>(sizeof(required) / sizeof(required[0])), required};

} // namespace

void CriaGrupServFat(void)
{
    openScreen();
}

void IniProc(void)
{
    openScreen();
}

void Initialize(void)
{
    gsf::screen::Initialize();
}

void Finalize(void)
{
    gsf::screen::Finalize();
    if (!gsf::screen::unit().FormCriado)
        frmGrupServFat = nullptr;
}

const GsfPackageInfo* GetPackageInfoTable(void)
{
    return &info;
}
