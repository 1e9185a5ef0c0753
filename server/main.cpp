#include "server/app_server.h"
#include "server/storage.h"

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <string>

#include <sys/resource.h>

namespace {

gsf::server::AppServer* running = nullptr;

void onSignal(int) {
    if (running) running->Stop();
}

int usage(const char* message) {
    std::cerr << "grupservfat-server: " << message << "\n"
              << "uso: grupservfat-server [--sqlite ARQUIVO | --postgres CONEXAO] [--listen ENDERECO] [--port N]\n"
              << "                        [--token-file ARQUIVO] [--workers N] [--max-connections N]\n"
              << "                        [--idle-timeout SEGUNDOS] [--request-timeout SEGUNDOS] [--demo]\n"
              << "       grupservfat-server --check [--sqlite ARQUIVO | --postgres CONEXAO]\n";
    return 2;
}

// A whole number from @p min to @p max, nothing else around it.
bool wholeNumber(const char* text, long min, long max, long& out) {
    char* end = nullptr;
    errno = 0;
    const long value = std::strtol(text, &end, 10);
    if (end == text || *end != '\0' || errno == ERANGE || value < min || value > max) return false;
    out = value;
    return true;
}

// Each connection is a descriptor: the soft limit (often 1024) would stop
// the server far below its connection cap, so it is raised toward the hard one.
void raiseDescriptorLimit(int connections) {
    rlimit limit{};
    if (getrlimit(RLIMIT_NOFILE, &limit) != 0) return;
    const rlim_t wanted = static_cast<rlim_t>(connections) + 256;
    if (limit.rlim_cur >= wanted) return;
    limit.rlim_cur = limit.rlim_max == RLIM_INFINITY ? wanted : std::min(wanted, limit.rlim_max);
    setrlimit(RLIMIT_NOFILE, &limit);
    if (limit.rlim_cur < wanted)
        std::cerr << "grupservfat-server: o limite de descritores (" << limit.rlim_cur << ") não comporta "
                  << connections << " conexões; novas conexões esperam quando ele se esgota\n";
}

// grupservfat-server --check [--sqlite PATH | --postgres CONNINFO]: lists the
// groups whose correction table is damaged, writing nothing to the database.
// Exit status 0 when every table is sound, 1 when some is not, 2 when the
// database cannot be read.
int checkTables(int argc, char** argv) {
    std::string target = "grupservfat.db";
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--check") continue;
        if ((arg != "--sqlite" && arg != "--postgres") || i + 1 >= argc)
            return usage(("--check aceita apenas --sqlite ARQUIVO ou --postgres CONEXAO, não " + arg).c_str());
        target = argv[++i];
        if ((arg == "--postgres") != (gsf::sql::engineOf(target) == gsf::sql::Engine::PostgreSQL))
            return usage("--postgres espera uma URI postgres:// ou uma conexão chave=valor");
    }
    try {
        if (gsf::sql::engineOf(target) == gsf::sql::Engine::SQLite && !std::filesystem::exists(target)) {
            std::cerr << "grupservfat-server: banco de dados não encontrado: " << target << "\n";
            return 2;
        }
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
        std::cerr << "grupservfat-server: " << e.what() << "\n";
        return 2;
    }
}

} // namespace

int main(int argc, char** argv) {
    for (int i = 1; i < argc; ++i)
        if (std::string(argv[i]) == "--check") return checkTables(argc, argv);
    gsf::server::ServerOptions options;
    options.database = "grupservfat.db";
    std::string tokenFile;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        auto value = [&]() -> const char* { return i + 1 < argc ? argv[++i] : nullptr; };
        if (arg == "--demo") {
            options.demo = true;
        } else if (arg == "--sqlite" || arg == "--postgres" || arg == "--listen" || arg == "--port" ||
                   arg == "--token-file" || arg == "--workers" || arg == "--max-connections" ||
                   arg == "--idle-timeout" || arg == "--request-timeout") {
            const char* v = value();
            if (!v) return usage(("falta o valor de " + arg).c_str());
            if (arg == "--sqlite") options.database = v;
            else if (arg == "--postgres") {
                options.database = v;
                if (gsf::sql::engineOf(v) != gsf::sql::Engine::PostgreSQL)
                    return usage("--postgres espera uma URI postgres:// ou uma conexão chave=valor");
            } else if (arg == "--listen") {
                options.listen = v;
            } else if (arg == "--token-file") {
                tokenFile = v;
            } else {
                // Every other option takes a whole number.
                long n = 0;
                const bool port = arg == "--port";
                const long max = port ? 65535 : arg == "--workers" ? 1024 : 1000000;
                if (!wholeNumber(v, port ? 0 : 1, max, n))
                    return usage(port ? "porta inválida" : ("valor inválido para " + arg + ": " + v).c_str());
                if (port) options.port = static_cast<int>(n);
                else if (arg == "--workers") options.workers = static_cast<int>(n);
                else if (arg == "--max-connections") options.maxConnections = static_cast<int>(n);
                else if (arg == "--idle-timeout") options.keepAliveTimeout = std::chrono::seconds(n);
                else options.readTimeout = std::chrono::seconds(n);
            }
        } else {
            return usage(("opção desconhecida: " + arg).c_str());
        }
    }
    raiseDescriptorLimit(options.maxConnections);
    if (!tokenFile.empty()) {
        std::ifstream in(tokenFile);
        if (!in || !std::getline(in, options.token)) return usage("não foi possível ler o arquivo da chave de acesso");
        while (!options.token.empty() && (options.token.back() == '\r' || options.token.back() == ' '))
            options.token.pop_back();
        if (options.token.empty()) return usage("o arquivo da chave de acesso está vazio");
    }
    try {
        gsf::server::AppServer server(options);
        if (const char* pause = std::getenv("GSF_SERVER_DELTA_PAUSE_US"))
            server.GetStorage().SetDeltaPause(std::chrono::microseconds(std::atoll(pause)));
        if (!server.Bind()) {
            std::cerr << "grupservfat-server: não foi possível escutar em " << options.listen << ":" << options.port
                      << "\n";
            return 1;
        }
        running = &server;
        std::signal(SIGINT, onSignal);
        std::signal(SIGTERM, onSignal);
        std::cerr << "{\"event\":\"listening\",\"listen\":\"" << options.listen << "\",\"port\":" << server.Port()
                  << "}" << std::endl;
        server.Run();
        running = nullptr;
    } catch (const std::exception& e) {
        std::cerr << "grupservfat-server: " << e.what() << "\n";
        return 1;
    }
    return 0;
}
