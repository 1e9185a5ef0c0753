#include "bench/server_load/previous_front.h"

#include "server/http_front.h"

#include <httplib.h>

#include <thread>

namespace gsf::bench {

namespace {

// A request is handled start to finish on one worker thread, so the start
// time taken before routing can wait there for the log line.
thread_local std::chrono::steady_clock::time_point requestStart;

} // namespace

struct PreviousFront::State {
    httplib::Server server;
    std::thread thread;
};

PreviousFront::PreviousFront(server::RemoteModule& module, int workers, std::function<void(const std::string&)> log,
                             const std::string& token)
    : state_(std::make_unique<State>())
{
    auto& svr = state_->server;
    svr.new_task_queue = [workers] { return new httplib::ThreadPool(static_cast<size_t>(workers)); };
    svr.set_tcp_nodelay(true);
    svr.set_keep_alive_max_count(1000000);
    svr.set_keep_alive_timeout(30);
    svr.set_read_timeout(10, 0);
    svr.set_write_timeout(10, 0);
    svr.set_payload_max_length(1024 * 1024);

    const std::string expected = token.empty() ? "" : "Bearer " + token;
    svr.set_pre_routing_handler([expected](const httplib::Request& req, httplib::Response& res) {
        requestStart = std::chrono::steady_clock::now();
        if (!expected.empty() && req.get_header_value("Authorization") != expected) {
            res.status = 401;
            res.set_content(
                server::errorBody("unauthorized", "Acesso não autorizado: informe a chave de acesso do servidor."),
                "application/json");
            return httplib::Server::HandlerResponse::Handled;
        }
        return httplib::Server::HandlerResponse::Unhandled;
    });
    svr.Get("/health", [](const httplib::Request&, httplib::Response& res) {
        res.set_content(R"({"status":"ok"})", "application/json");
    });
    svr.Post(std::string("/") + server::RemoteModule::kName + "/([A-Za-z]+)",
             [&module](const httplib::Request& req, httplib::Response& res) {
                 server::Reply reply = module.Call(req.matches[1].str(), req.body);
                 res.status = reply.status;
                 res.body = std::string(reply.Body());
                 res.set_header("Content-Type", "application/json");
             });
    svr.set_error_handler([](const httplib::Request& req, httplib::Response& res) {
        if (!res.body.empty())
            return;
        res.set_content(
            server::errorBody(res.status == 404 ? "not_found" : "bad_request",
                              res.status == 404 ? "Recurso desconhecido: " + req.path + "." : "Requisição inválida."),
            "application/json");
    });
    svr.set_logger([log = std::move(log)](const httplib::Request& req, const httplib::Response& res) {
        const double ms =
            std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - requestStart).count();
        const auto slash = req.path.rfind('/');
        log(server::requestLogLine(req.method, slash == std::string::npos ? req.path : req.path.substr(slash + 1),
                                   res.status, ms, req.remote_addr));
    });
    port_ = svr.bind_to_any_port("127.0.0.1");
    state_->thread = std::thread([this] { state_->server.listen_after_bind(); });
    while (!svr.is_running())
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
}

PreviousFront::~PreviousFront()
{
    state_->server.stop();
    state_->thread.join();
}

} // namespace gsf::bench
