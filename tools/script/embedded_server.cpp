#include "tools/script/embedded_server.h"

#include "server/app_server.h"

#include <cstdlib>
#include <filesystem>
#include <stdexcept>
#include <thread>

namespace gsf::script {

struct EmbeddedServer::State {
    std::unique_ptr<server::AppServer> server;
    std::thread thread;
};

EmbeddedServer::EmbeddedServer() : state_(std::make_unique<State>())
{
    std::string pattern = (std::filesystem::temp_directory_path() / "grupservfat-script-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr)
        throw std::runtime_error("Não foi possível criar a pasta temporária do servidor embutido.");
    directory_ = pattern;
    databasePath_ = directory_ + "/grupservfat.db";
    try {
        server::ServerOptions options;
        options.database = databasePath_;
        options.listen = host_;
        options.port = 0;
        options.demo = true;
        options.workers = 4;
        // One request line per call would drown the script's own output.
        options.log = [](const std::string&) {};
        state_->server = std::make_unique<server::AppServer>(options);
        if (!state_->server->Bind())
            throw std::runtime_error("O servidor embutido não conseguiu escutar em " + host_ + ".");
        state_->thread = std::thread([server = state_->server.get()] { server->Run(); });
        if (!state_->server->WaitUntilReady(std::chrono::seconds(10)))
            throw std::runtime_error("O servidor embutido não ficou pronto.");
    } catch (...) {
        if (state_->thread.joinable()) {
            state_->server->Stop();
            state_->thread.join();
        }
        state_->server.reset();
        std::error_code ignored;
        std::filesystem::remove_all(directory_, ignored);
        throw;
    }
}

EmbeddedServer::~EmbeddedServer()
{
    state_->server->Stop();
    if (state_->thread.joinable())
        state_->thread.join();
    state_->server.reset();
    std::error_code ignored;
    std::filesystem::remove_all(directory_, ignored);
}

int EmbeddedServer::port() const { return state_->server->Port(); }

} // namespace gsf::script
