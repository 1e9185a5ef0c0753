#include "platform/data/dataset.h"
#include "platform/data/decoded_packet.h"
#include "platform/data/packet.h"

#include "platform/data/tests/fixtures.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cmath>

namespace gsf::data {
namespace {

using ::testing::HasSubstr;
using ::testing::StartsWith;

std::string refusalOf(std::string_view json)
{
    try {
        readPacket(json);
    } catch (const PacketError& e) {
        return e.what();
    }
    return "aceito";
}

const std::string kOneText = R"({"fields":[{"name":"A","type":"string","size":3}],"rows":)";

TEST(PacketReader, EveryMalformedTextIsRefusedWithAMessage)
{
    const std::vector<std::string> bad = {
        "",
        "   ",
        "{",
        R"({"fields":[],"rows":[]}})",
        R"({"fields":[],"rows":[]} x)",
        R"({"fields":[],"rows":[]}{"fields":[],"rows":[]})",
        R"({"fields":[] "rows":[]})",
        R"({"fields":[],"rows":[],})",
        R"({"fields":[],"rows":[],"extra":tru})",
        R"({"fields":[],"rows":[],"extra":[1,]})",
        R"({"fields":[],"rows":[],"extra":{"a" 1}})",
        R"({"fields":[],"rows":[],"extra":01})",
        R"({"fields":[],"rows":[],"extra":"\x"})",
        "{\"fields\":[],\"rows\":[],\"extra\":\"a\x01b\"}",
        "{\"fields\":[],\"rows\":[],\"extra\":\"\xC3\"}",
        kOneText + R"([["ab"],])",
        kOneText + R"([["ab" "cd"]])",
        kOneText + R"([["ab"]])" + "]",
        kOneText + R"([[1e400]]})",
        kOneText + "[[\"a\\ud800\"]]}",
    };
    for (const std::string& json : bad)
        EXPECT_THAT(refusalOf(json), StartsWith("Pacote de dados inválido: ")) << json;
    EXPECT_THAT(refusalOf("{\"fields\":[],\"rows\":[],\"extra\":\"\xC3\"}"), HasSubstr("UTF-8"));
}

TEST(PacketReader, ThePacketsShapeIsChecked)
{
    EXPECT_THAT(refusalOf(R"({"fields":[],"fields":[],"rows":[]})"), HasSubstr("chave \"fields\" repetida"));
    EXPECT_THAT(refusalOf(R"({"fields":[],"rows":[],"rows":[]})"), HasSubstr("chave \"rows\" repetida"));
    EXPECT_THAT(refusalOf(R"({"fields":{},"rows":[]})"), HasSubstr("\"fields\" inválida"));
    EXPECT_THAT(refusalOf(R"({"fields":[],"rows":{}})"), HasSubstr("\"rows\" inválida"));
    EXPECT_THAT(refusalOf(R"({"fields":[{"name":1,"type":"string"}],"rows":[]})"), HasSubstr("\"name\""));
    EXPECT_THAT(refusalOf(R"({"fields":[{"name":"A","type":"float","size":2.5}],"rows":[]})"),
                HasSubstr("tamanho inválido no campo \"A\""));
    EXPECT_THAT(refusalOf(R"({"fields":[{"name":"A","type":"float","size":-1}],"rows":[]})"),
                HasSubstr("tamanho inválido"));
    EXPECT_THAT(refusalOf(kOneText + "[5]}"), HasSubstr("não é uma lista"));
    EXPECT_THAT(refusalOf(kOneText + R"([[{"a":1}]]})"), HasSubstr("nem nulo"));
    EXPECT_THAT(refusalOf(kOneText + R"([["a"],["b","c","d"]]})"), HasSubstr("a linha 2 tem 3 valores; esperados 1"));
    EXPECT_THAT(refusalOf(kOneText + "[[]]}"), HasSubstr("a linha 1 tem 0 valores"));
}

TEST(PacketReader, RowsMayComeBeforeTheFieldsAndUnknownMembersAreIgnored)
{
    const DecodedPacket p = readPacket(R"({"extra":{"deep":[[1,{"x":null}],true]},"rows":[["001",2.5],["002",null]],
        "fields":[{"name":"CDGRSERVFAT","type":"string","size":3,"note":"x"},{"name":"QTEFETMINIGSF","type":"float"}]})");
    ASSERT_EQ(p.RowCount(), 2u);
    EXPECT_EQ(p.fields[0].size, 3);
    EXPECT_EQ(p.rows.Text(1, 0), "002");
    EXPECT_EQ(p.rows.Number(0, 1), 2.5);
    EXPECT_TRUE(p.rows.IsNull(1, 1));
    EXPECT_EQ(p.indexOf("qtefetminigsf"), 1);
    EXPECT_EQ(p.ToPacket().rows, (std::vector<std::vector<Value>>{{"001", 2.5}, {"002", Value()}}));
}

TEST(PacketReader, NumbersPastSixtyFourBitIntegersTravelWithAnExponent)
{
    Packet p;
    p.fields = {{"VALOR", FieldType::Float, 0}};
    for (const double d : {18446744073709551616.0, -9223372036854775808.0, 1e19, 9.5e18, 123456789012345678.0})
        p.rows.push_back({d});
    const std::string json = encodePacket(p);
    EXPECT_THAT(json, HasSubstr("1.8446744073709552e+19"));
    EXPECT_THAT(json, HasSubstr("[123456789012345680]")) << "a whole number that fits 64 bits stays as it is";
    const DecodedPacket back = readPacket(json);
    for (std::uint32_t r = 0; r < p.rows.size(); ++r)
        EXPECT_EQ(back.rows.Number(r, 0), std::get<double>(p.rows[r][0])) << r;
}

TEST(PacketReader, ALoadRemapsColumnsWithoutLosingTexts)
{
    // Many rows with the packet's columns in another order than the
    // dataset's fields: every text and number lands under its own field.
    std::string json = R"({"fields":[{"name":"QTEFETMINIGSF","type":"float"},{"name":"DSGRSERVFAT","type":"string"},)"
                       R"({"name":"CDGRSERVFAT","type":"string"}],"rows":[)";
    for (int i = 0; i < 5000; ++i)
        json += (i ? "," : "") + std::string("[") + (i % 7 ? std::to_string(i) + ".5" : "null") +
                ",\"Descrição do grupo número " + std::to_string(i) + "\",\"" + std::to_string(i % 1000) + "\"]";
    json += "]}";
    DataSet ds("cdsGrupServ");
    testing::defineGroups(ds);
    ds.SetData(std::string_view(json));
    ASSERT_EQ(ds.RecordCount(), 5000);
    for (const int r : {0, 1, 7, 4321, 4999}) {
        EXPECT_EQ(ds.ValueAt(r, 0), Value(std::to_string(r % 1000))) << r;
        EXPECT_EQ(ds.ValueAt(r, 1), Value("Descrição do grupo número " + std::to_string(r))) << r;
        EXPECT_EQ(ds.ValueAt(r, 2), r % 7 ? Value(r + 0.5) : Value()) << r;
    }
    EXPECT_TRUE(ds.Locate("DSGRSERVFAT", std::string("descrição do grupo NÚMERO 4321"), true));
    EXPECT_EQ(ds.RecNo(), 4322);
}

} // namespace
} // namespace gsf::data
