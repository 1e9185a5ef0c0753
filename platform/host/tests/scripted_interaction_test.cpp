#include "platform/host/interaction.h"

#include "platform/host/tests/test_data.h"

#include <gtest/gtest.h>

using gsf::host::ScriptedInteraction;
using gsf::host::ScriptError;
using gsf::host::testing::textDataSet;

namespace {

class ScriptedInteractionTest : public ::testing::Test {
protected:
    std::unique_ptr<gsf::data::DataSet> branches = textDataSet(
        "cdsFilial", {"CDFILIAL", "NMFILIAL"}, {{"0001", "Matriz"}, {"0002", "Campinas"}, {"0003", "Santos"}});
    gsf::data::DataSource dtsFilial{"dtsFilial", branches.get()};
    ScriptedInteraction script;
};

TEST_F(ScriptedInteractionTest, AnswersAreConsumedPerKindInOrder)
{
    // Queued interleaved and out of the order the dialogs come in.
    script.queuePick(3);
    script.queueConfirm(false);
    script.queuePick(std::nullopt);
    script.queueConfirm(true);

    EXPECT_FALSE(script.confirm("Primeira?"));
    EXPECT_EQ(script.pickList("Filial", "Vazio", dtsFilial), 3);
    EXPECT_EQ(branches->FieldByName("CDFILIAL").AsString(), "0003");
    EXPECT_TRUE(script.confirm("Segunda?"));
    EXPECT_EQ(script.pickList("Filial", "Vazio", dtsFilial), std::nullopt);
    EXPECT_EQ(branches->RecNo(), 3) << "a closed list leaves the dataset where it was";
    EXPECT_EQ(script.pendingAnswers(), 0);

    const std::vector<std::string> expected = {R"(confirm "Primeira?" -> no)", R"(pick "Filial" -> 3)",
                                               R"(confirm "Segunda?" -> yes)", R"(pick "Filial" -> none)"};
    EXPECT_EQ(script.lines(), expected);
}

TEST_F(ScriptedInteractionTest, DialogWithoutAnswerOfItsKindNamesTheDialog)
{
    script.queuePick(1);
    script.queueFind("CDFILIAL", "0002");
    try {
        script.confirm("Confirma exclusão?");
        FAIL() << "a pick or find answer must not answer a confirmation";
    } catch (const ScriptError& error) {
        EXPECT_NE(std::string(error.what()).find("Confirma exclusão?"), std::string::npos);
    }
    script.queueConfirm(true);
    EXPECT_EQ(script.pickList("Filial", "Vazio", dtsFilial), 1);
    EXPECT_THROW(script.pickList("Filial", "Vazio", dtsFilial), ScriptError);
    EXPECT_TRUE(script.search(*branches));
    EXPECT_THROW(script.search(*branches), ScriptError);
    EXPECT_TRUE(script.confirm("Depois"));
}

TEST_F(ScriptedInteractionTest, PickOfAMissingRowIsRefusedAndKept)
{
    script.queuePick(4);
    EXPECT_THROW(script.pickList("Filial", "Vazio", dtsFilial), ScriptError);
    EXPECT_EQ(branches->RecNo(), 1);
    EXPECT_EQ(script.pendingAnswers(), 1);
    EXPECT_TRUE(script.lines().empty());
}

TEST_F(ScriptedInteractionTest, EmptyListShowsItsTextAndConsumesNoAnswer)
{
    auto none = textDataSet("cdsCliente", {"CDCLIENTE"}, {});
    gsf::data::DataSource dtsCliente("dtsCliente", none.get());
    gsf::data::DataSource unbound("dtsNada");
    script.queuePick(1);

    EXPECT_EQ(script.pickList("Cliente", "Não há cliente cadastrado.", dtsCliente), std::nullopt);
    EXPECT_EQ(script.pickList("Nada", "Lista vazia.", unbound), std::nullopt);
    EXPECT_EQ(script.pendingAnswers(), 1);
    const std::vector<std::string> expected = {R"(message "Não há cliente cadastrado.")", R"(message "Lista vazia.")"};
    EXPECT_EQ(script.lines(), expected);
}

TEST_F(ScriptedInteractionTest, FindPositionsOnTheFoundRowIgnoringCase)
{
    script.queueFind("NMFILIAL", "campinas");
    script.queueFind("NMFILIAL", "Recife");
    EXPECT_TRUE(script.search(*branches));
    EXPECT_EQ(branches->RecNo(), 2);
    EXPECT_FALSE(script.search(*branches));
    EXPECT_EQ(branches->RecNo(), 2);
    const std::vector<std::string> expected = {"find NMFILIAL campinas -> found", "find NMFILIAL Recife -> not found"};
    EXPECT_EQ(script.lines(), expected);
}

TEST_F(ScriptedInteractionTest, ListenerSeesEveryLineAsItIsRecorded)
{
    std::vector<std::string> heard;
    script.onLine = [&](const std::string& line) { heard.push_back(line); };
    script.showProgress(6, "Carregando...");
    EXPECT_TRUE(script.progressVisible());
    script.showError("Filial não cadastrada.");
    script.hideProgress();
    EXPECT_FALSE(script.progressVisible());
    script.setCursor(gsf::host::Cursor::Hourglass);
    EXPECT_EQ(script.cursor(), gsf::host::Cursor::Hourglass);

    const std::vector<std::string> expected = {R"(progress show 6 "Carregando...")",
                                               R"(message "Filial não cadastrada.")", "progress hide"};
    EXPECT_EQ(heard, expected);
    EXPECT_EQ(script.lines(), expected);
}

} // namespace
