#pragma once

#include "tools/script/screen_session.h"

namespace gsf::script {

/// The screen "Grupo de Serviço para Faturamento" as the driver sees it:
/// opened through its package entry points, its form while FormCriado holds,
/// its datasets and its unit-level state.
class GrupServFatSession : public ScreenSession {
public:
    /// Runs the unit initialization (as the host does when it loads the package).
    GrupServFatSession();
    /// Releases any form still held and runs the unit finalization.
    ~GrupServFatSession() override;

    ui::Form* form() override;
    void open() override;
    void iniProc() override;
    /// The connection of the current form, also right after a close (the
    /// closed form lives until the next open), so late calls still print.
    remote::RemoteConnection* connection() override;
    std::vector<data::DataSet*> dataSets() override;
    /// FormCriado, VerificaScroll, AtualizaEstado, ParamExcecaoDia,
    /// ParamTabCorr, and the open form's CdClienteValidado.
    std::vector<UnitValue> unitState() override;
};

} // namespace gsf::script
