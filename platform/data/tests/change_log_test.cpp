#include "platform/data/dataset.h"

#include "platform/data/tests/fixtures.h"

#include <gtest/gtest.h>

namespace gsf::data {
namespace {

using testing::codes;
using Row = std::vector<Value>;

class ChangeLog : public ::testing::Test {
protected:
    ChangeLog()
    {
        testing::defineGroups(ds);
        ds.SetData(testing::groupsPacket({"001", "002", "003"}));
    }

    void editDescription(const std::string& code, const std::string& text)
    {
        ASSERT_TRUE(ds.Locate("CDGRSERVFAT", code, false));
        ds.Edit();
        ds.FieldByName("DSGRSERVFAT").SetAsString(text);
        ds.Post();
    }

    DataSet ds{"cdsGrupServ"};
};

TEST_F(ChangeLog, UpdateKeepsTheBaseValuesAcrossTwoModifications)
{
    editDescription("002", "primeira");
    editDescription("002", "segunda");
    const Delta d = ds.Delta();
    ASSERT_EQ(d.changes.size(), 1u);
    EXPECT_EQ(d.changes[0].kind, ChangeKind::Update);
    EXPECT_EQ(d.changes[0].oldValues, (Row{"002", "Grupo 002", 2.0}));
    EXPECT_EQ(d.changes[0].newValues, (Row{"002", "segunda", 2.0}));
    EXPECT_EQ(ds.ChangeCount(), 1);
    EXPECT_EQ(d.fields.size(), 3u);
    EXPECT_EQ(d.fields[0].size, 3);
}

TEST_F(ChangeLog, DeleteOfAModifiedRowCarriesTheBaseValues)
{
    editDescription("001", "alterada");
    ds.Delete();
    const Delta d = ds.Delta();
    ASSERT_EQ(d.changes.size(), 1u);
    EXPECT_EQ(d.changes[0].kind, ChangeKind::Delete);
    EXPECT_EQ(d.changes[0].oldValues, (Row{"001", "Grupo 001", 1.0}));
    EXPECT_TRUE(d.changes[0].newValues.empty());
}

TEST_F(ChangeLog, InsertThenModifyIsOneInsertAndInsertThenDeleteIsNothing)
{
    ds.Append();
    ds.FieldByName("CDGRSERVFAT").SetAsString("004");
    ds.Post();
    ds.Edit();
    ds.FieldByName("QTEFETMINIGSF").SetAsFloat(7.5);
    ds.Post();
    Delta d = ds.Delta();
    ASSERT_EQ(d.changes.size(), 1u);
    EXPECT_EQ(d.changes[0].kind, ChangeKind::Insert);
    EXPECT_EQ(d.changes[0].newValues, (Row{"004", Value(), 7.5}));
    EXPECT_TRUE(d.changes[0].oldValues.empty());

    ds.Delete();
    EXPECT_EQ(ds.ChangeCount(), 0);
    EXPECT_TRUE(ds.Delta().changes.empty());
}

TEST_F(ChangeLog, OrderIsTheOrderOfFirstChange)
{
    editDescription("003", "x");
    ds.First();
    ds.Insert();
    ds.FieldByName("CDGRSERVFAT").SetAsString("000");
    ds.Post();
    editDescription("001", "y");
    editDescription("003", "z");
    ASSERT_TRUE(ds.Locate("CDGRSERVFAT", std::string("002"), false));
    ds.Delete();
    const Delta d = ds.Delta();
    ASSERT_EQ(d.changes.size(), 4u);
    EXPECT_EQ(d.changes[0].kind, ChangeKind::Update);
    EXPECT_EQ(d.changes[0].newValues[1], Value("z"));
    EXPECT_EQ(d.changes[1].kind, ChangeKind::Insert);
    EXPECT_EQ(d.changes[2].oldValues[0], Value("001"));
    EXPECT_EQ(d.changes[3].kind, ChangeKind::Delete);
}

TEST_F(ChangeLog, EditWithoutRealChangeLogsNothing)
{
    ds.Edit();
    ds.FieldByName("DSGRSERVFAT").SetAsString("Grupo 001");
    ds.Post();
    EXPECT_EQ(ds.ChangeCount(), 0);
}

TEST_F(ChangeLog, CancelUpdatesRestoresDeletedRowsAtTheirPlace)
{
    ds.Last();
    ds.Insert();
    ds.FieldByName("CDGRSERVFAT").SetAsString("02b");
    ds.Post();
    ASSERT_TRUE(ds.Locate("CDGRSERVFAT", std::string("002"), false));
    ds.Delete();
    editDescription("003", "alterada");
    ds.First();
    ds.Delete();
    EXPECT_EQ(codes(ds), (std::vector<std::string>{"02b", "003"}));

    ds.CancelUpdates();
    EXPECT_EQ(codes(ds), (std::vector<std::string>{"001", "002", "003"}));
    EXPECT_EQ(std::get<std::string>(ds.ValueAt(2, 1)), "Grupo 003");
    EXPECT_EQ(ds.ChangeCount(), 0);
    EXPECT_EQ(ds.State(), DataSetState::Browse);
    EXPECT_GE(ds.RecNo(), 1);
}

TEST_F(ChangeLog, CancelUpdatesAlsoDropsTheRecordBeingEdited)
{
    editDescription("001", "a");
    ds.Edit();
    ds.FieldByName("DSGRSERVFAT").SetAsString("b");
    ds.CancelUpdates();
    EXPECT_EQ(ds.State(), DataSetState::Browse);
    EXPECT_EQ(std::get<std::string>(ds.ValueAt(0, 1)), "Grupo 001");
}

TEST_F(ChangeLog, MergeMakesTheChangesTheNewBase)
{
    editDescription("002", "aceita");
    ds.Last();
    ds.Delete();
    ds.MergeChangeLog();
    EXPECT_EQ(ds.ChangeCount(), 0);
    editDescription("002", "depois");
    ds.First();
    ds.Delete();
    const Delta d = ds.Delta();
    ASSERT_EQ(d.changes.size(), 2u);
    EXPECT_EQ(d.changes[0].oldValues[1], Value("aceita"));
    ds.CancelUpdates();
    EXPECT_EQ(codes(ds), (std::vector<std::string>{"001", "002"}));
    EXPECT_EQ(std::get<std::string>(ds.ValueAt(1, 1)), "aceita");
}

TEST_F(ChangeLog, ChangesWithoutLoggingBecomeTheBase)
{
    ds.SetLogChanges(false);
    EXPECT_FALSE(ds.LogChanges());
    ds.First();
    ds.Insert();
    ds.FieldByName("CDGRSERVFAT").SetAsString("000");
    ds.Post();
    editDescription("002", "local");
    ds.Last();
    ds.Delete();
    EXPECT_EQ(ds.ChangeCount(), 0);

    ds.SetLogChanges(true);
    ASSERT_TRUE(ds.Locate("CDGRSERVFAT", std::string("001"), false));
    ds.Delete();
    ds.CancelUpdates();
    EXPECT_EQ(codes(ds), (std::vector<std::string>{"000", "001", "002"}));
    EXPECT_EQ(std::get<std::string>(ds.ValueAt(2, 1)), "local");
}

TEST_F(ChangeLog, ManyUnloggedInsertsAtOnePlaceKeepTheirOrderAfterCancel)
{
    ds.SetLogChanges(false);
    ds.MoveTo(2);
    for (int i = 0; i < 40; ++i) {
        ds.Insert();
        ds.FieldByName("CDGRSERVFAT").SetAsString(std::to_string(100 + i));
        ds.Post();
    }
    ds.SetLogChanges(true);
    ds.Last();
    ds.Delete();
    const auto before = codes(ds);
    ASSERT_TRUE(ds.Locate("CDGRSERVFAT", std::string("002"), false));
    ds.Delete();
    ds.CancelUpdates();
    auto expected = before;
    expected.push_back("003");
    EXPECT_EQ(codes(ds), expected);
}

} // namespace
} // namespace gsf::data
