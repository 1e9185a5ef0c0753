#include "bench/actions/delay_proxy.h"

#include <condition_variable>
#include <cstring>
#include <deque>
#include <stdexcept>

#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace gsf::bench {

namespace {

using Clock = std::chrono::steady_clock;

int connectLoopback(int port)
{
    const int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<uint16_t>(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
        close(fd);
        return -1;
    }
    const int one = 1;
    setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
    return fd;
}

// One direction of a link: bytes read from one socket, written to the other
// once their time has come. An end of stream travels late too.
class Direction {
public:
    Direction(int from, int to, std::chrono::microseconds delay) : from_(from), to_(to), delay_(delay)
    {
        reader_ = std::thread([this] { read(); });
        writer_ = std::thread([this] { write(); });
    }
    ~Direction()
    {
        reader_.join();
        writer_.join();
    }

private:
    struct Chunk {
        Clock::time_point due;
        std::string bytes; // empty: end of stream
    };
    void read()
    {
        char buffer[65536];
        for (;;) {
            const ssize_t n = recv(from_, buffer, sizeof buffer, 0);
            std::lock_guard lock(mutex_);
            queue_.push_back({Clock::now() + delay_, n > 0 ? std::string(buffer, static_cast<size_t>(n)) : ""});
            ready_.notify_one();
            if (n <= 0)
                return;
        }
    }
    void write()
    {
        for (;;) {
            Chunk chunk;
            {
                std::unique_lock lock(mutex_);
                ready_.wait(lock, [&] { return !queue_.empty(); });
                chunk = std::move(queue_.front());
                queue_.pop_front();
            }
            std::this_thread::sleep_until(chunk.due);
            if (chunk.bytes.empty()) {
                shutdown(to_, SHUT_WR);
                return;
            }
            for (size_t sent = 0; sent < chunk.bytes.size();) {
                const ssize_t n = send(to_, chunk.bytes.data() + sent, chunk.bytes.size() - sent, MSG_NOSIGNAL);
                if (n <= 0) {
                    shutdown(from_, SHUT_RD);
                    break;
                }
                sent += static_cast<size_t>(n);
            }
        }
    }

    int from_, to_;
    std::chrono::microseconds delay_;
    std::mutex mutex_;
    std::condition_variable ready_;
    std::deque<Chunk> queue_;
    std::thread reader_, writer_;
};

} // namespace

struct DelayProxy::Link {
    // Closed last, once both directions have ended.
    struct Sockets {
        int client, server;
        ~Sockets()
        {
            close(client);
            close(server);
        }
    };
    Link(int client, int server, std::chrono::microseconds delay)
        : sockets{client, server}, up(client, server, delay), down(server, client, delay)
    {}
    ~Link()
    {
        shutdown(sockets.client, SHUT_RDWR);
        shutdown(sockets.server, SHUT_RDWR);
    }
    Sockets sockets;
    Direction up, down;
};

DelayProxy::DelayProxy(int upstreamPort, std::chrono::microseconds roundTrip)
    : upstreamPort_(upstreamPort), oneWay_(roundTrip / 2)
{
    listener_ = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    if (bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 || listen(listener_, 64) != 0 ||
        getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length) != 0)
        throw std::runtime_error(std::string("proxy: ") + std::strerror(errno));
    port_ = ntohs(address.sin_port);
    acceptor_ = std::thread([this] { acceptLoop(); });
}

DelayProxy::~DelayProxy()
{
    stopping_ = true;
    shutdown(listener_, SHUT_RDWR);
    acceptor_.join();
    close(listener_);
    std::lock_guard lock(mutex_);
    links_.clear();
}

void DelayProxy::acceptLoop()
{
    while (!stopping_) {
        pollfd fd{listener_, POLLIN, 0};
        if (poll(&fd, 1, 100) <= 0)
            continue;
        const int client = accept(listener_, nullptr, nullptr);
        if (client < 0)
            continue;
        const int one = 1;
        setsockopt(client, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
        const int server = connectLoopback(upstreamPort_);
        if (server < 0) {
            close(client);
            continue;
        }
        ++accepted_;
        std::lock_guard lock(mutex_);
        links_.push_back(std::make_unique<Link>(client, server, oneWay_));
    }
}

} // namespace gsf::bench
