#include "platform/data/dataset.h"
#include "platform/data/packet.h"

#include "platform/data/tests/fixtures.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace gsf::data {
namespace {

using ::testing::HasSubstr;

std::string errorOf(std::string_view json)
{
    try {
        decodePacket(json);
    } catch (const PacketError& e) {
        return e.what();
    }
    return "no error";
}

TEST(Packet, RoundTripKeepsNullsEmptyTextsAndAccents)
{
    Packet p;
    p.fields = {{"CDFILIAL", FieldType::String, 4},
                {"IDCORREFET", FieldType::FixedString, 3},
                {"QTEFETMINIGSF", FieldType::Float, 0}};
    p.rows = {{"0001", "Não", 2.5}, {"", Value(), Value()}, {"a\"b\\", "Sim", -1e-3}};
    const Packet back = decodePacket(encodePacket(p));
    ASSERT_EQ(back.fields.size(), 3u);
    EXPECT_EQ(back.fields[1].type, FieldType::FixedString);
    EXPECT_EQ(back.fields[1].size, 3);
    EXPECT_EQ(back.rows, p.rows);
    EXPECT_EQ(back.indexOf("qtefetminigsf"), 2);
    EXPECT_EQ(back.indexOf("NADA"), -1);
}

TEST(Packet, DocumentedJsonFormIsRead)
{
    const Packet p = decodePacket(R"({"fields": [{"name": "CDFILIAL", "type": "string", "size": 4},
        {"name": "QTEFETMINIGSF", "type": "float"}], "rows": [["0001", 2.5], ["0002", null]],
        "extra": {"ignored": [1, {"x": 2}]}})");
    ASSERT_EQ(p.rows.size(), 2u);
    EXPECT_EQ(p.rows[0][1], Value(2.5));
    EXPECT_TRUE(isNull(p.rows[1][1]));
    EXPECT_EQ(p.fields[0].size, 4);
}

TEST(Packet, IsWrittenInTheDocumentedForm)
{
    Packet p;
    p.fields = {{"CDFILIAL", FieldType::String, 4}, {"QTEFETMINIGSF", FieldType::Float, 0}};
    p.rows = {{"0001", 2.5}, {"0002", Value()}};
    EXPECT_EQ(encodePacket(p), R"({"fields":[{"name":"CDFILIAL","type":"string","size":4},)"
                               R"({"name":"QTEFETMINIGSF","type":"float"}],"rows":[["0001",2.5],["0002",null]]})");
    EXPECT_EQ(encodePacket(Packet{}), R"({"fields":[],"rows":[]})");
}

TEST(Packet, TrickyTextsRoundTripByteForByte)
{
    std::string controls;
    for (char c = 1; c < 0x20; ++c)
        controls += c;
    const std::vector<std::string> texts = {
        "aspas \" e barra \\ e /barra/",
        controls + "\x7f",
        std::string("nulo\0no meio", 12),
        "Mínino Efetivos, paramêtros, Incrição — ações", // 2- and 3-byte sequences
        "\xF0\x9F\x98\x80 \xE2\x82\xAC \xEF\xBF\xBF",    // 4-byte, euro sign, U+FFFF
        "\\u0041 não é escape",
        "",
    };
    Packet p;
    p.fields = {{"TEXTO", FieldType::String, 200}};
    for (const std::string& t : texts)
        p.rows.push_back({t});
    const std::string json = encodePacket(p);
    const Packet back = decodePacket(json);
    ASSERT_EQ(back.rows.size(), texts.size());
    for (std::size_t i = 0; i < texts.size(); ++i)
        EXPECT_EQ(std::get<std::string>(back.rows[i][0]), texts[i]) << "linha " << i;
    // Raw control characters never reach the wire; non-ASCII text is not escaped.
    EXPECT_EQ(json.find('\n'), std::string::npos);
    EXPECT_THAT(json, HasSubstr(R"(\u0001\u0002)"));
    EXPECT_THAT(json, HasSubstr("Mínino"));
}

TEST(Packet, MalformedUtf8IsReplacedNotFatal)
{
    Packet p;
    p.fields = {{"TEXTO", FieldType::String, 40}};
    // Lone continuation, overlong '/', truncated sequence at the end, a
    // surrogate, past U+10FFFF, and a lead byte followed by ASCII.
    for (const char* bad : {"a\x80z", "\xC0\xAF", "fim\xE2\x82", "\xED\xA0\x80", "\xF4\x90\x80\x80", "\xC3z"})
        p.rows.push_back({std::string(bad)});
    const Packet back = decodePacket(encodePacket(p));
    ASSERT_EQ(back.rows.size(), p.rows.size());
    EXPECT_EQ(std::get<std::string>(back.rows[0][0]), "a\xEF\xBF\xBDz");
    EXPECT_EQ(std::get<std::string>(back.rows[2][0]).substr(0, 3), "fim");
    EXPECT_EQ(std::get<std::string>(back.rows[5][0]), "\xEF\xBF\xBDz");
    for (const auto& row : back.rows)
        EXPECT_THAT(std::get<std::string>(row[0]), HasSubstr("\xEF\xBF\xBD"));
}

TEST(Packet, NumbersRoundTripExactlyAndNonFiniteBecomesNull)
{
    const std::vector<double> numbers = {0.0,
                                         -0.0,
                                         1.0,
                                         -1.5,
                                         0.1,
                                         1.0 / 3,
                                         1e-300,
                                         4.9e-324,
                                         1e21,
                                         1e300,
                                         1.7976931348623157e308,
                                         9007199254740993.0,
                                         18446744073709551616.0,
                                         -9223372036854775808.0};
    Packet p;
    p.fields = {{"VALOR", FieldType::Float, 0}};
    for (double d : numbers)
        p.rows.push_back({d});
    p.rows.push_back({std::numeric_limits<double>::quiet_NaN()});
    p.rows.push_back({-std::numeric_limits<double>::infinity()});
    const Packet back = decodePacket(encodePacket(p));
    ASSERT_EQ(back.rows.size(), numbers.size() + 2);
    for (std::size_t i = 0; i < numbers.size(); ++i) {
        const double read = std::get<double>(back.rows[i][0]);
        EXPECT_EQ(read, numbers[i]) << i;
        EXPECT_EQ(std::signbit(read), std::signbit(numbers[i])) << i;
    }
    EXPECT_TRUE(isNull(back.rows[numbers.size()][0]));
    EXPECT_TRUE(isNull(back.rows[numbers.size() + 1][0]));
}

TEST(Packet, MalformedPacketsAreRefusedWithAReason)
{
    EXPECT_THAT(errorOf(R"({"fields": [)"), HasSubstr("JSON malformado"));
    EXPECT_THAT(errorOf("[]"), HasSubstr("Pacote de dados inválido"));
    EXPECT_THAT(errorOf(R"({"rows": []})"), HasSubstr("\"fields\" ausente"));
    EXPECT_THAT(errorOf(R"({"fields": []})"), HasSubstr("\"rows\" ausente"));
    EXPECT_THAT(errorOf(R"({"fields": [{"name": "A", "type": "blob"}], "rows": []})"), HasSubstr("\"A\""));
    EXPECT_THAT(errorOf(R"({"fields": [{"type": "string"}], "rows": []})"), HasSubstr("sem nome"));
    EXPECT_THAT(errorOf(R"({"fields": [{"name": "A", "type": "float"}], "rows": [[1, 2]]})"), HasSubstr("linha 1"));
    EXPECT_THAT(errorOf(R"({"fields": [{"name": "A", "type": "float"}], "rows": [["x"]]})"), HasSubstr("campo \"A\""));
    EXPECT_THAT(errorOf(R"({"fields": [{"name": "A", "type": "string"}], "rows": [[true]]})"),
                HasSubstr("Pacote de dados inválido"));
    EXPECT_THAT(errorOf(R"({"fields": [{"name": "A", "type": "string"}], "rows": [[["x"]]]})"),
                HasSubstr("Pacote de dados inválido"));
    EXPECT_THAT(errorOf(R"({"fields": [{"name": "A", "type": "string"},
                                       {"name": "a", "type": "string"}], "rows": []})"),
                HasSubstr("repetido"));
    EXPECT_THAT(errorOf(R"({"rows": [[1]], "fields": [{"name": "A", "type": "string"}]})"), HasSubstr("campo \"A\""));
}

TEST(Delta, RoundTripOfEveryKindOfChange)
{
    Delta d;
    d.fields = {{"CDGRSERVFAT", FieldType::String, 3}, {"QTEFETMINIGSF", FieldType::Float, 0}};
    d.changes = {{ChangeKind::Insert, {}, {"001", 1.0}},
                 {ChangeKind::Update, {"002", 2.0}, {"002", Value()}},
                 {ChangeKind::Delete, {"003", 3.0}, {}}};
    const Delta back = decodeDelta(encodeDelta(d));
    ASSERT_EQ(back.changes.size(), 3u);
    for (std::size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(back.changes[i].kind, d.changes[i].kind);
        EXPECT_EQ(back.changes[i].oldValues, d.changes[i].oldValues);
        EXPECT_EQ(back.changes[i].newValues, d.changes[i].newValues);
    }
    EXPECT_EQ(back.indexOf("qtefetminigsf"), 1);
}

TEST(Delta, MalformedDeltasAreRefused)
{
    const std::string fields = R"("fields": [{"name": "A", "type": "float"}])";
    for (const std::string& bad :
         {std::string("{"), "{" + fields + "}", "{" + fields + R"(, "changes": [{"op": "upsert", "new": [1]}]})",
          "{" + fields + R"(, "changes": [{"op": "update", "new": [1]}]})",
          "{" + fields + R"(, "changes": [{"op": "insert", "new": ["x"]}]})",
          "{" + fields + R"(, "changes": [{"op": "delete", "old": [1, 2]}]})"}) {
        EXPECT_THROW(decodeDelta(bad), PacketError) << bad;
    }
}

TEST(Delta, AmbiguousOrHostileInputIsRefusedWithItsPlace)
{
    const auto errorOfDelta = [](std::string_view json) -> std::string {
        try {
            decodeDelta(json);
        } catch (const PacketError& e) {
            return e.what();
        }
        return "no error";
    };
    const std::string fields = R"("fields": [{"name": "A", "type": "string", "size": 3}])";
    EXPECT_THAT(errorOfDelta("{" + fields + R"(, "changes": [{"op": "delete", "op": "insert", "new": ["x"]}]})"),
                HasSubstr("chave \"op\" repetida (em changes[0])."));
    EXPECT_THAT(errorOfDelta("{" + fields + R"(, "changes": [{"op": "insert", "new": ["a\u0000b"]}]})"),
                HasSubstr("caracteres de controle não são permitidos (em changes[0].new[0])."));
    EXPECT_THAT(errorOfDelta("{" + fields + R"(, "changes": [{"op": "insert", "new": [1e400]}]})"),
                HasSubstr("número fora do intervalo representável"));
    EXPECT_THAT(errorOfDelta("{" + fields + ", \"changes\": [{\"op\": \"insert\", \"new\": [\"\xc3\"]}]}"),
                HasSubstr("UTF-8"));
    EXPECT_THAT(errorOfDelta(std::string(200000, '[') + std::string(200000, ']')), HasSubstr("aninhamento"));
    // The same checks, on any JSON text.
    EXPECT_EQ(strictJsonProblem(R"({"a": [1, {"b": "c"}], "d": null})", 3), "");
    EXPECT_EQ(strictJsonProblem(R"({"a": [1, {"b": "c"}]})", 2), "aninhamento além de 2 níveis (em a[1]).");
    EXPECT_EQ(strictJsonProblem(R"({"a": 1} x)", 3), "JSON malformado (posição 10).");
}

TEST(PacketLoad, MissingPersistentFieldIsNamedAndDatasetKept)
{
    DataSet ds("cdsGrupServ");
    testing::defineGroups(ds);
    ds.SetData(testing::groupsPacket({"001", "002"}));
    ds.Next();

    Packet p = testing::groupsPacket({"009"});
    p.fields[2].name = "OUTRO";
    try {
        ds.SetData(p);
        FAIL() << "a packet without QTEFETMINIGSF was loaded";
    } catch (const PacketError& e) {
        EXPECT_STREQ(e.what(), "Campo \"QTEFETMINIGSF\" ausente no pacote de dados.");
    }
    EXPECT_EQ(testing::codes(ds), (std::vector<std::string>{"001", "002"}));
    EXPECT_EQ(ds.RecNo(), 2);
    EXPECT_EQ(ds.State(), DataSetState::Browse);

    EXPECT_THROW(ds.SetData(std::string_view(R"({"fields": [)")), PacketError);
    EXPECT_THROW(ds.SetData(std::string_view(
                     R"({"fields": [{"name": "CDGRSERVFAT", "type": "float"},
                         {"name": "DSGRSERVFAT", "type": "string"},
                         {"name": "QTEFETMINIGSF", "type": "float"}], "rows": []})")),
                 PacketError);
    EXPECT_EQ(testing::codes(ds), (std::vector<std::string>{"001", "002"}));
}

TEST(PacketLoad, ColumnsAreMatchedByNameWhateverTheirOrder)
{
    DataSet ds("cds");
    testing::defineGroups(ds);
    ds.SetData(std::string_view(R"({"fields": [{"name": "qtefetminigsf", "type": "float"},
        {"name": "EXTRA", "type": "string"}, {"name": "DSGRSERVFAT", "type": "string"},
        {"name": "CDGRSERVFAT", "type": "string"}], "rows": [[4.5, "x", "Desc", "001"]]})"));
    EXPECT_EQ(ds.FieldCount(), 3);
    EXPECT_EQ(ds.FieldByName("CDGRSERVFAT").AsString(), "001");
    EXPECT_EQ(ds.FieldByName("DSGRSERVFAT").AsString(), "Desc");
    EXPECT_EQ(ds.FieldByName("QTEFETMINIGSF").AsFloat(), 4.5);
}

TEST(PacketLoad, DatasetWithoutFieldsTakesThePackets)
{
    DataSet ds("cdsVerif");
    ds.SetData(testing::groupsPacket({"001"}));
    Field& code = ds.FieldByName("CDGRSERVFAT");
    EXPECT_EQ(code.Size(), 3);
    ds.SetData(testing::groupsPacket({"002"}));
    EXPECT_EQ(&ds.FieldByName("CDGRSERVFAT"), &code);
    EXPECT_EQ(code.AsString(), "002");
}

} // namespace
} // namespace gsf::data
