#include "platform/ui/tests/db_fixture.h"
#include "platform/ui/ui.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

namespace gsf::ui {
namespace {

using gsf::data::DataSetState;

class DBEditTest : public ::testing::Test {
protected:
    DBEditTest()
        : edit(form.Add<DBEdit>(form, "dbeQtEfetDom")), other(form.Add<Edit>(form, "edtOutro")),
          label(form.Add<DBText>(form, "dbtNome"))
    {
        testing::defineGroups(groups);
        edit.SetDataSource(&source);
        edit.SetDataField("QTEFETMINIGSF");
        label.SetDataSource(&source);
        label.SetDataField("DSGRSERVFAT");
    }
    ~DBEditTest() override { form.DestroyComponents(); }

    gsf::data::DataSet groups{"cdsGrupServ"};
    gsf::data::DataSource source{"dtsPadrao", &groups};
    Form form{"frmTest"};
    DBEdit& edit;
    Edit& other;
    DBText& label;
};

TEST_F(DBEditTest, ShowsDisplayTextUnfocusedAndEditTextFocused)
{
    groups.Next();
    EXPECT_EQ(edit.Text(), "1.234,500");
    EXPECT_EQ(label.Text(), "Limpeza");
    form.SetFocus(edit);
    EXPECT_EQ(edit.Text(), "1234,500");
    form.SetFocus(other);
    EXPECT_EQ(edit.Text(), "1.234,500");
}

TEST_F(DBEditTest, WritesTypedTextIntoTheFieldBeforeItsExitEvent)
{
    std::string seenInExit;
    edit.OnExit = [&](Control& c) {
        seenInExit = groups.FieldByName("QTEFETMINIGSF").AsString() + " / " + static_cast<Edit&>(c).Text();
    };
    form.SetFocus(edit);
    ASSERT_TRUE(edit.TypeText("-1"));
    EXPECT_EQ(groups.State(), DataSetState::Edit) << "typing did not put the dataset into edit";
    EXPECT_EQ(groups.FieldByName("QTEFETMINIGSF").AsFloat(), 2.5) << "typing wrote before the exit";
    form.SetFocus(other);
    EXPECT_EQ(seenInExit, "-1 / -1,000");
    EXPECT_EQ(groups.FieldByName("QTEFETMINIGSF").AsFloat(), -1.0);
}

TEST_F(DBEditTest, AFailingWriteAbandonsTheMoveAndKeepsTheTypedText)
{
    bool exited = false;
    edit.OnExit = [&](Control&) { exited = true; };
    form.SetFocus(edit);
    ASSERT_TRUE(edit.TypeText("abc"));
    EXPECT_THROW(form.SetFocus(other), std::exception);
    EXPECT_EQ(form.FocusedControl(), &edit);
    EXPECT_FALSE(exited);
    EXPECT_EQ(edit.Text(), "abc");
    EXPECT_TRUE(edit.TypeText("3"));
    form.SetFocus(other);
    EXPECT_EQ(groups.FieldByName("QTEFETMINIGSF").AsFloat(), 3.0);
}

TEST_F(DBEditTest, ATextThatIsNoNumberIsReportedWithTheLabelBesideTheEdit)
{
    const auto refusal = [&] {
        form.SetFocus(edit);
        edit.TypeText("abc");
        try {
            form.SetFocus(other);
        } catch (const gsf::data::DataError& refused) {
            return std::string(refused.what());
        }
        return std::string("accepted");
    };
    // Without a label the field's own name is all there is.
    EXPECT_EQ(refusal(), "\"abc\" não é um valor numérico válido para o campo \"QTEFETMINIGSF\".");
    auto& day = form.Add<Label>(form, "lblSegunda");
    day.SetCaption("&Segunda-feira");
    day.SetFocusControl(&edit);
    EXPECT_EQ(refusal(), "\"abc\" não é um valor numérico válido para o campo \"Segunda-feira\".");
    EXPECT_EQ(edit.Text(), "abc");
    EXPECT_EQ(form.FocusedControl(), &edit);
}

TEST_F(DBEditTest, PostAsksForThePendingText)
{
    form.SetFocus(edit);
    edit.TypeText("7");
    groups.Post();
    EXPECT_EQ(groups.FieldByName("QTEFETMINIGSF").AsFloat(), 7.0);
    EXPECT_EQ(groups.State(), DataSetState::Browse);
}

TEST_F(DBEditTest, ReadOnlyControlOrInactiveDatasetRefusesTyping)
{
    edit.SetReadOnly(true);
    EXPECT_FALSE(edit.TypeText("1"));
    EXPECT_EQ(groups.State(), DataSetState::Browse);
    edit.SetReadOnly(false);
    groups.Close();
    EXPECT_FALSE(edit.TypeText("1"));
    EXPECT_EQ(edit.Text(), "");
}

TEST_F(DBEditTest, CancelDropsTheTypedText)
{
    form.SetFocus(edit);
    edit.TypeText("9");
    groups.Cancel();
    EXPECT_EQ(edit.Text(), groups.FieldByName("QTEFETMINIGSF").Text());
    form.SetFocus(other);
    EXPECT_EQ(groups.FieldByName("QTEFETMINIGSF").AsFloat(), 2.5);
}

TEST_F(DBEditTest, FieldFocusControlFocusesTheEdit)
{
    form.SetFocus(other);
    groups.FieldByName("QTEFETMINIGSF").FocusControl();
    EXPECT_EQ(form.FocusedControl(), &edit);
}

TEST_F(DBEditTest, RefreshesOnlyWhileTheDatasetsControlsAreEnabled)
{
    const int before = edit.RefreshCount();
    groups.DisableControls();
    groups.Next();
    groups.Next();
    EXPECT_EQ(edit.RefreshCount(), before);
    EXPECT_EQ(label.Text(), "Vigilância");
    groups.EnableControls();
    EXPECT_GT(edit.RefreshCount(), before);
    EXPECT_EQ(label.Text(), "Portaria");
    EXPECT_EQ(edit.Text(), "");
}

} // namespace
} // namespace gsf::ui
