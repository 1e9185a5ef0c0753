#pragma once

#include <atomic>
#include <chrono>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace gsf::bench {

/// A loopback TCP proxy that delivers every byte it relays half a round trip
/// late in each direction, as a network of that latency would, with no
/// queueing discipline of the kernel. Threads per connection: for measuring
/// a few screens, not for load.
class DelayProxy {
public:
    /// Listens on an ephemeral loopback port and relays to 127.0.0.1:@p upstreamPort.
    DelayProxy(int upstreamPort, std::chrono::microseconds roundTrip);
    ~DelayProxy();
    DelayProxy(const DelayProxy&) = delete;
    DelayProxy& operator=(const DelayProxy&) = delete;

    int Port() const { return port_; }
    /// Connections accepted so far.
    int Accepted() const { return accepted_.load(); }

private:
    struct Link;
    void acceptLoop();

    int upstreamPort_;
    std::chrono::microseconds oneWay_;
    int listener_ = -1;
    int port_ = 0;
    std::atomic<bool> stopping_{false};
    std::atomic<int> accepted_{0};
    std::thread acceptor_;
    std::mutex mutex_;
    std::vector<std::unique_ptr<Link>> links_;
};

} // namespace gsf::bench
