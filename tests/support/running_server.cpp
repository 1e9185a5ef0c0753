#include "tests/support/running_server.h"

#include <stdexcept>

namespace gsf::test {

RunningServer::RunningServer(gsf::server::ServerOptions options)
{
    options.listen = "127.0.0.1";
    options.port = 0;
    if (!options.log)
        options.log = [](const std::string&) {};
    server_ = std::make_unique<gsf::server::AppServer>(std::move(options));
    if (!server_->Bind())
        throw std::runtime_error("cannot bind a loopback port");
    thread_ = std::thread([this] { server_->Run(); });
    if (!server_->WaitUntilReady(std::chrono::seconds(10))) {
        server_->Stop();
        thread_.join();
        throw std::runtime_error("server not ready");
    }
}

RunningServer::~RunningServer()
{
    server_->Stop();
    thread_.join();
}

} // namespace gsf::test
