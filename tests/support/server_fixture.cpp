#include "tests/support/server_fixture.h"

#include "server/app_server.h"

#include <cstdlib>
#include <filesystem>
#include <mutex>
#include <stdexcept>
#include <thread>

namespace gsf::test {

struct ServerFixture::State {
    std::unique_ptr<gsf::server::AppServer> server;
    std::thread thread;
    mutable std::mutex logMutex;
    std::vector<std::string> log;
};

ServerFixture::ServerFixture(const std::string& token) : state_(std::make_unique<State>()) {
    std::string pattern = (std::filesystem::temp_directory_path() / "gsf-server-XXXXXX").string();
    if (!mkdtemp(pattern.data())) throw std::runtime_error("Não foi possível criar a pasta temporária do servidor.");
    directory_ = pattern;
    databasePath_ = directory_ + "/grupservfat.db";

    gsf::server::ServerOptions options;
    options.database = databasePath_;
    options.listen = host_;
    options.port = 0;
    options.demo = true;
    options.token = token;
    options.workers = 8;
    options.log = [state = state_.get()](const std::string& line) {
        std::lock_guard lock(state->logMutex);
        state->log.push_back(line);
    };
    state_->server = std::make_unique<gsf::server::AppServer>(options);
    if (!state_->server->Bind()) throw std::runtime_error("O servidor de teste não conseguiu escutar em " + host_ + ".");
    state_->thread = std::thread([server = state_->server.get()] { server->Run(); });
    if (!state_->server->WaitUntilReady(std::chrono::seconds(10))) {
        state_->server->Stop();
        state_->thread.join();
        throw std::runtime_error("O servidor de teste não ficou pronto.");
    }
}

ServerFixture::~ServerFixture() {
    state_->server->Stop();
    if (state_->thread.joinable()) state_->thread.join();
    state_->server.reset();
    std::error_code ignored;
    std::filesystem::remove_all(directory_, ignored);
}

int ServerFixture::port() const { return state_->server->Port(); }

void ServerFixture::failOnce(const std::string& method, const std::string& message) {
    state_->server->Module().FailOnce(method, message);
}

gsf::server::Storage& ServerFixture::storage() { return state_->server->GetStorage(); }

std::vector<std::string> ServerFixture::logLines() const {
    std::lock_guard lock(state_->logMutex);
    return state_->log;
}

} // namespace gsf::test
