#pragma once

#include <chrono>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include <sys/types.h>

namespace gsf::test {

/// A loopback port nobody listens on: bound, then released.
/// @warning another process may take it before the caller does.
int unusedLoopbackPort();

/// A server executable run as a child process on a loopback port of its own,
/// for tests that kill it or share its database with another process.
/// The destructor stops a child still running (SIGTERM) and reaps it.
class ServerProcess {
public:
    /// Starts @p executable with @p arguments followed by `--port N`, its
    /// environment being this process's plus @p environment.
    /// @throws std::runtime_error when the process cannot be forked.
    /// @param port the port to use, 0 for an unused one (a server started
    ///        again after a kill takes the port of the one before).
    /// @param logFile when not empty, the child's standard error goes there.
    ServerProcess(const std::string& executable, const std::vector<std::string>& arguments,
                  const std::vector<std::pair<std::string, std::string>>& environment = {}, int port = 0,
                  const std::string& logFile = "");
    ~ServerProcess();
    ServerProcess(const ServerProcess&) = delete;
    ServerProcess& operator=(const ServerProcess&) = delete;

    int port() const { return port_; }
    /// Polls `GET /health` until it answers 200.
    /// @return false when it has not after @p timeout or the child is gone.
    bool waitUntilHealthy(std::chrono::milliseconds timeout = std::chrono::seconds(10));
    /// Sends @p signal and waits for the child to end; one still running after
    /// 30 s is killed (SIGKILL), which its wait status shows.
    /// @return its wait status (see WIFSIGNALED); none when it had already ended.
    std::optional<int> stop(int signal);
    /// Sends @p signal without waiting (SIGSTOP freezes the server, SIGCONT
    /// resumes it). A stopped child is resumed by stop and the destructor.
    void signal(int signal);
    pid_t pid() const { return pid_; }

private:
    pid_t pid_ = -1;
    int port_ = 0;
};

} // namespace gsf::test
