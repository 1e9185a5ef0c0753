#include "platform/data/dataset.h"

#include "platform/data/tests/fixtures.h"

#include <gtest/gtest.h>

#include <stdexcept>

namespace gsf::data {
namespace {

using testing::also;
using testing::codes;
using Events = std::vector<std::string>;

class DataSetEvents : public ::testing::Test {
protected:
    DataSetEvents() { testing::defineGroups(ds); }

    void load(const std::vector<std::string>& list)
    {
        ds.SetData(testing::groupsPacket(list));
        rec.take();
    }

    DataSet ds{"cdsGrupServ"};
    testing::Recorder rec{ds};
};

TEST_F(DataSetEvents, LoadOfAClosedAndOfAnOpenDataset)
{
    ds.SetData(testing::groupsPacket({"001", "002"}));
    EXPECT_EQ(rec.take(), (Events{"BeforeOpen", "state:browse", "AfterOpen", "AfterScroll"}));
    EXPECT_EQ(ds.RecNo(), 1);

    ds.SetData(testing::groupsPacket({}));
    EXPECT_EQ(rec.take(),
              (Events{"BeforeClose", "state:inactive", "AfterClose", "BeforeOpen", "state:browse", "AfterOpen"}));
    EXPECT_TRUE(ds.IsEmpty());
    EXPECT_EQ(ds.RecNo(), 0);
}

TEST_F(DataSetEvents, LoadWhileEditingDropsTheRecordWithoutCancelEvents)
{
    load({"001"});
    ds.Edit();
    ds.FieldByName("DSGRSERVFAT").SetAsString("alterado");
    rec.take();
    ds.SetData(testing::groupsPacket({"001"}));
    EXPECT_EQ(rec.take(), (Events{"BeforeClose", "state:inactive", "AfterClose", "BeforeOpen", "state:browse",
                                  "AfterOpen", "AfterScroll"}));
    EXPECT_EQ(ds.FieldByName("DSGRSERVFAT").AsString(), "Grupo 001");
    EXPECT_EQ(ds.ChangeCount(), 0);
}

TEST_F(DataSetEvents, InsertEditPostAndCancel)
{
    load({"001", "002"});
    ds.Next();
    ds.Insert();
    EXPECT_EQ(rec.take(), (Events{"BeforeScroll", "AfterScroll", "BeforeInsert", "BeforeScroll", "state:insert",
                                  "AfterInsert", "AfterScroll"}));
    EXPECT_EQ(ds.RecNo(), 2);
    EXPECT_EQ(ds.RecordCount(), 3);

    ds.Cancel();
    EXPECT_EQ(rec.take(), (Events{"BeforeCancel", "BeforeScroll", "state:browse", "AfterCancel", "AfterScroll"}));
    EXPECT_EQ(ds.RecNo(), 2);
    EXPECT_EQ(ds.FieldByName("CDGRSERVFAT").AsString(), "002");

    ds.Edit();
    EXPECT_EQ(rec.take(), (Events{"BeforeEdit", "state:edit", "AfterEdit"}));
    ds.Post();
    EXPECT_EQ(rec.take(), (Events{"BeforePost", "state:browse", "AfterPost"}));
    ds.Edit();
    rec.take();
    ds.Cancel();
    EXPECT_EQ(rec.take(), (Events{"BeforeCancel", "state:browse", "AfterCancel"}));
}

TEST_F(DataSetEvents, CancelOfAnAppendReturnsToTheRowThatWasCurrent)
{
    load({"001", "002", "003"});
    ds.MoveTo(2);
    ds.Append();
    EXPECT_EQ(ds.RecNo(), 4);
    ds.Cancel();
    EXPECT_EQ(ds.RecNo(), 2);
    EXPECT_EQ(codes(ds), (std::vector<std::string>{"001", "002", "003"}));
}

TEST_F(DataSetEvents, DeleteMovesToTheNextRowOrThePreviousWhenLast)
{
    load({"001", "002", "003"});
    ds.Delete();
    EXPECT_EQ(rec.take(), (Events{"BeforeDelete", "BeforeScroll", "AfterDelete", "AfterScroll"}));
    EXPECT_EQ(ds.FieldByName("CDGRSERVFAT").AsString(), "002");
    ds.Last();
    ds.Delete();
    EXPECT_EQ(ds.FieldByName("CDGRSERVFAT").AsString(), "002");
    ds.Delete();
    EXPECT_TRUE(ds.IsEmpty());
    EXPECT_TRUE(ds.FieldByName("CDGRSERVFAT").IsNull());
    EXPECT_THROW(ds.Delete(), DataError);
}

TEST_F(DataSetEvents, MovesFireScrollOnlyWhenTheCursorMoves)
{
    load({"001", "002"});
    ds.First();
    ds.Prior();
    EXPECT_TRUE(ds.Bof());
    EXPECT_EQ(rec.take(), Events{});
    ds.Next();
    ds.Next();
    EXPECT_TRUE(ds.Eof());
    EXPECT_EQ(rec.take(), (Events{"BeforeScroll", "AfterScroll"}));
    ds.Last();
    EXPECT_EQ(rec.take(), Events{});
    EXPECT_TRUE(ds.Locate("cdgrservfat", std::string("001"), false));
    EXPECT_EQ(rec.take(), (Events{"BeforeScroll", "AfterScroll"}));
    EXPECT_FALSE(ds.Locate("CDGRSERVFAT", std::string("999"), false));
    EXPECT_EQ(rec.take(), Events{});
    EXPECT_EQ(ds.RecNo(), 1);
}

TEST_F(DataSetEvents, EofLoopVisitsEveryRow)
{
    load({"001", "002", "003"});
    std::vector<std::string> seen;
    for (ds.First(); !ds.Eof(); ds.Next())
        seen.push_back(ds.FieldByName("CDGRSERVFAT").AsString());
    EXPECT_EQ(seen, codes(ds));
}

TEST_F(DataSetEvents, MoveWhileEditingPostsFirst)
{
    load({"001", "002"});
    ds.Edit();
    ds.FieldByName("DSGRSERVFAT").SetAsString("novo");
    rec.take();
    ds.Next();
    EXPECT_EQ(rec.take(), (Events{"BeforePost", "state:browse", "AfterPost", "BeforeScroll", "AfterScroll"}));
    EXPECT_EQ(ds.ChangeCount(), 1);

    ds.Insert();
    ds.FieldByName("CDGRSERVFAT").SetAsString("003");
    rec.take();
    ds.Insert();
    EXPECT_EQ(rec.take(), (Events{"BeforePost", "state:browse", "AfterPost", "BeforeInsert", "BeforeScroll",
                                  "state:insert", "AfterInsert", "AfterScroll"}));
}

TEST_F(DataSetEvents, DeleteWhileInsertingPostsThenDeletesLeavingNoChange)
{
    load({"001"});
    ds.Append();
    ds.FieldByName("CDGRSERVFAT").SetAsString("002");
    rec.take();
    ds.Delete();
    EXPECT_EQ(rec.take(), (Events{"BeforePost", "state:browse", "AfterPost", "BeforeDelete", "BeforeScroll",
                                  "AfterDelete", "AfterScroll"}));
    EXPECT_EQ(codes(ds), std::vector<std::string>{"001"});
    EXPECT_EQ(ds.ChangeCount(), 0);
}

TEST_F(DataSetEvents, ThrowingBeforeEventsLeaveEverythingAsItWas)
{
    load({"001", "002", "003"});
    ds.Next();
    rec.take();
    const auto refuse = [](DataSet&) { throw std::runtime_error("recusado"); };
    struct Case {
        DataSet::Event* event;
        std::function<void()> action;
    };
    const std::vector<Case> cases = {
        {&ds.BeforeScroll, [&] { ds.Next(); }},
        {&ds.BeforeScroll, [&] { ds.Insert(); }},
        {&ds.BeforeScroll, [&] { ds.Delete(); }},
        {&ds.BeforeInsert, [&] { ds.Insert(); }},
        {&ds.BeforeInsert, [&] { ds.Append(); }},
        {&ds.BeforeDelete, [&] { ds.Delete(); }},
        {&ds.BeforeEdit, [&] { ds.Edit(); }},
        {&ds.BeforeClose, [&] { ds.Close(); }},
        {&ds.BeforeClose, [&] { ds.SetData(testing::groupsPacket({"009"})); }},
    };
    for (std::size_t i = 0; i < cases.size(); ++i) {
        const DataSet::Event saved = *cases[i].event;
        *cases[i].event = refuse;
        EXPECT_THROW(cases[i].action(), std::runtime_error) << "case " << i;
        *cases[i].event = saved;
        EXPECT_EQ(ds.State(), DataSetState::Browse) << "case " << i;
        EXPECT_EQ(ds.RecNo(), 2) << "case " << i;
        EXPECT_EQ(codes(ds), (std::vector<std::string>{"001", "002", "003"})) << "case " << i;
        EXPECT_EQ(ds.ChangeCount(), 0) << "case " << i;
        for (const std::string& event : rec.take())
            EXPECT_TRUE(event.rfind("Before", 0) == 0) << "case " << i << ": " << event;
    }
}

TEST_F(DataSetEvents, ThrowingBeforeCancelKeepsTheInsert)
{
    load({"001"});
    ds.Insert();
    ds.FieldByName("CDGRSERVFAT").SetAsString("002");
    ds.BeforeCancel = [](DataSet&) { throw std::runtime_error("recusado"); };
    EXPECT_THROW(ds.Cancel(), std::runtime_error);
    EXPECT_EQ(ds.State(), DataSetState::Insert);
    EXPECT_EQ(ds.FieldByName("CDGRSERVFAT").AsString(), "002");
    EXPECT_EQ(ds.RecordCount(), 2);
}

TEST_F(DataSetEvents, FailedBeforePostKeepsTheRecordInEditWithWhatWasTyped)
{
    load({"001", "002"});
    ds.Edit();
    ds.FieldByName("DSGRSERVFAT").SetAsString("digitado");
    ds.FieldByName("QTEFETMINIGSF").SetText("1.234,5");
    also(ds.BeforePost, [](DataSet&) { throw std::runtime_error("Descrição deve ser informada."); });
    rec.take();

    EXPECT_THROW(ds.Post(), std::runtime_error);
    EXPECT_THROW(ds.Next(), std::runtime_error);
    EXPECT_EQ(rec.take(), (Events{"BeforePost", "BeforePost"}));
    EXPECT_EQ(ds.State(), DataSetState::Edit);
    EXPECT_EQ(ds.RecNo(), 1);
    EXPECT_EQ(ds.FieldByName("DSGRSERVFAT").AsString(), "digitado");
    EXPECT_EQ(ds.FieldByName("QTEFETMINIGSF").AsFloat(), 1234.5);
    EXPECT_TRUE(ds.Modified());
    EXPECT_EQ(ds.ChangeCount(), 0);
    EXPECT_EQ(std::get<std::string>(ds.ValueAt(1, 1)), "Grupo 002");
}

TEST_F(DataSetEvents, RequiredFieldLeftNullKeepsTheRecordInInsert)
{
    DataSet q("qryFilial");
    FieldDef def = testing::textField("CDFILIAL", 4, "Código");
    def.required = true;
    Field& code = q.AddField(def);
    q.SetData(Packet{{{"CDFILIAL", FieldType::String, 4}}, {}});
    q.Insert();
    try {
        q.Post();
        FAIL() << "posted without a required value";
    } catch (const DataError& e) {
        EXPECT_STREQ(e.what(), "O campo \"Código\" deve ser informado.");
    }
    EXPECT_EQ(q.State(), DataSetState::Insert);
    code.SetAsString("0001");
    q.Post();
    EXPECT_EQ(q.RecordCount(), 1);
}

TEST_F(DataSetEvents, ReloadInsideItsOwnBeforePost)
{
    load({"001", "002"});
    ds.Next();
    ds.Insert();
    ds.FieldByName("CDGRSERVFAT").SetAsString("NEW");
    also(ds.BeforePost, [](DataSet& self) {
        self.SetData(testing::groupsPacket({"010", "020", "030"}));
        self.Locate("CDGRSERVFAT", std::string("020"), true);
    });
    rec.take();

    ds.Post();
    EXPECT_EQ(rec.take(),
              (Events{"BeforePost", "BeforeClose", "state:inactive", "AfterClose", "BeforeOpen", "state:browse",
                      "AfterOpen", "AfterScroll", "BeforeScroll", "AfterScroll", "AfterPost"}));
    EXPECT_EQ(ds.State(), DataSetState::Browse);
    EXPECT_EQ(codes(ds), (std::vector<std::string>{"010", "020", "030"}));
    EXPECT_EQ(ds.ChangeCount(), 0);
    EXPECT_EQ(ds.RecNo(), 2);
    EXPECT_FALSE(ds.Modified());
}

TEST_F(DataSetEvents, ReloadInsideBeforeScrollAbandonsTheMove)
{
    load({"001", "002"});
    also(ds.BeforeScroll, [](DataSet& self) { self.SetData(testing::groupsPacket({"009"})); });
    ds.Next();
    EXPECT_EQ(codes(ds), std::vector<std::string>{"009"});
    EXPECT_EQ(ds.RecNo(), 1);
}

TEST_F(DataSetEvents, OperationsOnAClosedDatasetAreRefused)
{
    EXPECT_THROW(ds.Next(), DataError);
    EXPECT_THROW(ds.Insert(), DataError);
    EXPECT_THROW(ds.Edit(), DataError);
    EXPECT_THROW(ds.Locate("CDGRSERVFAT", std::string("001"), true), DataError);
    EXPECT_EQ(ds.RecordCount(), 0);
    EXPECT_TRUE(ds.FieldByName("CDGRSERVFAT").IsNull());
}

TEST_F(DataSetEvents, EditOfAnEmptyDatasetInserts)
{
    load({});
    ds.Edit();
    EXPECT_EQ(ds.State(), DataSetState::Insert);
    EXPECT_EQ(ds.RecordCount(), 1);
}

} // namespace
} // namespace gsf::data
