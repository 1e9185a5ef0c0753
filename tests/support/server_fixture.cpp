#include "tests/support/server_fixture.h"

#include "server/in_process_server.h"

#include <mutex>

namespace gsf::test {

struct ServerFixture::State {
    mutable std::mutex logMutex;
    std::vector<std::string> log;
    std::unique_ptr<gsf::server::InProcessServer> server;
};

ServerFixture::ServerFixture(const std::string& token, const std::string& database) : state_(std::make_unique<State>())
{
    gsf::server::ServerOptions options;
    options.token = token;
    options.database = database;
    options.workers = 8;
    options.log = [state = state_.get()](const std::string& line) {
        std::lock_guard lock(state->logMutex);
        state->log.push_back(line);
    };
    state_->server = std::make_unique<gsf::server::InProcessServer>(std::move(options), "gsf-server");
}

ServerFixture::~ServerFixture() = default;

const std::string& ServerFixture::host() const
{
    return state_->server->Host();
}

int ServerFixture::port() const
{
    return state_->server->Port();
}

const std::string& ServerFixture::databasePath() const
{
    return state_->server->DatabasePath();
}

void ServerFixture::failOnce(const std::string& method, const std::string& message)
{
    state_->server->Server().Module().FailOnce(method, message);
}

gsf::server::Storage& ServerFixture::storage()
{
    return state_->server->Server().GetStorage();
}

gsf::server::AppServer& ServerFixture::app()
{
    return state_->server->Server();
}

void ServerFixture::stop()
{
    state_->server->Stop();
}

void ServerFixture::start()
{
    state_->server->Start();
}

std::vector<std::string> ServerFixture::logLines() const
{
    std::lock_guard lock(state_->logMutex);
    return state_->log;
}

} // namespace gsf::test
