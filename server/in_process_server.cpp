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

InProcessServer::InProcessServer(ServerOptions options, const std::string& folderPrefix)
    : state_(std::make_unique<State>())
{
    std::string pattern = (std::filesystem::temp_directory_path() / (folderPrefix + "-XXXXXX")).string();
    if (mkdtemp(pattern.data()) == nullptr)
        throw std::runtime_error("Não foi possível criar a pasta temporária do servidor.");
    directory_ = pattern;
    databasePath_ = directory_ + "/grupservfat.db";
    try {
        options.database = databasePath_;
        options.listen = host_;
        options.port = 0;
        options.demo = true;
        state_->server = std::make_unique<AppServer>(std::move(options));
        if (!state_->server->Bind())
            throw std::runtime_error("O servidor local não conseguiu escutar em " + host_ + ".");
        state_->thread = std::thread([server = state_->server.get()] { server->Run(); });
        if (!state_->server->WaitUntilReady(std::chrono::seconds(10)))
            throw std::runtime_error("O servidor local não ficou pronto.");
    } catch (...) {
        stop();
        throw;
    }
}

InProcessServer::~InProcessServer() { stop(); }

void InProcessServer::stop()
{
    if (state_->thread.joinable()) {
        state_->server->Stop();
        state_->thread.join();
    }
    // The database must be closed before its folder goes.
    state_->server.reset();
    std::error_code ignored;
    std::filesystem::remove_all(directory_, ignored);
}

int InProcessServer::Port() const { return state_->server->Port(); }

AppServer& InProcessServer::Server() { return *state_->server; }

} // namespace gsf::server
