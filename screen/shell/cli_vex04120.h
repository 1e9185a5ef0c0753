#pragma once

#include "platform/host/param_control.h"

#include <memory>
#include <string>

namespace gsf::screen {

class TfrmGrupServFat;

// Unit-level state, one copy per process, shared by the whole screen.

/// The one screen instance; null before the first creation. After a
/// completed close it still names the closed form until the next
/// CriaGrupServFat releases it: test FormCriado before using it.
extern TfrmGrupServFat* frmGrupServFat;
/// The form has been created and not yet closed.
extern bool FormCriado;
/// While set, leaving the current group first runs the correction-service check.
extern bool VerificaScroll;
/// While set, the state-change handlers of the group and services lists do
/// their full update of commands and menu entries.
extern bool AtualizaEstado;
/// The branch billing-parameter control of the current form.
extern std::unique_ptr<host::TParamControl> ParamControl;
/// Branch billing parameters: "1" offers "Exceções Dia", "2" offers "Tabela de Correção".
extern std::string ParamExcecaoDia;
extern std::string ParamTabCorr;
/// Group code kept while the group list is reloaded.
extern std::string CdGrupoGuardado;

/// Opens the screen: creates the form on the first call (and after a
/// completed close), then restores the window state, shows it and brings it
/// to the front. A closed form is released here, never inside its own events.
/// @throws whatever the form's creation throws; FormCriado then stays false.
void CriaGrupServFat();
/// Same as CriaGrupServFat.
void IniProc();

/// Unit initialization, run only by the first call: clears the kept group
/// code and sets FormCriado false, AtualizaEstado and VerificaScroll true.
void Initialize();
/// Unit finalization, run only by the call that balances the first
/// Initialize: releases the unit texts and any form still held.
void Finalize();

/// One unit of the package, as the host's package loader reads it.
struct PackageUnitInfo {
    const char* name;
    void (*init)();
    void (*finalize)();
};
/// The package's unit table.
struct PackageInfoTable {
    int unitCount;
    const PackageUnitInfo* units;
};
/// @return the table describing the package's single unit `Cli_Vex04120`.
const PackageInfoTable* GetPackageInfoTable();

/// Destroys the form now, whatever its state (test tear-down and package unload).
/// @warning never from inside one of the form's own events.
void ReleaseGrupServFat();

} // namespace gsf::screen
