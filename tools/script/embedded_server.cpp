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
    return options;
}

} // namespace

EmbeddedServer::EmbeddedServer()
    : server_(std::make_unique<server::InProcessServer>(embeddedOptions(), "grupservfat-script"))
{
}

EmbeddedServer::~EmbeddedServer() = default;

const std::string& EmbeddedServer::host() const { return server_->Host(); }

int EmbeddedServer::port() const { return server_->Port(); }

const std::string& EmbeddedServer::databasePath() const { return server_->DatabasePath(); }

} // namespace gsf::script
