#include "tests/support/script_process.h"

#include "tests/support/child_wait.h"

#include <cerrno>
#include <csignal>
#include <cstring>
#include <stdexcept>

#include <fcntl.h>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

namespace gsf::test {

ScriptProcess::ScriptProcess(const std::string& executable, const std::vector<std::string>& arguments)
{
    int in[2], out[2];
    // Close-on-exec: another driver started later must not hold this one's
    // input open, or closing it would never end this one.
    if (pipe2(in, O_CLOEXEC) != 0 || pipe2(out, O_CLOEXEC) != 0)
        throw std::runtime_error(std::string("pipe: ") + std::strerror(errno));
    std::vector<std::string> texts{executable};
    texts.insert(texts.end(), arguments.begin(), arguments.end());
    std::vector<char*> argv;
    for (auto& text : texts)
        argv.push_back(text.data());
    argv.push_back(nullptr);
    pid_ = fork();
    if (pid_ < 0)
        throw std::runtime_error(std::string("fork: ") + std::strerror(errno));
    if (pid_ == 0) {
        dup2(in[0], 0);
        dup2(out[1], 1);
        close(in[0]);
        close(in[1]);
        close(out[0]);
        close(out[1]);
        execv(argv[0], argv.data());
        _exit(127);
    }
    close(in[0]);
    close(out[1]);
    input_ = in[1];
    output_ = out[0];
    // A driver that ended must not take the test down with SIGPIPE.
    signal(SIGPIPE, SIG_IGN);
}

ScriptProcess::~ScriptProcess()
{
    if (pid_ > 0) {
        Finish();
    }
}

std::vector<std::string> ScriptProcess::Run(const std::vector<std::string>& lines, std::chrono::milliseconds timeout)
{
    const std::string marker = "sync " + std::to_string(++batch_);
    std::string text;
    for (const auto& line : lines)
        text += line + "\n";
    text += marker + "\n";
    for (size_t sent = 0; sent < text.size();) {
        const ssize_t n = write(input_, text.data() + sent, text.size() - sent);
        if (n <= 0)
            throw std::runtime_error("o roteiro não aceita mais entrada");
        sent += static_cast<size_t>(n);
    }
    std::vector<std::string> printed;
    const auto until = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        for (size_t end; (end = pending_.find('\n')) != std::string::npos;) {
            std::string line = pending_.substr(0, end);
            pending_.erase(0, end + 1);
            if (line == marker)
                return printed;
            printed.push_back(std::move(line));
        }
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(until - std::chrono::steady_clock::now());
        pollfd fd{output_, POLLIN, 0};
        if (left.count() <= 0 || poll(&fd, 1, static_cast<int>(left.count())) <= 0)
            throw std::runtime_error("o roteiro não respondeu a tempo: " + (lines.empty() ? "" : lines.back()));
        char buffer[4096];
        const ssize_t n = read(output_, buffer, sizeof buffer);
        if (n <= 0)
            throw std::runtime_error("o roteiro terminou antes de " + marker);
        pending_.append(buffer, static_cast<size_t>(n));
    }
}

int ScriptProcess::Finish()
{
    if (pid_ <= 0)
        return -1;
    close(input_);
    const int status = waitOrKill(pid_, 30, "roteiro");
    close(output_);
    pid_ = -1;
    return status;
}

} // namespace gsf::test
