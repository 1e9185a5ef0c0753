#pragma once

#include <array>
#include <cstdio>
#include <string>

#include <sys/wait.h>

namespace gsf::server::testing {

/// What a command wrote on its standard output and how it ended.
struct CommandRun {
    int status; ///< the exit status; -1 when it did not exit by itself
    std::string output;
};

/// Runs @p command with the shell and waits for it.
inline CommandRun runCommand(const std::string& command)
{
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe)
        return {-1, ""};
    std::string output;
    std::array<char, 512> buffer;
    while (const size_t n = fread(buffer.data(), 1, buffer.size(), pipe))
        output.append(buffer.data(), n);
    const int status = pclose(pipe);
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, output};
}

/// @p text quoted for the shell.
inline std::string shellQuoted(const std::string& text)
{
    std::string quoted = "'";
    for (char c : text)
        quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

} // namespace gsf::server::testing
