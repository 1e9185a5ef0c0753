#pragma once

#include "platform/data/packet.h"

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace gsf::remote {
class RemoteConnection;
}

namespace gsf::test {

/// What the application server holds, read through a connection of its own,
/// as another screen would read it: the way tests check that a screen changed
/// nothing it did not show.
class ServerReader {
public:
    ServerReader(const std::string& host, int port);
    ~ServerReader();
    ServerReader(const ServerReader&) = delete;
    ServerReader& operator=(const ServerReader&) = delete;

    /// Every group of every client of @p branches with its services and its
    /// correction intervals: one entry per group keyed "branch/client/group"
    /// (a client without groups has "branch/client" with no lines), each
    /// line one row as the server sends it.
    /// @throws std::runtime_error naming the call when the server refuses one.
    std::map<std::string, std::vector<std::string>> Snapshot(const std::vector<std::string>& branches);

    /// One interval of a correction table; an empty bound is nullopt.
    struct Interval {
        std::optional<double> start;
        std::optional<double> end;
        std::optional<double> correction;
    };
    /// The correction table of a group, in the server's order.
    std::vector<Interval> Intervals(const std::string& branch, const std::string& client, const std::string& group);

    /// A method's packet. @throws std::runtime_error naming the call when it fails.
    data::Packet Call(const std::string& method, const std::vector<std::string>& args);

private:
    std::unique_ptr<remote::RemoteConnection> connection_;
};

/// The entries of @p before and @p after that differ, keys starting with one
/// of @p changed left out: "key: before | after" per difference, so a test
/// failure tells what moved.
std::vector<std::string> differences(const std::map<std::string, std::vector<std::string>>& before,
                                     const std::map<std::string, std::vector<std::string>>& after,
                                     const std::vector<std::string>& changed = {});

} // namespace gsf::test
