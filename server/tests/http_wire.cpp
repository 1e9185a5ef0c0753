#include "server/tests/http_wire.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <stdexcept>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <unistd.h>

namespace gsf::test {

using Clock = std::chrono::steady_clock;

Wire::Wire(int port)
{
    fd_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd_ < 0)
        throw std::runtime_error(std::string("socket: ") + std::strerror(errno));
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<uint16_t>(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (::connect(fd_, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
        const int error = errno;
        ::close(fd_);
        throw std::runtime_error(std::string("connect: ") + std::strerror(error));
    }
    const int one = 1;
    ::setsockopt(fd_, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
}

Wire::~Wire()
{
    ::close(fd_);
}

bool Wire::send(std::string_view bytes)
{
    while (!bytes.empty()) {
        const ssize_t n = ::send(fd_, bytes.data(), bytes.size(), MSG_NOSIGNAL);
        if (n <= 0)
            return false;
        bytes.remove_prefix(static_cast<size_t>(n));
    }
    return true;
}

void Wire::shutdownWrite()
{
    ::shutdown(fd_, SHUT_WR);
}

bool Wire::fill(Clock::time_point until)
{
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(until - Clock::now()).count();
    pollfd p{fd_, POLLIN, 0};
    if (::poll(&p, 1, static_cast<int>(std::max<long long>(0, left))) <= 0)
        return false;
    char buffer[65536];
    const ssize_t n = ::recv(fd_, buffer, sizeof buffer, 0);
    if (n <= 0)
        return false;
    received_.append(buffer, static_cast<size_t>(n));
    return true;
}

std::optional<WireResponse> Wire::response(std::chrono::milliseconds timeout)
{
    const auto until = Clock::now() + timeout;
    size_t end;
    while ((end = received_.find("\r\n\r\n")) == std::string::npos)
        if (!fill(until))
            return std::nullopt;
    WireResponse response;
    const std::string head = received_.substr(0, end);
    if (head.rfind("HTTP/1.", 0) != 0 || head.size() < 12)
        return std::nullopt;
    response.status = std::stoi(head.substr(9, 3));
    size_t line = head.find("\r\n");
    while (line != std::string::npos) {
        const size_t next = head.find("\r\n", line + 2);
        const std::string field =
            head.substr(line + 2, next == std::string::npos ? std::string::npos : next - line - 2);
        const size_t colon = field.find(':');
        if (colon != std::string::npos) {
            std::string name = field.substr(0, colon);
            std::transform(name.begin(), name.end(), name.begin(), [](unsigned char c) { return std::tolower(c); });
            response.headers[name] = field.substr(field.find_first_not_of(' ', colon + 1));
        }
        line = next;
    }
    const auto length = response.headers.find("content-length");
    const size_t size = length == response.headers.end() ? 0 : std::stoul(length->second);
    while (received_.size() < end + 4 + size)
        if (!fill(until))
            return std::nullopt;
    response.body = received_.substr(end + 4, size);
    received_.erase(0, end + 4 + size);
    return response;
}

bool Wire::closedWithin(std::chrono::milliseconds timeout)
{
    const auto until = Clock::now() + timeout;
    for (;;) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(until - Clock::now()).count();
        if (left < 0)
            return false;
        pollfd p{fd_, POLLIN, 0};
        if (::poll(&p, 1, static_cast<int>(left)) <= 0)
            return false;
        char buffer[4096];
        if (::recv(fd_, buffer, sizeof buffer, 0) <= 0)
            return true;
    }
}

std::string request(std::string_view verb, std::string_view path, std::string_view body, std::string_view extraHeaders)
{
    std::string text;
    text.append(verb).append(" ").append(path).append(" HTTP/1.1\r\nHost: 127.0.0.1\r\n");
    text.append("Content-Type: application/json\r\nContent-Length: ")
        .append(std::to_string(body.size()))
        .append("\r\n");
    text.append(extraHeaders).append("\r\n").append(body);
    return text;
}

std::string call(std::string_view method, std::string_view body, std::string_view extraHeaders)
{
    return request("POST", "/Vex04120.rdmGrupServFat/" + std::string(method), body, extraHeaders);
}

void allowDescriptors(unsigned wanted)
{
    rlimit limit{};
    if (getrlimit(RLIMIT_NOFILE, &limit) != 0 || limit.rlim_cur >= wanted)
        return;
    limit.rlim_cur = std::min<rlim_t>(wanted, limit.rlim_max);
    setrlimit(RLIMIT_NOFILE, &limit);
}

} // namespace gsf::test
