#include "tests/support/child_wait.h"

#include <chrono>
#include <csignal>
#include <cstdio>
#include <thread>

#include <sys/wait.h>

namespace gsf::test {

int waitOrKill(pid_t pid, int graceSeconds, const char* what)
{
    int status = 0;
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(graceSeconds);
    while (waitpid(pid, &status, WNOHANG) == 0) {
        if (std::chrono::steady_clock::now() >= until) {
            std::fprintf(stderr, "%s %d não terminou em %d s: encerrado com SIGKILL\n", what, static_cast<int>(pid),
                         graceSeconds);
            kill(pid, SIGKILL);
            waitpid(pid, &status, 0);
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return status;
}

} // namespace gsf::test
