#include "platform/host/messages.h"

#include "platform/host/host_context.h"

#include <gtest/gtest.h>

using namespace gsf::host;

namespace {

TEST(Messages, TextsAreFoundByKeyExactly)
{
    TMessages table("msgPadrao", {{"Excl", "Confirma exclusão?"}});
    table.AddLine("Filial_cad|Filial não cadastrada.");
    table.AddLine("Barra|a|b");
    EXPECT_EQ(table.Msg("Excl"), "Confirma exclusão?");
    EXPECT_EQ(table.Msg("Filial_cad"), "Filial não cadastrada.");
    EXPECT_EQ(table.Msg("Barra"), "a|b");
    EXPECT_EQ(table.Count(), 3);
    try {
        table.Msg("excl");
        FAIL() << "keys are exact";
    } catch (const std::out_of_range& error) {
        EXPECT_STREQ(error.what(), "Mensagem \"excl\" não cadastrada em msgPadrao.");
    }
    EXPECT_THROW(table.AddLine("sem barra"), std::invalid_argument);
    EXPECT_THROW(table.AddLine("|texto"), std::invalid_argument);
}

TEST(Messages, ShowMsgAsksYesNoForConfirmations)
{
    ScriptedInteraction script;
    InteractionScope scope(script);
    TMessages table("msgMensagensPadroes", {{"Canc", "Cancelar?"}, {"Info", "Pronto."}});
    script.queueConfirm(true);
    script.queueConfirm(false);
    EXPECT_EQ(table.ShowMsg("Canc", MsgConfirmation), IdYes);
    EXPECT_EQ(table.ShowMsg("Canc", MsgConfirmation), IdNo);
    EXPECT_EQ(table.ShowMsg("Info", MsgInformation), IdOk);
    EXPECT_THROW(table.ShowMsg("Nada", MsgConfirmation), std::out_of_range);
    const std::vector<std::string> expected = {R"(confirm "Cancelar?" -> yes)", R"(confirm "Cancelar?" -> no)",
                                               R"(message "Pronto.")"};
    EXPECT_EQ(script.lines(), expected);
}

TEST(HostContextFunctions, ReadTheContextAtEveryCall)
{
    const HostContext saved = hostContext();
    HostContext fixed;
    fixed.branchFixed = true;
    fixed.branchCode = "0001";
    fixed.branchName = "Matriz";
    fixed.serverHost = "srv";
    fixed.serverPort = 9000;
    fixed.billingTypes = {{"007", {"DIAS", "CORR"}}};
    setHostContext(fixed);
    EXPECT_TRUE(ModuFili());
    EXPECT_EQ(FiliProcFat(), "0001");
    EXPECT_EQ(NomeFiliProcFat(), "Matriz");
    EXPECT_EQ(WebURL(), "srv");
    EXPECT_EQ(WebPort(), 9000);
    EXPECT_EQ(hostContext().billingTypes.at("007"), (std::vector<std::string>{"DIAS", "CORR"}));
    hostContext().serverPort = 9001;
    hostContext().branchFixed = false;
    EXPECT_EQ(WebPort(), 9001);
    EXPECT_FALSE(ModuFili());
    setHostContext(saved);
}

} // namespace
