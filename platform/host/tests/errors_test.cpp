#include "platform/host/errors.h"

#include "platform/host/host_context.h"
#include "platform/host/progress.h"

#include <gtest/gtest.h>

using namespace gsf::host;

namespace {

gsf::remote::CallResult succeeded(std::string body)
{
    gsf::remote::CallResult result;
    result.ok = true;
    result.body = std::move(body);
    return result;
}

gsf::remote::CallResult failed(std::string code, std::string message)
{
    gsf::remote::CallResult result;
    result.errorCode = std::move(code);
    result.message = std::move(message);
    return result;
}

class ErrorsTest : public ::testing::Test {
protected:
    ScriptedInteraction script;
    InteractionScope scope{script};
    ~ErrorsTest() override { DeactiveShowAvi(); }
};

TEST_F(ErrorsTest, MensErroShowsTheTextThenAborts)
{
    EXPECT_THROW(MensErro("Filial deve ser informada.", true), Abort);
    MensErro("Só um aviso.", false);
    const std::vector<std::string> expected = {R"(message "Filial deve ser informada.")", R"(message "Só um aviso.")"};
    EXPECT_EQ(script.lines(), expected);
}

TEST_F(ErrorsTest, SuccessfulResultGivesItsPacket)
{
    const gsf::remote::CallResult result =
        succeeded(R"({"fields":[{"name":"CDFILIAL","type":"string","size":4}],"rows":[["0001"],["0002"]]})");
    const gsf::data::Packet packet = CheckResultServ(result, true, 0).ToPacket();
    ASSERT_EQ(packet.fields.size(), 1U);
    EXPECT_EQ(packet.fields[0].name, "CDFILIAL");
    ASSERT_EQ(packet.rows.size(), 2U);
    EXPECT_EQ(std::get<std::string>(packet.rows[1][0]), "0002");

    for (const char* noData : {"{}", " { } ", ""}) {
        const gsf::data::Packet empty = CheckResultServ(succeeded(noData), true, 0).ToPacket();
        EXPECT_TRUE(empty.fields.empty() && empty.rows.empty()) << noData;
    }
    EXPECT_TRUE(script.lines().empty());
}

TEST_F(ErrorsTest, FailureHidesTheIndicatorAndCarriesTheServerMessage)
{
    ActiveShowAvi(nullptr, 6, "Carregando grupos de serviços para faturamento...");
    try {
        CheckResultServ(failed("unavailable", "Servidor de aplicação indisponível em h:1: recusado"), true, 0);
        FAIL() << "a failed result must not come back as a packet";
    } catch (const ServerError& error) {
        EXPECT_STREQ(error.what(), "Servidor de aplicação indisponível em h:1: recusado");
        EXPECT_EQ(error.code(), "unavailable");
    }
    EXPECT_FALSE(ShowAviActive());
    const std::vector<std::string> expected = {R"(progress show 6 "Carregando grupos de serviços para faturamento...")",
                                               "progress hide"};
    EXPECT_EQ(script.lines(), expected) << "the server's message is the caller's to show";
}

TEST_F(ErrorsTest, FailureWithoutRaiseShowsTheMessageAndAbortsSilently)
{
    EXPECT_THROW(CheckResultServ(failed("conflict", "Recusado."), false, 0), Abort);
    EXPECT_THROW(CheckResultServ(failed("", ""), true, 0), ServerError) << "even without a message";
    const std::vector<std::string> expected = {R"(message "Recusado.")"};
    EXPECT_EQ(script.lines(), expected) << "no hide without a shown indicator";
}

TEST_F(ErrorsTest, UnreadableBodyHidesTheIndicatorToo)
{
    ActiveShowAvi(nullptr, 1, "x");
    EXPECT_THROW(CheckResultServ(succeeded("{\"rows\": 5"), true, 0), std::exception);
    EXPECT_FALSE(ShowAviActive());
}

TEST_F(ErrorsTest, HidingWhenNothingIsShownDoesNothing)
{
    DeactiveShowAvi();
    ActiveShowAvi(nullptr, 0, "");
    DeactiveShowAvi();
    DeactiveShowAvi();
    const std::vector<std::string> expected = {R"(progress show 0 "")", "progress hide"};
    EXPECT_EQ(script.lines(), expected);
}

TEST_F(ErrorsTest, ProgressScopeHidesOnEveryWayOutAndOnlyOnce)
{
    {
        const ProgressScope progress(nullptr, 1, "Gravando...");
        EXPECT_TRUE(ShowAviActive());
    }
    EXPECT_FALSE(ShowAviActive());
    // A failed check hides the indicator itself; the scope adds no second hide.
    EXPECT_THROW(
        {
            const ProgressScope progress(nullptr, 6, "Carregando...");
            CheckResultServ(failed("conflict", "Alterado por outro usuário."), true, 0);
        },
        ServerError);
    // Any other error leaves the indicator hidden too.
    EXPECT_THROW(
        {
            const ProgressScope progress(nullptr, 0, "");
            throw std::runtime_error("falha");
        },
        std::runtime_error);
    EXPECT_FALSE(ShowAviActive());
    const std::vector<std::string> expected = {R"(progress show 1 "Gravando...")",
                                               "progress hide",
                                               R"(progress show 6 "Carregando...")",
                                               "progress hide",
                                               R"(progress show 0 "")",
                                               "progress hide"};
    EXPECT_EQ(script.lines(), expected);
}

} // namespace
