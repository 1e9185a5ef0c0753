// A packet loaded into a dataset with persistent fields is checked column by
// column against their definitions.
#include "platform/data/packet_layout.h"
#include "platform/data/tests/fixtures.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace gsf::data {
namespace {

using ::testing::HasSubstr;

// Groups with a fixed-length flag: code string(3), description string(30),
// minimum float, flag fixedstring(3).
void defineFlaggedGroups(DataSet& ds)
{
    testing::defineGroups(ds);
    FieldDef flag = testing::textField("IDCORREFET", 3);
    flag.type = FieldType::FixedString;
    ds.AddField(flag);
}

Packet flaggedGroups(const std::vector<std::string>& codes)
{
    Packet p = testing::groupsPacket(codes);
    p.fields.push_back({"IDCORREFET", FieldType::FixedString, 3});
    for (auto& row : p.rows)
        row.emplace_back("Sim");
    return p;
}

std::string refusal(DataSet& ds, const Packet& packet)
{
    try {
        ds.SetData(packet);
    } catch (const PacketError& e) {
        return e.what();
    }
    return "";
}

TEST(PacketLayout, AColumnOfAnotherTypeOrSizeIsRefusedAndTheRowsAreKept)
{
    DataSet ds("cdsGrupServ");
    defineFlaggedGroups(ds);
    ds.SetData(flaggedGroups({"001", "002"}));
    ds.Next();
    testing::Recorder events(ds);

    struct Case {
        int column;
        FieldType type;
        int size;
        const char* message;
    };
    const Case cases[] = {
        {1, FieldType::String, 60,
         "Campo \"DSGRSERVFAT\" com tamanho incompatível no pacote de dados (60 caracteres; esperado: 30 caracteres)."},
        {1, FieldType::String, 20,
         "Campo \"DSGRSERVFAT\" com tamanho incompatível no pacote de dados (20 caracteres; esperado: 30 caracteres)."},
        {0, FieldType::String, 1,
         "Campo \"CDGRSERVFAT\" com tamanho incompatível no pacote de dados (1 caractere; esperado: 3 caracteres)."},
        {3, FieldType::String, 3,
         "Campo \"IDCORREFET\" com tipo incompatível no pacote de dados (string; esperado: fixedstring)."},
        {0, FieldType::FixedString, 3,
         "Campo \"CDGRSERVFAT\" com tipo incompatível no pacote de dados (fixedstring; esperado: string)."},
    };
    for (const Case& c : cases) {
        Packet p = flaggedGroups({"009"});
        p.fields[static_cast<std::size_t>(c.column)].type = c.type;
        p.fields[static_cast<std::size_t>(c.column)].size = c.size;
        EXPECT_EQ(refusal(ds, p), c.message);
    }
    // A number column where a text is defined, with no row to give it away.
    Packet numbers = flaggedGroups({});
    numbers.fields[0] = {"CDGRSERVFAT", FieldType::Float, 0};
    EXPECT_EQ(refusal(ds, numbers),
              "Campo \"CDGRSERVFAT\" com tipo incompatível no pacote de dados (float; esperado: string).");

    EXPECT_EQ(testing::codes(ds), (std::vector<std::string>{"001", "002"}));
    EXPECT_EQ(ds.RecNo(), 2);
    EXPECT_EQ(ds.State(), DataSetState::Browse);
    EXPECT_EQ(events.take(), std::vector<std::string>{});
}

TEST(PacketLayout, TheSameColumnsLoadInAnyOrderAndWhereASizeIsLeftOpen)
{
    DataSet ds("cdsGrupServ");
    defineFlaggedGroups(ds);
    Packet p = flaggedGroups({"001"});
    std::swap(p.fields[0], p.fields[3]);
    for (auto& row : p.rows)
        std::swap(row[0], row[3]);
    p.fields[2].size = 12; // a number's size means nothing
    p.fields.push_back({"EXTRA", FieldType::String, 500});
    for (auto& row : p.rows)
        row.emplace_back("x");
    ASSERT_EQ(refusal(ds, p), "");
    EXPECT_EQ(ds.FieldByName("IDCORREFET").AsString(), "Sim");
    EXPECT_EQ(ds.FieldByName("CDGRSERVFAT").AsString(), "001");

    // A column that states no size, and a field declared without one.
    EXPECT_EQ(columnMismatch(testing::textField("DSGRSERVFAT", 30), {"DSGRSERVFAT", FieldType::String, 0}), "");
    EXPECT_EQ(columnMismatch(testing::textField("NMFILIAL", 0), {"NMFILIAL", FieldType::String, 80}), "");
    EXPECT_THAT(columnMismatch(testing::textField("NMFILIAL", 30), {"NMFILIAL", FieldType::String, 80}),
                HasSubstr("tamanho incompatível"));
}

} // namespace
} // namespace gsf::data
