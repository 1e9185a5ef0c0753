// The server's configuration file, its command line on top of it, and the
// access-token file.

#include "server/settings.h"

#include <gmock/gmock.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

namespace {

using gsf::server::AccessToken;
using gsf::server::ServerSettings;
using ::testing::HasSubstr;

class SettingsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::string pattern = (std::filesystem::temp_directory_path() / "gsf-settings-XXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        folder_ = pattern;
    }
    void TearDown() override { std::filesystem::remove_all(folder_); }

    std::string file(const std::string& name, const std::string& content)
    {
        const std::string path = folder_ + "/" + name;
        std::ofstream(path) << content;
        return path;
    }

    std::string folder_;
};

TEST_F(SettingsTest, TheFileSetsWhatTheOptionsSetAndTheOptionsWin)
{
    const std::string conf = file("server.conf", "# grupservfat-server\n"
                                                 "\n"
                                                 "postgres = host=db.local dbname=gsf user=gsf\n"
                                                 "listen = 0.0.0.0\n"
                                                 "port = 9000\n"
                                                 "  workers=6  \n"
                                                 "max-connections = 500\n"
                                                 "idle-timeout = 120\n"
                                                 "request-timeout = 3\n"
                                                 "token-file = /etc/grupservfat/tokens\n"
                                                 "history-days = 90\n"
                                                 "metrics = sim\n"
                                                 "demo = no\n");
    ServerSettings fromFile;
    ASSERT_EQ(gsf::server::parseServerArguments({"--config", conf}, fromFile), "");
    const auto& o = fromFile.options;
    EXPECT_EQ(o.database, "host=db.local dbname=gsf user=gsf");
    EXPECT_EQ(o.listen, "0.0.0.0");
    EXPECT_EQ(o.port, 9000);
    EXPECT_EQ(o.workers, 6);
    EXPECT_EQ(o.maxConnections, 500);
    EXPECT_EQ(o.keepAliveTimeout, std::chrono::seconds(120));
    EXPECT_EQ(o.readTimeout, std::chrono::seconds(3));
    EXPECT_EQ(fromFile.tokenFile, "/etc/grupservfat/tokens");
    EXPECT_EQ(o.historyDays, 90);
    EXPECT_TRUE(o.metrics);
    EXPECT_FALSE(o.demo);
    EXPECT_EQ(fromFile.configFile, conf);

    // Options before and after --config both win over the file.
    ServerSettings both;
    ASSERT_EQ(gsf::server::parseServerArguments(
                  {"--port", "9100", "--config", conf, "--sqlite", "/tmp/x.db", "--demo", "--history-days", "0"}, both),
              "");
    EXPECT_EQ(both.options.port, 9100);
    EXPECT_EQ(both.options.database, "/tmp/x.db");
    EXPECT_TRUE(both.options.demo);
    EXPECT_EQ(both.options.historyDays, 0);
    EXPECT_EQ(both.options.workers, 6);
}

TEST_F(SettingsTest, AWrongLineIsNamedWithItsNumberAndNothingElseIsGuessed)
{
    struct Case {
        std::string content;
        std::string message;
    };
    const std::vector<Case> cases = {
        {"port = 8211\nportt = 1\n", "linha 2: configuração desconhecida: portt"},
        {"port = 70000\n", "linha 1: porta inválida: 70000"},
        {"workers = 0\n", "linha 1: valor inválido para workers: 0"},
        {"idle-timeout = 10s\n", "linha 1: valor inválido para idle-timeout: 10s"},
        {"demo = talvez\n", "linha 1: valor inválido para demo: talvez (use sim ou não)"},
        {"\n\nlisten\n", "linha 3: esperado nome = valor"},
        {"sqlite = host=x dbname=y\n", "linha 1: sqlite espera o caminho de um arquivo"},
        {"postgres = /var/lib/grupservfat/x.db\n", "linha 1: postgres espera uma URI"},
        {"sqlite =\n", "linha 1: falta o valor de sqlite"},
    };
    for (const auto& c : cases) {
        ServerSettings settings;
        const std::string problem =
            gsf::server::parseServerArguments({"--config", file("bad.conf", c.content)}, settings);
        EXPECT_THAT(problem, HasSubstr(c.message)) << c.content;
        EXPECT_THAT(problem, HasSubstr("bad.conf")) << c.content;
    }
    ServerSettings settings;
    EXPECT_THAT(gsf::server::parseServerArguments({"--config", folder_ + "/none.conf"}, settings),
                HasSubstr("não foi possível ler o arquivo de configuração"));
    EXPECT_EQ(gsf::server::parseServerArguments({"--bogus", "1"}, settings), "opção desconhecida: --bogus");
    EXPECT_EQ(gsf::server::parseServerArguments({"--port"}, settings), "falta o valor de --port");
    EXPECT_EQ(gsf::server::parseServerArguments({"--config"}, settings), "falta o valor de --config");
    EXPECT_EQ(gsf::server::parseServerArguments({"8211"}, settings), "opção desconhecida: 8211");
}

TEST_F(SettingsTest, ATokenFileNamesEachSecretAndAnOldOneLineFileStillWorks)
{
    std::vector<AccessToken> tokens;
    ASSERT_EQ(gsf::server::readTokenFile(file("t1", "caixa-1:s3cr3t\n\nfiscal:outra-chave\r\n"), tokens), "");
    ASSERT_EQ(tokens.size(), 2u);
    EXPECT_EQ(tokens[0].name, "caixa-1");
    EXPECT_EQ(tokens[0].secret, "s3cr3t");
    EXPECT_EQ(tokens[1].name, "fiscal");
    EXPECT_EQ(tokens[1].secret, "outra-chave");

    // A secret alone, as before names: accepted, with no name.
    ASSERT_EQ(gsf::server::readTokenFile(file("t2", "chave-antiga  \n"), tokens), "");
    ASSERT_EQ(tokens.size(), 1u);
    EXPECT_EQ(tokens[0].name, "");
    EXPECT_EQ(tokens[0].secret, "chave-antiga");

    // One line with a colon: the named token, and the whole line as it was meant before.
    ASSERT_EQ(gsf::server::readTokenFile(file("t3", "abc:def\n"), tokens), "");
    ASSERT_EQ(tokens.size(), 2u);
    EXPECT_EQ(tokens[0].name, "abc");
    EXPECT_EQ(tokens[0].secret, "def");
    EXPECT_EQ(tokens[1].name, "");
    EXPECT_EQ(tokens[1].secret, "abc:def");

    const std::vector<std::pair<std::string, std::string>> bad = {
        {"", "está vazio"},
        {"\n  \n", "está vazio"},
        {"a:1\nsolta\n", "linha 2: use nome:chave em cada linha"},
        {"a:1\na:2\n", "linha 2: nome a repetido"},
        {"a:1\nb:1\n", "linha 2: chave repetida"},
        {"a:\n", "linha 1: use nome:chave, ambos preenchidos"},
        {":x\n", "linha 1: use nome:chave, ambos preenchidos"},
        {"a:com espaço\n", "linha 1: a chave não pode ter espaços"},
    };
    for (const auto& [content, message] : bad) {
        std::vector<AccessToken> kept = {{"antes", "x"}};
        EXPECT_THAT(gsf::server::readTokenFile(file("bad", content), kept), HasSubstr(message)) << content;
        EXPECT_EQ(kept.size(), 1u) << "a refused file leaves the tokens as they were";
    }
}

TEST(Switches, EveryUsualSpellingOfYesAndNo)
{
    for (const char* yes : {"1", "yes", "YES", "on", "true", "Sim", "s"}) {
        bool value = false;
        EXPECT_TRUE(gsf::server::parseSwitch(yes, value) && value) << yes;
    }
    for (const char* no : {"0", "no", "Off", "false", "não", "nao", "N"}) {
        bool value = true;
        EXPECT_TRUE(gsf::server::parseSwitch(no, value) && !value) << no;
    }
    bool value = true;
    EXPECT_FALSE(gsf::server::parseSwitch("", value));
    EXPECT_FALSE(gsf::server::parseSwitch("2", value));
    EXPECT_TRUE(value);
}

} // namespace
