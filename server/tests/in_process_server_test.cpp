#include "server/in_process_server.h"

#include <gtest/gtest.h>
#include <httplib.h>

#include <cstdlib>
#include <filesystem>

namespace {

using gsf::server::InProcessServer;
using gsf::server::ServerOptions;

TEST(InProcessServerTest, ServesDemoDataAndRemovesItsFolderWhenStopped)
{
    std::filesystem::path folder;
    {
        InProcessServer first(ServerOptions{}, "gsf-inproc-test");
        InProcessServer second(ServerOptions{}, "gsf-inproc-test");
        folder = std::filesystem::path(first.DatabasePath()).parent_path();
        ASSERT_TRUE(std::filesystem::exists(first.DatabasePath()));
        EXPECT_NE(first.DatabasePath(), second.DatabasePath());
        EXPECT_NE(first.Port(), second.Port());

        httplib::Client client(first.Host(), first.Port());
        const auto health = client.Get("/health");
        ASSERT_TRUE(health) << httplib::to_string(health.error());
        EXPECT_EQ(health->status, 200);
        EXPECT_FALSE(first.Server().GetStorage().GetGrupServ("0001", "000002").rows.empty());
    }
    EXPECT_FALSE(std::filesystem::exists(folder));
}

TEST(InProcessServerTest, UnusableTemporaryFolderIsReportedInPortuguese)
{
    const char* saved = std::getenv("TMPDIR");
    const std::string previous = saved ? saved : "";
    // Not even root may make a folder there.
    setenv("TMPDIR", "/proc", 1);
    try {
        InProcessServer server(ServerOptions{}, "gsf-inproc-test");
        ADD_FAILURE() << "o servidor não deveria ter partido";
    } catch (const std::runtime_error& error) {
        EXPECT_STREQ(error.what(), "Não foi possível criar a pasta temporária do servidor.");
    }
    if (saved)
        setenv("TMPDIR", previous.c_str(), 1);
    else
        unsetenv("TMPDIR");
}

} // namespace
