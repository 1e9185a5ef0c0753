// Two screens on one client, each a script driver of its own, on two
// connections (on PostgreSQL through two server processes sharing the
// database): both load, then one changes a group, a service or an interval
// and the other changes the same one. Nothing the first stored is lost, a
// refused change of the second reaches its clerk as a message and leaves
// nothing behind, and after a verify of each page both screens show the same.
#include "tests/support/engine_test.h"
#include "tests/support/script_process.h"
#include "tests/support/server_process.h"
#include "tests/support/server_reader.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <functional>

namespace {

using Lines = std::vector<std::string>;
using Json = nlohmann::json;

const std::string kConflict =
    "O registro foi alterado ou excluído por outro usuário. Recarregue os dados e tente novamente.";

struct Case {
    const char* name;
    const char* page;        ///< menu entry of the page both work on ("" for the groups)
    Lines first;             ///< what the first screen does, to the end
    Lines second;            ///< what the second then does, on what it loaded before
    std::string refusal;     ///< what the second's clerk is shown; empty when it goes through
    Lines secondBefore = {}; ///< what the second does before the first acts
    /// What the second's clerk does after the refusal: a row refused by the
    /// screen's own check stays as typed, to be corrected or given up.
    Lines secondAfter = {};
};

Lines alterGroup(const char* row, const char* text)
{
    return {"row dbgPadrao " + std::string(row), "click sbtAlterar",
            "cell dbgPadrao DSGRSERVFAT \"" + std::string(text) + "\"", "click sbtConfirmar"};
}
Lines deleteGroup(const char* row)
{
    return {"row dbgPadrao " + std::string(row), "answer yes", "click sbtExcluir"};
}
Lines alterInterval(const char* correction)
{
    return {"row dbgCorrPrecGrup 3", "click sbtAlterar", "cell dbgCorrPrecGrup VRPECORRGRUP " + std::string(correction),
            "click sbtConfirmar"};
}
Lines deleteInterval()
{
    return {"row dbgCorrPrecGrup 3", "answer yes", "click sbtExcluir"};
}

const std::vector<Case>& cases()
{
    static const std::vector<Case> all = {
        {"GroupAlteredByBoth", "", alterGroup("1", "Primeira"), alterGroup("1", "Segunda"), kConflict},
        {"GroupAlteredThenDeleted", "", alterGroup("3", "Primeira"), deleteGroup("3"), kConflict},
        {"GroupDeletedThenAltered", "", deleteGroup("3"), alterGroup("3", "Segunda"), kConflict},
        {"GroupDeletedByBoth", "", deleteGroup("3"), deleteGroup("3"), "não cadastrado"},
        {"GroupCodeTakenWhileTyped",
         "",
         {"click sbtIncluir", "cell dbgPadrao CDGRSERVFAT 009", "cell dbgPadrao DSGRSERVFAT Primeira",
          "cell dbgPadrao QTEFETMINIGSF 1", "click sbtConfirmar"},
         {"cell dbgPadrao DSGRSERVFAT Segunda", "cell dbgPadrao QTEFETMINIGSF 2", "click sbtConfirmar"},
         "Grupo de serviço para faturamento já cadastrado.",
         {"click sbtIncluir", "cell dbgPadrao CDGRSERVFAT 009", "cell dbgPadrao DSGRSERVFAT"},
         {"answer yes", "click sbtCancelar"}},
        {"ServiceTakenByAnotherGroup",
         "",
         {"row dbgPadrao 3", "menu mnuServ", "click sbtIncluir", "cell dbgServico CDSERVFILI 50", "click sbtConfirmar"},
         {"row dbgPadrao 2", "menu mnuServ", "click sbtIncluir", "cell dbgServico CDSERVFILI 50", "click sbtConfirmar"},
         "Serviço já cadastrado",
         {},
         {"answer yes", "click sbtCancelar"}},
        {"ServiceDeletedByBoth",
         "mnuServ",
         {"row dbgServico 2", "answer yes", "click sbtExcluir"},
         {"row dbgServico 2", "answer yes", "click sbtExcluir"},
         ""},
        {"IntervalAlteredByBoth", "mnuTabCorr", alterInterval("13"), alterInterval("14"), kConflict},
        {"IntervalAlteredThenDeleted", "mnuTabCorr", alterInterval("13"), deleteInterval(), kConflict},
        {"IntervalDeletedThenAltered", "mnuTabCorr", deleteInterval(), alterInterval("14"), kConflict},
        {"IntervalDeletedByBoth", "mnuTabCorr", deleteInterval(), deleteInterval(), kConflict},
    };
    return all;
}

struct Param {
    gsf::sql::Engine engine;
    size_t index;
};

class TwoScreens : public ::testing::TestWithParam<Param> {
protected:
    void SetUp() override
    {
        if (!gsf::test::TempDatabase::Available(GetParam().engine))
            GTEST_SKIP() << "GSF_TEST_POSTGRES não definido";
        db_ = std::make_unique<gsf::test::TempDatabase>(GetParam().engine);
        const bool sqlite = GetParam().engine == gsf::sql::Engine::SQLite;
        const std::vector<std::string> args = {sqlite ? "--sqlite" : "--postgres", db_->target(), "--demo"};
        servers_.push_back(std::make_unique<gsf::test::ServerProcess>(GSF_SERVER_EXE, args));
        ASSERT_TRUE(servers_.back()->waitUntilHealthy());
        if (!sqlite) {
            servers_.push_back(std::make_unique<gsf::test::ServerProcess>(GSF_SERVER_EXE, args));
            ASSERT_TRUE(servers_.back()->waitUntilHealthy());
        }
    }

    std::unique_ptr<gsf::test::ScriptProcess> screen(size_t which)
    {
        const auto& server = *servers_[which % servers_.size()];
        auto driver = std::make_unique<gsf::test::ScriptProcess>(
            GSF_SCRIPT_EXE,
            Lines{"--server", "127.0.0.1:" + std::to_string(server.port()), "--database", db_->target()});
        const auto shown =
            driver->Run({"open", "type medCdFilial 0001", "type medCdCliente 11222333000181", "focus dbgPadrao"});
        for (const auto& line : shown)
            EXPECT_EQ(line.rfind("error", 0), std::string::npos) << line;
        return driver;
    }

    std::map<std::string, std::vector<std::string>> held()
    {
        return gsf::test::ServerReader("127.0.0.1", servers_[0]->port()).Snapshot({"0001"});
    }

    std::unique_ptr<gsf::test::TempDatabase> db_;
    std::vector<std::unique_ptr<gsf::test::ServerProcess>> servers_;
};

bool showed(const Lines& lines, const std::string& text)
{
    for (const auto& line : lines)
        if ((line.rfind("error ", 0) == 0 || line.rfind("message ", 0) == 0) && line.find(text) != std::string::npos)
            return true;
    return false;
}

std::string refusals(const Lines& lines)
{
    std::string out;
    for (const auto& line : lines)
        if (line.rfind("error ", 0) == 0 || line.rfind("message ", 0) == 0)
            out += line + "\n";
    return out;
}

// The rows each list shows after a verify on its page, as the dump gives them.
Json pages(gsf::test::ScriptProcess& screen)
{
    Json out;
    for (const auto& [entry, list] : std::vector<std::pair<std::string, std::string>>{
             {"mnuGrupServ", "cdsGrupServ"}, {"mnuServ", "cdsServClie"}, {"mnuTabCorr", "cdsCorrPrecGrup"}}) {
        Lines commands = {"menu " + entry, "click sbtVerificar"};
        if (list == "cdsGrupServ")
            commands.push_back("row dbgPadrao 1"); // the same group's lists next
        const Lines shown = screen.Run(commands);
        EXPECT_EQ(refusals(shown), "") << entry;
        std::string dump;
        for (const auto& line : screen.Run({"dump"}))
            dump += line + "\n";
        const Json state = Json::parse(dump);
        out[list] = state["datasets"][list]["rows"];
    }
    return out;
}

TEST_P(TwoScreens, NothingStoredIsLostAndBothEndShowingTheSame)
{
    const Case& c = cases()[GetParam().index];
    auto first = screen(0);
    auto second = screen(1);
    if (*c.page) {
        EXPECT_EQ(refusals(first->Run({"menu " + std::string(c.page)})), "");
        EXPECT_EQ(refusals(second->Run({"menu " + std::string(c.page)})), "");
    }
    if (!c.secondBefore.empty()) {
        EXPECT_EQ(refusals(second->Run(c.secondBefore)), "");
    }

    const auto before = held();
    const Lines firstShown = first->Run(c.first);
    EXPECT_EQ(refusals(firstShown), "") << c.name;
    const auto afterFirst = held();
    EXPECT_NE(afterFirst, before) << c.name << ": the first change was stored";

    const Lines secondShown = second->Run(c.second);
    if (c.refusal.empty()) {
        EXPECT_EQ(refusals(secondShown), "") << c.name;
    } else {
        EXPECT_TRUE(showed(secondShown, c.refusal)) << c.name << ": " << refusals(secondShown);
        EXPECT_EQ(held(), afterFirst) << c.name << ": the refused change left nothing and lost nothing";
    }
    if (!c.secondAfter.empty()) {
        EXPECT_EQ(refusals(second->Run(c.secondAfter)), "");
    }

    const Json shownFirst = pages(*first);
    const Json shownSecond = pages(*second);
    EXPECT_EQ(shownFirst, shownSecond) << c.name;
    EXPECT_EQ(first->Finish(), 0);
    EXPECT_EQ(second->Finish(), 0);
}

std::vector<Param> everyCase()
{
    std::vector<Param> out;
    for (const auto engine : {gsf::sql::Engine::SQLite, gsf::sql::Engine::PostgreSQL})
        for (size_t i = 0; i < cases().size(); ++i)
            out.push_back({engine, i});
    return out;
}

INSTANTIATE_TEST_SUITE_P(Cases, TwoScreens, ::testing::ValuesIn(everyCase()),
                         [](const ::testing::TestParamInfo<Param>& p) {
                             return std::string(cases()[p.param.index].name) + "_" +
                                    gsf::test::engineLabel(p.param.engine);
                         });

} // namespace
