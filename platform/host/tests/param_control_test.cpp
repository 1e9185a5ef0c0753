#include "platform/host/param_control.h"

#include "platform/host/host_context.h"

#include <gtest/gtest.h>

using namespace gsf::host;

namespace {

class ParamControlTest : public ::testing::Test {
protected:
    HostContext saved = hostContext();
    TParamControl control;
    void SetUp() override
    {
        hostContext().billingTypes["001"] = {"EXCDIA", "TABCORR"};
        hostContext().billingTypes["002"] = {"TABCORR2", "EXCDIA2", "OUTRO"};
        hostContext().billingTypes["003"] = {"SOZINHO"};
        control.StartParamFat();
    }
    void TearDown() override { setHostContext(saved); }
};

TEST_F(ParamControlTest, ValuesAreReadAsWritten)
{
    control.TiposFatur("001").SetParamText("EXCDIA=01;TABCORR=2 ");
    EXPECT_EQ(control.ParamFatExcecaoDia.Name(), "EXCDIA");
    EXPECT_EQ(control.ParamFatExcecaoDia.GetAsString(), "01");
    EXPECT_EQ(control.ParamFatTabCorr.GetAsString(), "2 ") << "a trailing blank is kept";

    control.TiposFatur("001").SetParamText("TABCORR=2;EXCDIA=1");
    EXPECT_EQ(control.ParamFatExcecaoDia.GetAsString(), "1") << "pairs are found by name, not place";
    EXPECT_EQ(control.ParamFatTabCorr.GetAsString(), "2");
}

TEST_F(ParamControlTest, MissingNamesAndOddPiecesGiveEmptyValues)
{
    TTipoFatur& tipo = control.TiposFatur("001");
    tipo.SetParamText("TABCORR=2");
    EXPECT_EQ(control.ParamFatExcecaoDia.GetAsString(), "");
    EXPECT_EQ(control.ParamFatTabCorr.GetAsString(), "2");

    tipo.SetParamText(";; lixo ; excdia =1;EXCDIA=9;TABCORR=;=3;");
    EXPECT_EQ(control.ParamFatExcecaoDia.GetAsString(), "1")
        << "names ignore case and blanks; the first pair of a name counts";
    EXPECT_EQ(control.ParamFatTabCorr.GetAsString(), "");
    EXPECT_EQ(tipo.GetAsString("OUTRO"), "");

    tipo.SetParamText("");
    EXPECT_EQ(control.ParamFatExcecaoDia.GetAsString(), "") << "a new text replaces the old values";

    tipo.SetParamText("EXCDIA=a=b");
    EXPECT_EQ(control.ParamFatExcecaoDia.GetAsString(), "a=b");
}

TEST_F(ParamControlTest, TheChosenTypeDecidesWhichNamesAreFirstAndSecond)
{
    EXPECT_EQ(control.ParamFatExcecaoDia.GetAsString(), "") << "no type chosen yet";
    control.TiposFatur("002").SetParamText("EXCDIA2=1;TABCORR2=2;EXCDIA=7");
    EXPECT_EQ(control.ParamFatExcecaoDia.GetAsString(), "2");
    EXPECT_EQ(control.ParamFatTabCorr.GetAsString(), "1");

    control.TiposFatur(" 003 ").SetParamText("SOZINHO=1");
    EXPECT_EQ(control.ParamFatExcecaoDia.GetAsString(), "1");
    EXPECT_EQ(control.ParamFatTabCorr.Name(), "") << "a type with one parameter has no second";
    EXPECT_EQ(control.ParamFatTabCorr.GetAsString(), "");
}

TEST_F(ParamControlTest, UnknownTypeIsAClearErrorAndChangesNothing)
{
    control.TiposFatur("001").SetParamText("EXCDIA=1;TABCORR=2");
    try {
        control.TiposFatur("999");
        FAIL() << "unknown billing type accepted";
    } catch (const std::exception& error) {
        EXPECT_STREQ(error.what(), "Tipo de faturamento \"999\" não cadastrado.");
    }
    EXPECT_EQ(control.ParamFatTabCorr.GetAsString(), "2");
}

TEST_F(ParamControlTest, StartReadsTheBillingTypesOfTheHostContextAgain)
{
    hostContext().billingTypes = {{"010", {"A", "B"}}};
    EXPECT_NO_THROW(control.TiposFatur("001")) << "read at start, not at each look-up";
    control.StartParamFat();
    EXPECT_THROW(control.TiposFatur("001"), std::out_of_range);
    control.TiposFatur("010").SetParamText("B=x");
    EXPECT_EQ(control.ParamFatTabCorr.GetAsString(), "x");
}

} // namespace
