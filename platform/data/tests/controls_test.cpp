#include "platform/data/dataset.h"

#include "platform/data/tests/fixtures.h"

#include <gtest/gtest.h>

namespace gsf::data {
namespace {

struct Link : DataLink {
    std::vector<std::string> log;
    Field* wantsFocus = nullptr;

    void stateChanged() override { log.emplace_back("state"); }
    void dataSetChanged() override { log.emplace_back("dataset"); }
    void recordChanged(Field* field) override
    {
        log.push_back("record:" + (field ? field->FieldName() : std::string("*")));
    }
    void updateRecord() override { log.emplace_back("update"); }
    void checkBrowseMode() override { log.emplace_back("check"); }
    bool focusControl(Field& field) override
    {
        log.push_back("focus:" + field.FieldName());
        return &field == wantsFocus;
    }
    std::vector<std::string> take()
    {
        std::vector<std::string> out;
        out.swap(log);
        return out;
    }
};

using Log = std::vector<std::string>;

class Controls : public ::testing::Test {
protected:
    Controls()
    {
        testing::defineGroups(ds);
        source.addLink(&link);
        ds.SetData(testing::groupsPacket({"001", "002", "003"}));
        link.take();
    }

    DataSet ds{"cdsGrupServ"};
    DataSource source{"dtsPadrao", &ds};
    Link link;
};

TEST_F(Controls, LinksHearMovesFieldChangesAndPosts)
{
    ds.Next();
    EXPECT_EQ(link.take(), Log{"dataset"});
    ds.Edit();
    ds.FieldByName("DSGRSERVFAT").SetAsString("x");
    EXPECT_EQ(link.take(), (Log{"state", "record:DSGRSERVFAT"}));
    bool updatedBeforePost = false;
    ds.BeforePost = [&](DataSet&) { updatedBeforePost = link.log == Log{"update", "check"}; };
    ds.Post();
    EXPECT_TRUE(updatedBeforePost);
    EXPECT_EQ(link.take(), (Log{"update", "check", "state", "dataset"}));
}

TEST_F(Controls, NestedDisableControlsRepaintOnceBackAtZero)
{
    int changes = 0;
    source.OnDataChange = [&](DataSource&, Field*) { ++changes; };
    ds.DisableControls();
    ds.DisableControls();
    ds.Next();
    ds.Edit();
    ds.FieldByName("DSGRSERVFAT").SetAsString("x");
    ds.Post();
    ds.EnableControls();
    EXPECT_TRUE(ds.ControlsDisabled());
    EXPECT_EQ(link.take(), (Log{"state", "update", "check", "state"}));
    EXPECT_EQ(changes, 0);
    ds.EnableControls();
    EXPECT_FALSE(ds.ControlsDisabled());
    EXPECT_EQ(link.take(), Log{"dataset"});
    EXPECT_EQ(changes, 1);
    ds.EnableControls();
    ds.Next();
    EXPECT_EQ(link.take(), Log{"dataset"});
}

TEST_F(Controls, StateChangeOncePerRealChangeEvenWithControlsDisabled)
{
    std::vector<std::string> states;
    source.OnStateChange = [&](DataSource& s) { states.emplace_back(stateName(s.State())); };
    ds.DisableControls();
    ds.Edit();
    ds.Edit();
    ds.Post();
    ds.Post();
    ds.Close();
    EXPECT_EQ(states, (std::vector<std::string>{"edit", "browse", "inactive"}));
    EXPECT_EQ(source.State(), DataSetState::Inactive);

    DataSet other("cdsOutro");
    other.SetData(testing::groupsPacket({"001"}));
    source.SetDataSet(&other);
    EXPECT_EQ(states.back(), "browse");
    EXPECT_EQ(source.GetDataSet(), &other);
}

TEST_F(Controls, FocusControlAsksLinksUntilOneTakesIt)
{
    Link second;
    DataSource grid("dtsGrid", &ds);
    grid.addLink(&second);
    Field& desc = ds.FieldByName("DSGRSERVFAT");
    second.wantsFocus = &desc;
    desc.FocusControl();
    EXPECT_EQ(link.take(), Log{"focus:DSGRSERVFAT"});
    EXPECT_EQ(second.take(), Log{"focus:DSGRSERVFAT"});
    grid.removeLink(&second);
    desc.FocusControl();
    EXPECT_TRUE(second.take().empty());
}

TEST_F(Controls, DataSourceOutlivingItsDataset)
{
    DataSource orphan("dtsOrfao");
    {
        DataSet temp("cdsTemp");
        orphan.SetDataSet(&temp);
    }
    EXPECT_EQ(orphan.GetDataSet(), nullptr);
    EXPECT_EQ(orphan.State(), DataSetState::Inactive);
}

TEST_F(Controls, GridReadsAnyRowAndTheRecordBeingEdited)
{
    ds.Edit();
    ds.FieldByName("QTEFETMINIGSF").SetAsFloat(1234.5);
    EXPECT_EQ(ds.DisplayTextAt(0, ds.FieldByName("QTEFETMINIGSF")), "1.234,500");
    EXPECT_EQ(ds.DisplayTextAt(2, ds.FieldByName("QTEFETMINIGSF")), "3,000");
    EXPECT_THROW(ds.ValueAt(3, 0), std::out_of_range);
}

} // namespace
} // namespace gsf::data
