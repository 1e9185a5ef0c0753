#include "platform/data/dataset.h"

#include "platform/data/number_format.h"
#include "platform/data/tests/fixtures.h"

#include <gtest/gtest.h>

namespace gsf::data {
namespace {

using testing::Recorder;

/// Interval-like rows: start, end, correction; ordered by end, then start.
class OrderedDataSet : public ::testing::Test {
protected:
    OrderedDataSet()
    {
        for (const char* name : {"INICIO", "FIM", "CORR"})
            ds.AddField(testing::floatField(name, "", "0.00"));
        ds.SetOrder({"FIM", "INICIO"});
    }

    static Packet intervals(const std::vector<std::vector<Value>>& rows)
    {
        Packet p;
        p.fields = {{"INICIO", FieldType::Float, 0}, {"FIM", FieldType::Float, 0}, {"CORR", FieldType::Float, 0}};
        p.rows = rows;
        return p;
    }

    /// "start-end" of every row, in the dataset's order; "_" for a null.
    std::vector<std::string> shown() const
    {
        std::vector<std::string> out;
        const auto text = [](const Value& v) {
            return isNull(v) ? std::string("_") : plainNumber(std::get<double>(v));
        };
        for (int r = 0; r < ds.RecordCount(); ++r)
            out.push_back(text(ds.ValueAt(r, 0)) + "-" + text(ds.ValueAt(r, 1)));
        return out;
    }

    double end() const { return ds.FieldByName("FIM").AsFloat(); }

    DataSet ds{"cdsCorrPrecGrup"};
};

TEST_F(OrderedDataSet, ALoadSortsNullsFirstAndKeepsTiesInPacketOrder)
{
    ds.SetData(intervals({{25.0, 50.0, 1.0},
                          {0.0, 10.0, 2.0},
                          {Value(), Value(), 3.0},
                          {10.0, 25.0, 4.0},
                          {5.0, 10.0, 5.0},
                          {5.0, 10.0, 6.0}}));
    EXPECT_EQ(shown(), (std::vector<std::string>{"_-_", "0-10", "5-10", "5-10", "10-25", "25-50"}));
    EXPECT_EQ(ds.ValueAt(2, 2), Value(5.0));
    EXPECT_EQ(ds.ValueAt(3, 2), Value(6.0));
    EXPECT_EQ(ds.RecNo(), 1);
    EXPECT_THROW(ds.SetOrder({"FIM"}), DataError) << "only while closed";
    DataSet other("x");
    EXPECT_THROW(other.SetOrder({"NADA"}), DataError);
}

TEST_F(OrderedDataSet, APostedRecordGoesToItsPlaceWithTheCursorAndNoScroll)
{
    ds.SetData(intervals({{0.0, 10.0, 1.0}, {10.0, 25.0, 2.0}, {25.0, 50.0, 3.0}}));
    ds.Last();
    Recorder rec(ds);
    // Inserted before the current row, it waits there until it is posted.
    ds.Insert();
    ds.FieldByName("INICIO").SetAsFloat(50);
    ds.FieldByName("FIM").SetAsFloat(60);
    EXPECT_EQ(ds.RecNo(), 3);
    ds.Post();
    EXPECT_EQ(shown(), (std::vector<std::string>{"0-10", "10-25", "25-50", "50-60"}));
    EXPECT_EQ(ds.RecNo(), 4);
    EXPECT_EQ(end(), 60);
    const std::vector<std::string> events = rec.take();
    EXPECT_EQ(std::vector<std::string>(events.begin() + 5, events.end()),
              (std::vector<std::string>{"BeforePost", "state:browse", "AfterPost"}));

    // An edit that changes the key moves the row; one that does not stays put.
    ds.First();
    ds.Edit();
    ds.FieldByName("FIM").SetAsFloat(30);
    ds.Post();
    EXPECT_EQ(shown(), (std::vector<std::string>{"10-25", "0-30", "25-50", "50-60"}));
    EXPECT_EQ(ds.RecNo(), 2);
    ds.Edit();
    ds.FieldByName("CORR").SetAsFloat(9);
    ds.Post();
    EXPECT_EQ(ds.RecNo(), 2);

    // The change log follows records, not places: cancelling puts every row back.
    EXPECT_EQ(ds.ChangeCount(), 2);
    EXPECT_EQ(ds.Delta().changes[1].kind, ChangeKind::Update);
    ds.CancelUpdates();
    EXPECT_EQ(shown(), (std::vector<std::string>{"0-10", "10-25", "25-50"}));
}

TEST_F(OrderedDataSet, MovesFromAPendingRecordCountFromWhereItsPostPutIt)
{
    ds.SetData(intervals({{0.0, 10.0, 1.0}, {10.0, 25.0, 2.0}, {25.0, 50.0, 3.0}}));
    ds.Last();
    ds.Insert(); // at place 3, above 25-50
    ds.FieldByName("INICIO").SetAsFloat(50);
    ds.FieldByName("FIM").SetAsFloat(60);
    ds.Prior(); // posted to place 4, so the row before it is 25-50
    EXPECT_EQ(end(), 50);

    ds.Insert();
    ds.FieldByName("INICIO").SetAsFloat(60);
    ds.FieldByName("FIM").SetAsFloat(70);
    ds.Next(); // posted at the end: nothing after it
    EXPECT_EQ(end(), 70);
    EXPECT_TRUE(ds.Eof());

    // A click on a row while another is pending reaches the record clicked.
    ds.MoveTo(2);
    ds.Insert(); // at place 2, above 10-25
    ds.FieldByName("INICIO").SetAsFloat(70);
    ds.FieldByName("FIM").SetAsFloat(80);
    ds.MoveTo(3); // 10-25 was at place 3 when clicked
    EXPECT_EQ(end(), 25);
    EXPECT_EQ(shown().back(), "70-80");
    ds.Last();
    ds.Edit();
    ds.FieldByName("FIM").SetAsFloat(5);
    ds.FieldByName("INICIO").Clear();
    ds.MoveTo(6); // the pending record itself, wherever its post puts it
    EXPECT_EQ(end(), 5);
    EXPECT_EQ(ds.RecNo(), 1);
}

TEST(UnorderedDataSet, KeepsThePacketOrderAndInsertsWhereAsked)
{
    DataSet ds("cdsGrupServ");
    testing::defineGroups(ds);
    ds.SetData(testing::groupsPacket({"003", "001", "002"}));
    EXPECT_TRUE(ds.Order().empty());
    EXPECT_EQ(testing::codes(ds), (std::vector<std::string>{"003", "001", "002"}));
    ds.MoveTo(2);
    ds.Insert();
    ds.FieldByName("CDGRSERVFAT").SetAsString("000");
    ds.Post();
    EXPECT_EQ(testing::codes(ds), (std::vector<std::string>{"003", "000", "001", "002"}));
    EXPECT_EQ(ds.RecNo(), 2);
}

} // namespace
} // namespace gsf::data
