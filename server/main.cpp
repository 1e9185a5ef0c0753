#include "server/app_server.h"
#include "server/backup.h"
#include "server/history.h"
#include "server/schema.h"
#include "server/settings.h"
#include "server/storage.h"

#include <algorithm>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <iostream>
#include <map>
#include <string>
#include <vector>

#include <sys/resource.h>

namespace {

gsf::server::AppServer* running = nullptr;

void onSignal(int)
{
    if (running)
        running->Stop();
}

const char* const kUsage =
    "uso: grupservfat-server [--config ARQUIVO] [--sqlite ARQUIVO | --postgres CONEXAO] [--listen ENDERECO]\n"
    "                        [--port N] [--token-file ARQUIVO] [--workers N] [--max-connections N]\n"
    "                        [--idle-timeout SEGUNDOS] [--request-timeout SEGUNDOS] [--history-days DIAS]\n"
    "                        [--metrics] [--demo]\n"
    "       grupservfat-server --check [BANCO]\n"
    "       grupservfat-server backup ARQUIVO [BANCO]\n"
    "       grupservfat-server restore ARQUIVO [BANCO]\n"
    "       grupservfat-server history [--branch FILIAL] [--client CLIENTE] [--group GRUPO] [--since DATA]\n"
    "                                  [--csv] [BANCO]\n"
    "       grupservfat-server --version\n"
    "BANCO: --config ARQUIVO, --sqlite ARQUIVO ou --postgres CONEXAO\n";

int usage(const std::string& message)
{
    std::cerr << "grupservfat-server: " << message << "\n" << kUsage;
    return 2;
}

int failure(const std::string& message, int status)
{
    std::cerr << "grupservfat-server: " << message << "\n";
    return status;
}

// Each connection is a descriptor: the soft limit (often 1024) would stop
// the server far below its connection cap, so it is raised toward the hard one.
void raiseDescriptorLimit(int connections)
{
    rlimit limit{};
    if (getrlimit(RLIMIT_NOFILE, &limit) != 0)
        return;
    const rlim_t wanted = static_cast<rlim_t>(connections) + 256;
    if (limit.rlim_cur >= wanted)
        return;
    limit.rlim_cur = limit.rlim_max == RLIM_INFINITY ? wanted : std::min(wanted, limit.rlim_max);
    setrlimit(RLIMIT_NOFILE, &limit);
    if (limit.rlim_cur < wanted)
        std::cerr << "grupservfat-server: o limite de descritores (" << limit.rlim_cur << ") não comporta "
                  << connections << " conexões; novas conexões esperam quando ele se esgota\n";
}

// A command that works on a database (check, backup, restore, history): the
// database comes from --config, --sqlite or --postgres, the words of the
// command itself from @p own (an option and whether it takes a value).
struct Command {
    gsf::server::ServerSettings settings;
    std::vector<std::string> positional;
    std::map<std::string, std::string> values; ///< own options given, with their values ("" for a flag)
};

std::string readCommand(const std::vector<std::string>& args, const std::map<std::string, bool>& own, Command& command)
{
    command.settings.options.database = "grupservfat.db";
    std::vector<std::string> database;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        const bool databaseOption = arg == "--config" || arg == "--sqlite" || arg == "--postgres";
        if (const auto it = own.find(arg); databaseOption || it != own.end()) {
            const bool takesValue = databaseOption || it->second;
            if (takesValue && i + 1 >= args.size())
                return "falta o valor de " + arg;
            const std::string value = takesValue ? args[++i] : "";
            if (databaseOption)
                database.insert(database.end(), {arg, value});
            else
                command.values[arg] = value;
        } else if (arg.starts_with("--")) {
            return "opção desconhecida: " + arg;
        } else {
            command.positional.push_back(arg);
        }
    }
    return gsf::server::parseServerArguments(database, command.settings);
}

// grupservfat-server --check [BANCO]: lists the groups whose correction table
// is damaged, writing nothing to the database. Exit status 0 when every table
// is sound, 1 when some is not, 2 when the database cannot be read.
int checkTables(const Command& command)
{
    const std::string& target = command.settings.options.database;
    try {
        if (gsf::sql::engineOf(target) == gsf::sql::Engine::SQLite && !std::filesystem::exists(target))
            return failure("banco de dados não encontrado: " + target, 2);
        const auto connection = gsf::sql::openDatabase(target);
        const auto damaged = gsf::server::findDamagedCorrectionTables(*connection);
        for (const auto& table : damaged)
            for (const auto& problem : table.problems)
                std::cout << "filial " << table.branch << ", cliente " << table.client << ", grupo " << table.group
                          << ": " << problem << "\n";
        if (damaged.empty())
            std::cout << "Nenhuma tabela de correção com lacuna, sobreposição ou valores fora dos limites.\n";
        else
            std::cout << damaged.size() << (damaged.size() == 1 ? " grupo" : " grupos")
                      << " com a tabela de correção danificada.\n";
        return damaged.empty() ? 0 : 1;
    } catch (const std::exception& e) {
        return failure(e.what(), 2);
    }
}

// backup FILE / restore FILE: SQLite only; PostgreSQL has its own tools.
int copyDatabase(const std::string& name, const Command& command)
{
    if (command.positional.size() != 1)
        return usage(name + " espera um arquivo");
    const std::string& target = command.settings.options.database;
    if (gsf::sql::engineOf(target) == gsf::sql::Engine::PostgreSQL)
        return failure(name + " copia bancos SQLite; para PostgreSQL use pg_dump e pg_restore (veja o README)", 2);
    try {
        if (name == "backup") {
            gsf::server::backupDatabase(target, command.positional[0]);
            std::cout << "Backup de " << target << " gravado em " << command.positional[0] << ".\n";
        } else {
            gsf::server::restoreDatabase(command.positional[0], target);
            std::cout << "Banco de dados " << target << " restaurado de " << command.positional[0] << ".\n";
        }
        return 0;
    } catch (const std::exception& e) {
        return failure(e.what(), 1);
    }
}

// history [--branch B] [--client C] [--group G] [--since DATE] [--csv] [BANCO]:
// the changes recorded, oldest first. Exit status 0, 2 when the database
// cannot be read.
int listHistory(const Command& command)
{
    if (!command.positional.empty())
        return usage("argumento inesperado: " + command.positional[0]);
    gsf::server::history::Filter filter;
    const auto value = [&](const char* option) {
        const auto it = command.values.find(option);
        return it == command.values.end() ? std::string() : it->second;
    };
    filter.branch = value("--branch");
    filter.client = value("--client");
    filter.group = value("--group");
    if (command.values.contains("--since")) {
        filter.since = gsf::server::history::parseSince(value("--since"));
        if (filter.since.empty())
            return usage("data inválida em --since: " + value("--since") + " (use AAAA-MM-DD ou DD/MM/AAAA)");
    }
    const std::string& target = command.settings.options.database;
    try {
        if (gsf::sql::engineOf(target) == gsf::sql::Engine::SQLite && !std::filesystem::exists(target))
            return failure("banco de dados não encontrado: " + target, 2);
        const auto connection = gsf::sql::openDatabase(target);
        if (gsf::server::schemaVersion(*connection) < gsf::server::latestSchemaVersion())
            return failure("o banco de dados " + target + " ainda não foi atualizado por esta versão do servidor", 2);
        const auto entries = gsf::server::history::entries(*connection, filter);
        std::cout << (command.values.contains("--csv") ? gsf::server::history::formatCsv(entries)
                                                       : gsf::server::history::formatTable(entries));
        return 0;
    } catch (const std::exception& e) {
        return failure(e.what(), 2);
    }
}

int serve(const std::vector<std::string>& args)
{
    gsf::server::ServerSettings settings;
    settings.options.database = "grupservfat.db";
    if (const std::string problem = gsf::server::parseServerArguments(args, settings); !problem.empty())
        return usage(problem);
    gsf::server::ServerOptions& options = settings.options;
    raiseDescriptorLimit(options.maxConnections);
    if (!settings.tokenFile.empty())
        if (const std::string problem = gsf::server::readTokenFile(settings.tokenFile, options.tokens);
            !problem.empty())
            return usage(problem);
    try {
        gsf::server::AppServer server(options);
        if (const char* pause = std::getenv("GSF_SERVER_DELTA_PAUSE_US"))
            server.GetStorage().SetDeltaPause(std::chrono::microseconds(std::atoll(pause)));
        if (!server.Bind())
            return failure("não foi possível escutar em " + options.listen + ":" + std::to_string(options.port), 1);
        running = &server;
        std::signal(SIGINT, onSignal);
        std::signal(SIGTERM, onSignal);
        std::cerr << "{\"event\":\"listening\",\"listen\":\"" << options.listen << "\",\"port\":" << server.Port()
                  << "}" << std::endl;
        server.Run();
        running = nullptr;
    } catch (const std::exception& e) {
        return failure(e.what(), 1);
    }
    return 0;
}

// The configuration an installed server reads when no --config is given:
// <root>/etc/grupservfat/server.conf for a program in
// <root>/usr/lib/grupservfat-server. None from a build tree.
std::string installedConfig()
{
    std::error_code error;
    const auto program = std::filesystem::read_symlink("/proc/self/exe", error);
    if (error)
        return "";
    const auto folder = program.parent_path();
    if (folder.filename() != "grupservfat-server" || folder.parent_path().filename() != "lib" ||
        folder.parent_path().parent_path().filename() != "usr")
        return "";
    const auto file = folder.parent_path().parent_path().parent_path() / "etc/grupservfat/server.conf";
    return std::filesystem::exists(file, error) ? file.string() : "";
}

} // namespace

int main(int argc, char** argv)
{
    std::vector<std::string> args(argv + 1, argv + argc);
    if (std::find(args.begin(), args.end(), "--config") == args.end())
        if (const std::string file = installedConfig(); !file.empty())
            args.insert(args.end(), {"--config", file});
    if (std::find(args.begin(), args.end(), "--version") != args.end()) {
        std::cout << "grupservfat-server " << gsf::server::serverVersion() << "\n";
        return 0;
    }
    const std::string first = args.empty() ? "" : args.front();
    const std::vector<std::string> rest(args.begin() + (args.empty() ? 0 : 1), args.end());
    Command command;
    if (std::find(args.begin(), args.end(), "--check") != args.end()) {
        std::vector<std::string> others;
        std::copy_if(args.begin(), args.end(), std::back_inserter(others),
                     [](const auto& a) { return a != "--check"; });
        if (const std::string problem = readCommand(others, {}, command); !problem.empty())
            return usage(problem);
        if (!command.positional.empty())
            return usage("argumento inesperado: " + command.positional[0]);
        return checkTables(command);
    }
    if (first == "backup" || first == "restore") {
        if (const std::string problem = readCommand(rest, {}, command); !problem.empty())
            return usage(problem);
        return copyDatabase(first, command);
    }
    if (first == "history") {
        const std::map<std::string, bool> own = {
            {"--branch", true}, {"--client", true}, {"--group", true}, {"--since", true}, {"--csv", false}};
        if (const std::string problem = readCommand(rest, own, command); !problem.empty())
            return usage(problem);
        return listHistory(command);
    }
    return serve(args);
}
