#pragma once

#include <chrono>
#include <string>
#include <vector>

#include <sys/types.h>

namespace gsf::test {

/// The script driver run as a child process and fed one batch of lines at a
/// time on its standard input, so that a test can interleave several screens
/// (each driver holds one) in an order of its own.
class ScriptProcess {
public:
    /// Starts @p executable with @p arguments; standard error goes to the test's.
    /// @throws std::runtime_error when it cannot be started.
    ScriptProcess(const std::string& executable, const std::vector<std::string>& arguments);
    /// Closes its input and waits for it.
    ~ScriptProcess();
    ScriptProcess(const ScriptProcess&) = delete;
    ScriptProcess& operator=(const ScriptProcess&) = delete;

    /// Sends @p lines, then waits until the driver has shown all they did.
    /// @return the lines it printed for them.
    /// @throws std::runtime_error when it ended or printed nothing more within @p timeout.
    std::vector<std::string> Run(const std::vector<std::string>& lines,
                                 std::chrono::milliseconds timeout = std::chrono::seconds(30));
    /// Closes its input. @return its exit status (as waitpid gives it).
    int Finish();

private:
    pid_t pid_ = -1;
    int input_ = -1;
    int output_ = -1;
    int batch_ = 0;
    std::string pending_;
};

} // namespace gsf::test
