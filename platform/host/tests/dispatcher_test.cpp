#include "platform/host/dispatcher.h"

#include "platform/host/errors.h"
#include "platform/host/host_context.h"
#include "platform/host/progress.h"
#include "platform/ui/ui.h"

#include <gtest/gtest.h>

using namespace gsf::host;
namespace ui = gsf::ui;

namespace {

class DispatcherTest : public ::testing::Test {
protected:
    ScriptedInteraction script;
    InteractionScope scope{script};
    ui::Form form{"frmTeste"};
    ui::SpeedButton& sbtAbortar = form.Add<ui::SpeedButton>(form, "sbtAbortar");
    ui::SpeedButton& sbtFalhar = form.Add<ui::SpeedButton>(form, "sbtFalhar");
    ui::Edit& edtA = form.Add<ui::Edit>(form, "edtA");
    ui::Edit& edtB = form.Add<ui::Edit>(form, "edtB");
    Dispatcher dispatcher{form};
    std::vector<std::string> errors;

    void SetUp() override
    {
        dispatcher.onError = [this](const std::string& message) { errors.push_back(message); };
        sbtAbortar.OnClick = [](ui::Control&) { MensErro("Filial deve ser informada.", true); };
        sbtFalhar.OnClick = [](ui::Control&) {
            ActiveShowAvi(nullptr, 6, "Carregando...");
            throw std::runtime_error("Servidor de aplicação indisponível.");
        };
    }
};

TEST_F(DispatcherTest, AbortIsSilentWhileOtherErrorsAreShown)
{
    EXPECT_EQ(dispatcher.click("sbtAbortar"), Outcome::Failed);
    EXPECT_TRUE(errors.empty()) << "Abort's text was already shown by MensErro";
    EXPECT_EQ(dispatcher.click("sbtFalhar"), Outcome::Failed);
    EXPECT_EQ(errors, std::vector<std::string>{"Servidor de aplicação indisponível."});
    const std::vector<std::string> expected = {R"(message "Filial deve ser informada.")",
                                               R"(progress show 6 "Carregando...")", "progress hide",
                                               R"(message "Servidor de aplicação indisponível.")"};
    EXPECT_EQ(script.lines(), expected) << "the indicator goes before the error is shown";
}

TEST_F(DispatcherTest, FailureRestoresTheDefaultCursor)
{
    sbtAbortar.OnClick = [](ui::Control&) {
        interaction().setCursor(Cursor::Hourglass);
        throw Abort();
    };
    dispatcher.click(sbtAbortar);
    EXPECT_EQ(script.cursor(), Cursor::Default);
}

TEST_F(DispatcherTest, UnknownOrWrongControlsAreReportedByName)
{
    EXPECT_EQ(dispatcher.click("sbtNada"), Outcome::Failed);
    EXPECT_EQ(dispatcher.typeText("sbtAbortar", "x"), Outcome::Failed);
    EXPECT_EQ(dispatcher.clickMenu("mnuNada"), Outcome::Failed);
    EXPECT_EQ(dispatcher.moveToRow("edtA", 0), Outcome::Failed);
    ASSERT_EQ(errors.size(), 4U);
    EXPECT_NE(errors[0].find("sbtNada"), std::string::npos);
    EXPECT_NE(errors[1].find("sbtAbortar"), std::string::npos);
    EXPECT_NE(errors[2].find("mnuNada"), std::string::npos);
    EXPECT_NE(errors[3].find("edtA"), std::string::npos);
}

TEST_F(DispatcherTest, TypingTakesTheFocusFirstAndAThrowingExitStopsIt)
{
    EXPECT_EQ(dispatcher.typeText("edtA", "abc"), Outcome::Done);
    EXPECT_TRUE(edtA.Focused());
    EXPECT_EQ(edtA.Text(), "abc");

    edtA.OnExit = [](ui::Control&) { MensErro("Código deve ser informado.", true); };
    EXPECT_EQ(dispatcher.typeText(edtB, "xyz"), Outcome::Failed);
    EXPECT_TRUE(edtA.Focused());
    EXPECT_EQ(edtB.Text(), "") << "nothing typed where the focus never arrived";
    EXPECT_TRUE(errors.empty());
}

TEST_F(DispatcherTest, DisabledTargetsAreIgnoredWithoutError)
{
    sbtFalhar.SetEnabled(false);
    EXPECT_EQ(dispatcher.click("sbtFalhar"), Outcome::Ignored);
    edtB.SetEnabled(false);
    EXPECT_EQ(dispatcher.typeText("edtB", "x"), Outcome::Ignored);
    EXPECT_TRUE(errors.empty());
    EXPECT_TRUE(script.lines().empty());
}

TEST_F(DispatcherTest, ErrorsOfTheInteractionItselfDoNotEscape)
{
    // A confirmation with no scripted answer is a failure like any other.
    sbtFalhar.OnClick = [](ui::Control&) { interaction().confirm("Confirma?"); };
    EXPECT_EQ(dispatcher.click("sbtFalhar"), Outcome::Failed);
    ASSERT_EQ(errors.size(), 1U);
    EXPECT_NE(errors[0].find("Confirma?"), std::string::npos);

    sbtFalhar.OnClick = [](ui::Control&) { throw 42; };
    EXPECT_EQ(dispatcher.click("sbtFalhar"), Outcome::Failed);
    EXPECT_EQ(errors.back(), "Erro inesperado.");
}

TEST_F(DispatcherTest, CloseReportsWhetherTheWindowClosed)
{
    form.OnClose = [](ui::Form&, ui::CloseAction& action) { action = ui::CloseAction::None; };
    EXPECT_EQ(dispatcher.close(), Outcome::Ignored);
    form.OnClose = [](ui::Form&, ui::CloseAction&) {
        MensErro("Serviço para correção de efetivos deve ser informado.", true);
    };
    EXPECT_EQ(dispatcher.close(), Outcome::Failed);
    form.OnClose = nullptr;
    EXPECT_EQ(dispatcher.close(), Outcome::Done);
}

} // namespace
