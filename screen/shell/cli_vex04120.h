#pragma once

#include "platform/host/param_control.h"

#include <memory>
#include <string>

namespace gsf::screen {

class TfrmGrupServFat;

/// The unit's screen-wide state. The package holds one (unit()), created by
/// the first Initialize and released by the Finalize that balances it; the
/// form is handed it at its creation and keeps it for its whole life. What it
/// holds outlives a close of the form: the parameter texts, the kept group
/// code and the flags stay until the unit's end.
struct UnitState {
    UnitState();
    ~UnitState();
    UnitState(const UnitState&) = delete;
    UnitState& operator=(const UnitState&) = delete;

    /// The one screen instance; null before the first creation. After a
    /// completed close it still names the closed form until the next
    /// CriaGrupServFat releases it: test FormCriado before using it.
    TfrmGrupServFat* frmGrupServFat = nullptr;
    /// The form has been created and not yet closed.
    bool FormCriado = false;
    /// While set, leaving the current group first runs the correction-service check.
    bool VerificaScroll = true;
    /// While set, the state-change handlers of the group and services lists do
    /// their full update of commands and menu entries.
    bool AtualizaEstado = true;
    /// The branch billing-parameter control of the current form.
    std::unique_ptr<host::TParamControl> ParamControl;
    /// Branch billing parameters: "1" offers "Exceções Dia", "2" offers "Tabela de Correção".
    std::string ParamExcecaoDia;
    std::string ParamTabCorr;
    /// Group code kept while the group list is reloaded.
    std::string CdGrupoGuardado;
    /// The form the unit owns. A closed form stays here until the next
    /// creation or the unit's end, because its close runs inside its own
    /// event chain. Declared last: it goes before the state it refers to.
    std::unique_ptr<TfrmGrupServFat> ownedForm;
};

/// The package's unit state. A host that opens the screen without running
/// Initialize first gets one with the initial values.
UnitState& unit();

/// Opens the screen: creates the form on the first call (and after a
/// completed close), then restores the window state, shows it and brings it
/// to the front. A closed form is released here, never inside its own events.
/// @throws whatever the form's creation throws; FormCriado then stays false.
void CriaGrupServFat();
/// Same as CriaGrupServFat.
void IniProc();

/// Unit initialization, run only by the first call: a new unit state (kept
/// group code empty, FormCriado false, AtualizaEstado and VerificaScroll true).
void Initialize();
/// Unit finalization, run only by the call that balances the first
/// Initialize: releases the unit state, any form still held with it.
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
