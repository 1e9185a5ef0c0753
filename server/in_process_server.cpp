#include "server/in_process_server.h"

#include <cstdlib>
#include <filesystem>
#include <stdexcept>
#include <thread>

namespace gsf::server {

struct InProcessServer::State {
    std::unique_ptr<AppServer> server;
    std::thread thread;
};

InProcessServer::InProcessServer(ServerOptions options, const std::string& folderPrefix) : options_(std::move(options))
{
    std::string pattern = (std::filesystem::temp_directory_path() / (folderPrefix + "-XXXXXX")).string();
    if (mkdtemp(pattern.data()) == nullptr)
        throw std::runtime_error("Não foi possível criar a pasta temporária do servidor.");
    directory_ = pattern;
    if (options_.database.empty())
        options_.database = directory_ + "/grupservfat.db";
    databasePath_ = options_.database;
    options_.listen = host_;
    // Seeding fills an empty database only, so a restart keeps what was changed.
    options_.demo = true;
    try {
        start(0);
    } catch (...) {
        removeFolder();
        throw;
    }
}

InProcessServer::~InProcessServer()
{
    Stop();
    removeFolder();
}

void InProcessServer::start(int port)
{
    auto state = std::make_unique<State>();
    ServerOptions options = options_;
    options.port = port;
    state->server = std::make_unique<AppServer>(std::move(options));
    if (!state->server->Bind())
        throw std::runtime_error(port == 0 ? "O servidor local não conseguiu escutar em " + host_ + "."
                                           : "O servidor local não conseguiu escutar de novo em " + host_ + ":" +
                                                 std::to_string(port) + ".");
    state->thread = std::thread([server = state->server.get()] { server->Run(); });
    if (!state->server->WaitUntilReady(std::chrono::seconds(10))) {
        state->server->Stop();
        state->thread.join();
        throw std::runtime_error("O servidor local não ficou pronto.");
    }
    port_ = state->server->Port();
    state_ = std::move(state);
}

bool InProcessServer::Running() const
{
    return state_ != nullptr;
}

void InProcessServer::Stop()
{
    if (!state_)
        return;
    state_->server->Stop();
    state_->thread.join();
    // The database closes with the server, before any restart opens it again.
    state_.reset();
}

void InProcessServer::Start()
{
    if (!state_)
        start(port_);
}

void InProcessServer::removeFolder()
{
    std::error_code ignored;
    std::filesystem::remove_all(directory_, ignored);
}

AppServer& InProcessServer::Server()
{
    if (!state_)
        throw std::logic_error("O servidor local está parado.");
    return *state_->server;
}

} // namespace gsf::server
