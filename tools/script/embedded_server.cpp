#include "tools/script/embedded_server.h"

#include "server/in_process_server.h"

namespace gsf::script {

namespace {

server::ServerOptions embeddedOptions()
{
    server::ServerOptions options;
    options.workers = 4;
    // One request line per call would drown the script's own output.
    options.log = [](const std::string&) {};
    // A stop waits for the idle keep-alive connections to time out; the
    // screen keeps one open, so `server stop` would hang for the default 30 s.
    options.keepAliveTimeout = std::chrono::seconds(1);
    return options;
}

} // namespace

EmbeddedServer::EmbeddedServer()
    : server_(std::make_unique<server::InProcessServer>(embeddedOptions(), "grupservfat-script"))
{}

EmbeddedServer::~EmbeddedServer() = default;

const std::string& EmbeddedServer::host() const
{
    return server_->Host();
}

int EmbeddedServer::port() const
{
    return server_->Port();
}

const std::string& EmbeddedServer::databasePath() const
{
    return server_->DatabasePath();
}

std::string EmbeddedServer::address() const
{
    return host() + ":" + std::to_string(port());
}

bool EmbeddedServer::hasMethod(const std::string& method) const
{
    return server::RemoteModule::HasMethod(method);
}

void EmbeddedServer::failOnce(const std::string& method, const Refusal& refusal, int passing)
{
    server_->Server().Module().FailOnce(method, refusal.status, refusal.code, refusal.message, passing);
}

bool EmbeddedServer::running() const
{
    return server_->Running();
}

void EmbeddedServer::stop()
{
    server_->Stop();
}

void EmbeddedServer::start()
{
    server_->Start();
}

} // namespace gsf::script
