#pragma once

#include "platform/host/dispatcher.h"
#include "platform/host/host_context.h"
#include "platform/host/interaction.h"
#include "platform/remote/connection.h"
#include "platform/sql/general/general_data.h"
#include "records/demo_setup.h"
#include "screen/shell/cli_vex04120.h"
#include "screen/shell/frm_grup_serv_fat.h"
#include "server/storage.h"
#include "tests/support/server_fixture.h"
#include "tests/support/server_reader.h"

#include <map>
#include <memory>
#include <string>
#include <vector>

namespace gsf::screen::test {

/// Options of the host context the screen is opened with.
struct ScreenOptions {
    bool branchFixed = false;
    std::string branchCode = "0001";
    std::string branchName = "Filial Centro";
};

/// The screen opened as the host opens it, against the real application
/// server (in-process, demo data) through the real connection, with a
/// scripted person: host context, general data module on the server's
/// database, ScriptedInteraction installed, CriaGrupServFat called, and a
/// Dispatcher for every action of the person.
///
/// @warning one at a time per process: it opens the package's own form, as
/// the host does (a second form needs a UnitState of its own).
class ScreenFixture {
public:
    /// @param database an empty database for the server (a TempDatabase's
    ///        target); a temporary SQLite file when empty.
    /// @param userName the user name of the host context.
    explicit ScreenFixture(ScreenOptions options = {}, const std::string& database = "",
                           const std::string& userName = "")
        : server("", database), scope_(person)
    {
        host::HostContext context;
        context.billingTypes = records::demoBillingTypes();
        context.branchFixed = options.branchFixed;
        context.branchCode = options.branchCode;
        context.branchName = options.branchName;
        context.serverHost = server.host();
        context.serverPort = server.port();
        context.userName = userName;
        context.database = server.databasePath();
        host::setHostContext(context);
        sql::dtmDBGeral.Open(server.databasePath());
        Initialize();
        CriaGrupServFat();
        dispatcher = std::make_unique<host::Dispatcher>(*unit().frmGrupServFat);
        dispatcher->onError = [this](const std::string& message) { errors.push_back(message); };
    }

    ~ScreenFixture()
    {
        dispatcher.reset();
        Finalize();
        sql::dtmDBGeral.Close();
    }

    ScreenFixture(const ScreenFixture&) = delete;
    ScreenFixture& operator=(const ScreenFixture&) = delete;

    TfrmGrupServFat& form() const { return *unit().frmGrupServFat; }
    host::Dispatcher& act() const { return *dispatcher; }

    /// A new Dispatcher over the current form (after the screen was reopened).
    void rebind()
    {
        dispatcher = std::make_unique<host::Dispatcher>(*unit().frmGrupServFat);
        dispatcher->onError = [this](const std::string& message) { errors.push_back(message); };
    }

    /// Remote calls made by the screen so far, each "Method a|b|c".
    std::vector<std::string> calls() const
    {
        std::vector<std::string> out;
        for (const remote::CallLogEntry& entry : form().netGrupServFat.CallLog()) {
            std::string line = entry.method;
            for (std::size_t i = 0; i < entry.args.size(); ++i)
                line += (i == 0 ? " " : "|") + entry.args[i];
            out.push_back(line);
        }
        return out;
    }
    /// How many calls of @p method were made.
    int count(const std::string& method) const
    {
        int n = 0;
        for (const remote::CallLogEntry& entry : form().netGrupServFat.CallLog())
            n += entry.method == method ? 1 : 0;
        return n;
    }
    void clearCalls() const { form().netGrupServFat.ClearCallLog(); }

    /// Messages shown to the person ("message" lines of the script), in order.
    std::vector<std::string> messages() const
    {
        std::vector<std::string> out;
        for (const std::string& line : person.lines())
            if (line.rfind("message \"", 0) == 0)
                out.push_back(line.substr(9, line.size() - 10));
        return out;
    }
    void clearMessages() { person.clearLines(); }

    /// Types the branch and the registration number, then leaves the panel
    /// for the group grid. @return the outcome of leaving the panel.
    host::Outcome openClient(const std::string& branch, const std::string& registration)
    {
        if (form().medCdFilial.CanFocus())
            act().typeText("medCdFilial", branch);
        act().typeText("medCdCliente", registration);
        return act().focus("dbgPadrao");
    }

    /// Selects the column of @p field in @p grid, then types @p text into its cell.
    /// @return the outcome of the typing.
    host::Outcome typeInto(const std::string& grid, const std::string& field, const std::string& text)
    {
        act().selectColumn(grid, field);
        return act().typeCell(grid, text);
    }

    /// Name of the control with the focus, or "".
    std::string focused() const
    {
        const ui::Control* control = form().FocusedControl();
        return control != nullptr ? control->Name() : std::string();
    }

    /// The server read through a second connection of its own, as another screen would.
    gsf::test::ServerReader& reader()
    {
        if (!reader_)
            reader_ = std::make_unique<gsf::test::ServerReader>(server.host(), server.port());
        return *reader_;
    }
    /// Every group, service and interval of the demo branches, as the server holds them now.
    std::map<std::string, std::vector<std::string>> snapshot() { return reader().Snapshot({"0001", "0002", "0003"}); }

    /// The message of the last failure, for assertion output.
    std::string lastError() const { return errors.empty() ? std::string() : errors.back(); }

    gsf::test::ServerFixture server;
    host::ScriptedInteraction person;
    std::vector<std::string> errors;
    std::unique_ptr<host::Dispatcher> dispatcher;

private:
    std::unique_ptr<gsf::test::ServerReader> reader_;
    host::InteractionScope scope_;
};

/// Checks of the four page entries: "Grupo de Serviço", "Serviços", "Exceções Dia", "Tabela de Correção".
inline std::vector<bool> checks(const TfrmGrupServFat& form)
{
    return {form.mnuGrupServ.Checked(), form.mnuServ.Checked(), form.mnuExce.Checked(), form.mnuTabCorr.Checked()};
}

/// Enabled states of include, alter, delete, search, verify, cancel and confirm.
inline std::vector<bool> commands(const TfrmGrupServFat& form)
{
    return {form.sbtIncluir.Enabled(),  form.sbtAlterar.Enabled(),   form.sbtExcluir.Enabled(),
            form.sbtProcurar.Enabled(), form.sbtVerificar.Enabled(), form.sbtCancelar.Enabled(),
            form.sbtConfirmar.Enabled()};
}

/// The same for the command menu entries.
inline std::vector<bool> commandEntries(const TfrmGrupServFat& form)
{
    return {form.mnuIncluir.Enabled(),  form.mnuAlterar.Enabled(),   form.mnuExcluir.Enabled(),
            form.mnuProcurar.Enabled(), form.mnuVerificar.Enabled(), form.mnuCancelar.Enabled(),
            form.mnuConfirmar.Enabled()};
}

// Registration numbers of the demo clients of branch 0001.
inline constexpr const char* kClientWithGroups = "11222333000181"; // 000002, groups 001, 002, 003
inline constexpr const char* kClientOneGroup = "52998224725";      // 000001, group 001 without services
inline constexpr const char* kClientWithoutGroups = "12345678909"; // 000004

} // namespace gsf::screen::test
