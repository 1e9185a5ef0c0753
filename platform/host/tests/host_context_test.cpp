// Every connection opened in the host's process carries the host context's
// access token and user name, read at each opening.

#include "platform/host/host_context.h"
#include "platform/remote/connection.h"

#include <gtest/gtest.h>

namespace gsf::host {
namespace {

std::string userHeader(const remote::RemoteConnection& connection)
{
    for (const auto& [name, value] : connection.Headers())
        if (name == "X-Gsf-User")
            return value;
    return "<none>";
}

class HostContextDefaults : public ::testing::Test {
protected:
    void TearDown() override { setHostContext({}); }
};

TEST_F(HostContextDefaults, TheTokenAndTheUserNameGoWithEveryConnection)
{
    HostContext context;
    context.serverToken = "segredo";
    context.userName = "João da Silva/2";
    setHostContext(context);
    remote::RemoteConnection net;
    net.Open();
    EXPECT_EQ(net.Token, "segredo");
    EXPECT_EQ(userHeader(net), "Jo%C3%A3o%20da%20Silva%2F2") << "UTF-8, percent-encoded";

    // Read again at each opening: a name taken away is no longer sent.
    hostContext().userName.clear();
    net.Close();
    net.Open();
    EXPECT_EQ(userHeader(net), "<none>");
}

TEST_F(HostContextDefaults, NoTokenInTheContextLeavesTheConnectionsOwn)
{
    remote::RemoteConnection net;
    net.Token = "da-conexao";
    net.Open();
    EXPECT_EQ(net.Token, "da-conexao");
    EXPECT_EQ(userHeader(net), "<none>");
}

} // namespace
} // namespace gsf::host
