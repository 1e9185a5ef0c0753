#include "platform/data/dataset.h"

#include "platform/data/tests/fixtures.h"

#include <gtest/gtest.h>

#include <stdexcept>

namespace gsf::data {
namespace {

class Fields : public ::testing::Test {
protected:
    static bool build(DataSet& ds)
    {
        testing::defineGroups(ds);
        FieldDef percentDef = testing::floatField("VRPECORRGRUP", "", "0.00%");
        percentDef.editFormat = "0.00%";
        ds.AddField(percentDef);
        FieldDef branch = testing::textField("CDFILIAL", 4);
        branch.readOnly = true;
        ds.AddField(branch);
        Packet p = testing::groupsPacket({"001"});
        p.fields.push_back({"VRPECORRGRUP", FieldType::Float, 0});
        p.fields.push_back({"CDFILIAL", FieldType::String, 4});
        p.rows[0].push_back(15.0);
        p.rows[0].push_back("0001");
        ds.SetData(p);
        return true;
    }

    std::string refusal(const std::function<void()>& write)
    {
        try {
            write();
        } catch (const DataError& e) {
            return e.what();
        }
        return "accepted";
    }

    DataSet ds{"cdsGrupServ"};
    bool built = build(ds);
    Field& code = ds.FieldByName("CDGRSERVFAT");
    Field& desc = ds.FieldByName("DSGRSERVFAT");
    Field& minimum = ds.FieldByName("QTEFETMINIGSF");
    Field& percent = ds.FieldByName("VRPECORRGRUP");
};

TEST_F(Fields, SizesCountCharactersNotBytes)
{
    ds.Edit();
    code.SetAsString("Não");
    EXPECT_EQ(code.AsString(), "Não");
    desc.SetAsString(std::string(29, 'x') + "ç");
    EXPECT_EQ(refusal([&] { code.SetAsString("Nãoo"); }),
              "O valor informado excede o tamanho do campo \"Código\" (3 caracteres).");
    EXPECT_EQ(refusal([&] { desc.SetAsString(std::string(30, 'x') + "ç"); }),
              "O valor informado excede o tamanho do campo \"Descrição\" (30 caracteres).");
    EXPECT_NE(refusal([&] { desc.SetAsString("a\xC3"); }), "accepted");
    EXPECT_EQ(code.AsString(), "Não");
}

TEST_F(Fields, WritesRefusedOutsideEditOnReadOnlyAndForNonNumbers)
{
    EXPECT_NE(refusal([&] { desc.SetAsString("x"); }), "accepted");
    ds.Edit();
    EXPECT_EQ(refusal([&] { ds.FieldByName("CDFILIAL").SetAsString("0002"); }),
              "O campo \"CDFILIAL\" é somente leitura.");
    EXPECT_EQ(refusal([&] { minimum.SetText("abc"); }),
              "\"abc\" não é um valor numérico válido para o campo \"Mín. Efet. por Dia\".");
    EXPECT_NE(refusal([&] { minimum.SetText("2,5,1"); }), "accepted");
    EXPECT_EQ(minimum.AsFloat(), 1.0);
    EXPECT_FALSE(ds.Modified());
}

TEST_F(Fields, NullEmptyAndZeroStayApart)
{
    ds.Edit();
    desc.SetAsString("");
    EXPECT_FALSE(desc.IsNull());
    desc.SetText("");
    EXPECT_TRUE(desc.IsNull());
    minimum.SetAsFloat(0);
    EXPECT_FALSE(minimum.IsNull());
    EXPECT_EQ(minimum.Text(), "0,000");
    minimum.SetText("");
    EXPECT_TRUE(minimum.IsNull());
    EXPECT_EQ(minimum.AsFloat(), 0.0);
    EXPECT_EQ(minimum.Text(), "");
    EXPECT_EQ(minimum.AsString(), "");
}

TEST_F(Fields, TextsUseTheFormats)
{
    ds.Edit();
    minimum.SetText("1.234,5");
    EXPECT_EQ(minimum.AsFloat(), 1234.5);
    EXPECT_EQ(minimum.DisplayText(), "1.234,500");
    EXPECT_EQ(minimum.Text(), "1.234,500");
    EXPECT_EQ(minimum.AsString(), "1234,5");
    EXPECT_EQ(percent.DisplayText(), "15,00%");
    percent.SetText("12,5%");
    EXPECT_EQ(percent.AsFloat(), 12.5);
    EXPECT_EQ(percent.Text(), "12,50%");
}

TEST(FieldDecimals, TypedTextIsRoundedToTheFieldsDecimalsNumbersAreNot)
{
    DataSet ds("cdsCorrPrecGrup");
    FieldDef end = testing::floatField("VRPEFIMGRUP", "Intervalo Final (Inc.)", "0.00%");
    end.decimals = 2;
    ds.AddField(end);
    FieldDef minimum = testing::floatField("QTEFETMINIGSF", "", "#,##0.000");
    minimum.decimals = 3;
    ds.AddField(minimum);
    ds.AddField(testing::floatField("LIVRE", "", ""));
    Packet p;
    p.fields = {
        {"VRPEFIMGRUP", FieldType::Float, 0}, {"QTEFETMINIGSF", FieldType::Float, 0}, {"LIVRE", FieldType::Float, 0}};
    p.rows.push_back({60.123, 2.5556, 1.23456});
    ds.SetData(p);
    Field& fim = ds.FieldByName("VRPEFIMGRUP");
    Field& min = ds.FieldByName("QTEFETMINIGSF");
    // Loaded values keep every digit.
    EXPECT_EQ(fim.AsFloat(), 60.123);
    EXPECT_EQ(min.AsFloat(), 2.5556);

    double validated = 0;
    min.OnValidate = [&](Field& f) { validated = f.AsFloat(); };
    ds.Edit();
    fim.SetText("60,125%");
    EXPECT_EQ(fim.AsFloat(), 60.13);
    EXPECT_EQ(fim.DisplayText(), "60,13%");
    min.SetText("2,5555");
    EXPECT_EQ(min.AsFloat(), 2.556);
    EXPECT_EQ(validated, 2.556) << "the hook sees what is stored";
    min.SetAsString("-1,0005");
    EXPECT_EQ(min.AsFloat(), -1.001);
    ds.FieldByName("LIVRE").SetText("1,23456");
    EXPECT_EQ(ds.FieldByName("LIVRE").AsFloat(), 1.23456);
    fim.SetAsFloat(60.123);
    EXPECT_EQ(fim.AsFloat(), 60.123);
    ds.Post();
    EXPECT_EQ(ds.Delta().changes.front().newValues[1], Value(-1.001));
}

TEST_F(Fields, GetAndSetTextHooks)
{
    code.OnGetText = [](Field& f, std::string& text, bool displayText) {
        if (displayText && f.IsNull())
            text = "Não";
    };
    code.OnSetText = [](Field& f, const std::string& text) { f.SetAsString(text.substr(0, 1)); };
    ds.Edit();
    code.Clear();
    EXPECT_EQ(code.DisplayText(), "Não");
    EXPECT_EQ(code.Text(), "");
    code.SetText("Sim");
    EXPECT_EQ(code.AsString(), "S");
    ds.Post();
    EXPECT_EQ(ds.DisplayTextAt(0, code), "S");
}

TEST_F(Fields, ValidateHookSeesTheNewValueAndMayWriteOtherFields)
{
    double seen = -1;
    minimum.OnValidate = [&](Field& f) {
        seen = f.AsFloat();
        if (f.AsFloat() < 0)
            throw std::runtime_error("negativo");
        f.Owner().FieldByName("DSGRSERVFAT").SetAsString("ajustada");
    };
    ds.Edit();
    minimum.SetText("2,5");
    EXPECT_EQ(seen, 2.5);
    EXPECT_EQ(minimum.AsFloat(), 2.5);
    EXPECT_EQ(desc.AsString(), "ajustada");

    EXPECT_THROW(minimum.SetText("-1"), std::runtime_error);
    EXPECT_EQ(seen, -1.0);
    EXPECT_EQ(minimum.AsFloat(), 2.5);
}

TEST_F(Fields, LookupByNameIgnoresCaseAndNamesTheMissingOne)
{
    EXPECT_EQ(&ds.FieldByName("cdgrservfat"), &code);
    EXPECT_EQ(ds.FindField("NADA"), nullptr);
    try {
        ds.FieldByName("NADA");
        FAIL();
    } catch (const std::runtime_error& e) {
        EXPECT_NE(std::string(e.what()).find("\"NADA\""), std::string::npos);
    }
    EXPECT_THROW(ds.AddField(testing::textField("OUTRO", 1)), DataError);
}

TEST_F(Fields, LocateIgnoresCaseOfAccentedLettersWhenAsked)
{
    ds.Edit();
    desc.SetAsString("AÇÃO Única");
    ds.Post();
    ds.Append();
    code.SetAsString("002");
    ds.Post();
    EXPECT_FALSE(ds.Locate("DSGRSERVFAT", std::string("ação única"), false));
    EXPECT_EQ(ds.RecNo(), 2);
    EXPECT_TRUE(ds.Locate("DSGRSERVFAT", std::string("ação única"), true));
    EXPECT_EQ(ds.RecNo(), 1);
    EXPECT_TRUE(ds.Locate("QTEFETMINIGSF", 1.0, false));
    EXPECT_TRUE(ds.Locate("QTEFETMINIGSF", Value(), false));
    EXPECT_EQ(ds.RecNo(), 2);
    EXPECT_FALSE(ds.Locate("QTEFETMINIGSF", 0.0, false));
}

} // namespace
} // namespace gsf::data
