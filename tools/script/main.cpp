// grupservfat-script: runs the screen from a text script without a display.

#include "platform/host/host_context.h"
#include "platform/sql/general/general_data.h"
#include "records/demo_setup.h"
#include "records/remote_module.h"
#include "tools/script/embedded_server.h"
#include "tools/script/grupservfat_session.h"
#include "tools/script/interpreter.h"

#include <cstdlib>
#include <fstream>
#include <iostream>
#include <memory>
#include <optional>
#include <string>

namespace {

using gsf::script::Status;

constexpr const char* usage =
    "uso: grupservfat-script [--server HOST:PORTA | --embedded] [--database BANCO] [--echo] [ROTEIRO]\n"
    "  --embedded   servidor de aplicação no próprio processo, SQLite temporário com os dados de demonstração\n"
    "  --server     servidor de aplicação em execução (padrão 127.0.0.1:8211)\n"
    "  --database   banco do módulo de dados geral (padrão: variável GSF_DATABASE)\n"
    "  --echo       mostra cada comando antes de executá-lo\n"
    "  ROTEIRO      arquivo com um comando por linha; sem ele, a entrada padrão\n";

struct Options {
    bool embedded = false;
    std::string server;
    std::string database;
    std::string script;
    bool echo = false;
};

int exitCode(Status status)
{
    return static_cast<int>(status);
}

/// @return the options, or nullopt after printing why they are wrong.
std::optional<Options> parseOptions(int argc, char** argv)
{
    Options options;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        const auto value = [&]() -> std::optional<std::string> {
            if (i + 1 >= argc)
                return std::nullopt;
            return std::string(argv[++i]);
        };
        if (arg == "--embedded") {
            options.embedded = true;
        } else if (arg == "--echo") {
            options.echo = true;
        } else if (arg == "--server" || arg == "--database") {
            const auto text = value();
            if (!text) {
                std::cerr << arg << " precisa de um valor\n" << usage;
                return std::nullopt;
            }
            (arg == "--server" ? options.server : options.database) = *text;
        } else if (arg == "--help" || arg == "-h") {
            std::cout << usage;
            std::exit(0);
        } else if (!arg.empty() && arg[0] == '-') {
            std::cerr << "opção desconhecida " << arg << "\n" << usage;
            return std::nullopt;
        } else if (options.script.empty()) {
            options.script = arg;
        } else {
            std::cerr << "apenas um roteiro por vez\n" << usage;
            return std::nullopt;
        }
    }
    if (options.embedded && !options.server.empty()) {
        std::cerr << "--server e --embedded não podem ser usados juntos\n" << usage;
        return std::nullopt;
    }
    return options;
}

/// Points the host context at a running server. @return false for a bad address.
bool useServer(const std::string& text, gsf::host::HostContext& context)
{
    const auto address = gsf::script::parseServerAddress(text);
    if (!address)
        return false;
    context.serverHost = address->host;
    context.serverPort = address->port;
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    const auto options = parseOptions(argc, argv);
    if (!options)
        return exitCode(Status::BadScript);

    std::ifstream file;
    if (!options->script.empty()) {
        file.open(options->script);
        if (!file) {
            std::cerr << "não foi possível ler o roteiro " << options->script << "\n";
            return exitCode(Status::Fatal);
        }
    }

    gsf::host::HostContext context;
    context.branchFixed = false;
    context.branchCode = "0001";
    context.branchName = "Filial Centro";
    context.serverPort = gsf::records::kServerPort;
    context.billingTypes = gsf::records::demoBillingTypes();

    std::unique_ptr<gsf::script::EmbeddedServer> server;
    try {
        if (options->embedded) {
            server = std::make_unique<gsf::script::EmbeddedServer>();
            context.serverHost = server->host();
            context.serverPort = server->port();
            context.database = server->databasePath();
        } else {
            if (!options->server.empty() && !useServer(options->server, context)) {
                std::cerr << "endereço de servidor inválido \"" << options->server << "\" (use HOST:PORTA)\n";
                return exitCode(Status::BadScript);
            }
            const char* fromEnvironment = std::getenv("GSF_DATABASE");
            context.database = !options->database.empty() ? options->database : fromEnvironment ? fromEnvironment : "";
            if (context.database.empty()) {
                std::cerr << "informe o banco do módulo de dados geral com --database ou GSF_DATABASE\n";
                return exitCode(Status::Fatal);
            }
        }
        gsf::sql::dtmDBGeral.Open(context.database);
    } catch (const std::exception& error) {
        std::cerr << "não foi possível iniciar: " << error.what() << "\n";
        return exitCode(Status::Fatal);
    }
    gsf::host::setHostContext(context);

    Status status = Status::Ok;
    {
        gsf::script::GrupServFatSession session;
        gsf::script::Interpreter interpreter(session, std::cout, std::cerr);
        interpreter.setEcho(options->echo);
        interpreter.setServer(server.get());
        status = interpreter.run(options->script.empty() ? std::cin : file);
    }
    gsf::sql::dtmDBGeral.Close();
    return exitCode(status);
}
