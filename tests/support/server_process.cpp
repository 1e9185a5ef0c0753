#include "tests/support/server_process.h"

#include "tests/support/child_wait.h"

#include <httplib.h>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <stdexcept>
#include <thread>

#include <fcntl.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace gsf::test {

int unusedLoopbackPort()
{
    const int fd = socket(AF_INET, SOCK_STREAM, 0);
    if (fd < 0)
        throw std::runtime_error("cannot open a socket");
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    const bool bound = bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
                       getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) == 0;
    close(fd);
    if (!bound)
        throw std::runtime_error("cannot bind a loopback port");
    return ntohs(address.sin_port);
}

ServerProcess::ServerProcess(const std::string& executable, const std::vector<std::string>& arguments,
                             const std::vector<std::pair<std::string, std::string>>& environment, int port,
                             const std::string& logFile)
    : port_(port > 0 ? port : unusedLoopbackPort())
{
    // Everything the child needs is built before the fork: a child of a
    // threaded process may only call async-signal-safe functions.
    std::vector<std::string> argumentTexts{executable};
    argumentTexts.insert(argumentTexts.end(), arguments.begin(), arguments.end());
    argumentTexts.insert(argumentTexts.end(), {"--port", std::to_string(port_)});
    std::vector<std::string> environmentTexts;
    for (char** entry = environ; *entry; ++entry)
        environmentTexts.emplace_back(*entry);
    for (const auto& [name, value] : environment)
        environmentTexts.push_back(name + "=" + value);

    const auto pointers = [](std::vector<std::string>& texts) {
        std::vector<char*> out;
        for (auto& text : texts)
            out.push_back(text.data());
        out.push_back(nullptr);
        return out;
    };
    const auto argv = pointers(argumentTexts);
    const auto envp = pointers(environmentTexts);

    const int log = logFile.empty() ? -1 : open(logFile.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
    pid_ = fork();
    if (pid_ < 0)
        throw std::runtime_error(std::string("cannot fork: ") + std::strerror(errno));
    if (pid_ == 0) {
        if (log >= 0)
            dup2(log, 2);
        execve(argv[0], argv.data(), envp.data());
        _exit(127);
    }
    if (log >= 0)
        close(log);
}

ServerProcess::~ServerProcess()
{
    stop(SIGTERM);
}

bool ServerProcess::waitUntilHealthy(std::chrono::milliseconds timeout)
{
    httplib::Client client("127.0.0.1", port_);
    const auto until = std::chrono::steady_clock::now() + timeout;
    while (pid_ > 0 && std::chrono::steady_clock::now() < until) {
        const auto res = client.Get("/health");
        if (res && res->status == 200)
            return true;
        if (waitpid(pid_, nullptr, WNOHANG) == pid_) {
            pid_ = -1;
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return false;
}

std::optional<int> ServerProcess::stop(int signal)
{
    if (pid_ <= 0)
        return std::nullopt;
    kill(pid_, signal);
    // A frozen child takes the signal once it runs again.
    if (signal != SIGKILL)
        kill(pid_, SIGCONT);
    const int status = waitOrKill(pid_, 30, "servidor");
    pid_ = -1;
    return status;
}

void ServerProcess::signal(int signal)
{
    if (pid_ > 0)
        kill(pid_, signal);
}

} // namespace gsf::test
