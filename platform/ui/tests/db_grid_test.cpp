#include "platform/ui/tests/db_fixture.h"
#include "platform/ui/ui.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

namespace gsf::ui {
namespace {

using gsf::data::DataSetState;

class DBGridTest : public ::testing::Test {
protected:
    DBGridTest() : grid(form.Add<DBGrid>(form, "dbgPadrao")), other(form.Add<Edit>(form, "edtOutro"))
    {
        testing::defineGroups(groups);
        grid.SetDataSource(&source);
        grid.AddColumn("CDGRSERVFAT").SetWidth(43);
        grid.AddColumn("DSGRSERVFAT").SetWidth(202);
        grid.AddColumn("QTEFETMINIGSF").SetWidth(91);
    }
    ~DBGridTest() override { form.DestroyComponents(); }

    gsf::data::DataSet groups{"cdsGrupServ"};
    gsf::data::DataSource source{"dtsPadrao", &groups};
    Form form{"frmTest"};
    DBGrid& grid;
    Edit& other;
};

TEST_F(DBGridTest, ColumnExitSeesTheColumnBeingLeftWithItsTextAlreadyWritten)
{
    std::vector<std::string> seen;
    grid.OnColExit = [&](Control&) {
        seen.push_back(grid.SelectedField()->FieldName() + "=" + grid.SelectedField()->AsString());
    };
    form.SetFocus(grid);
    grid.SetSelectedIndex(2);
    ASSERT_TRUE(grid.TypeCell("5"));
    EXPECT_EQ(grid.CellText(0, 2), "5");
    grid.SetSelectedIndex(1);
    EXPECT_EQ(seen, (std::vector<std::string>{"CDGRSERVFAT=001", "QTEFETMINIGSF=5"}));
    EXPECT_EQ(grid.SelectedIndex(), 1);
}

TEST_F(DBGridTest, ThrowingColumnExitKeepsTheColumn)
{
    grid.OnColExit = [&](Control&) {
        if (grid.SelectedField()->AsFloat() < 0)
            throw std::runtime_error("Mínimo efetivos por dia deve ser maior ou igual a zero.");
    };
    grid.SetSelectedIndex(2);
    grid.TypeCell("-2");
    EXPECT_THROW(grid.SetSelectedIndex(0), std::runtime_error);
    EXPECT_EQ(grid.SelectedIndex(), 2);
    EXPECT_EQ(groups.FieldByName("QTEFETMINIGSF").AsFloat(), -2.0);
}

TEST_F(DBGridTest, ColumnExitThatSelectsAColumnItselfWins)
{
    grid.OnColExit = [&](Control&) { grid.SetSelectedIndex(2); };
    grid.SetSelectedIndex(1);
    EXPECT_EQ(grid.SelectedIndex(), 2);
}

TEST_F(DBGridTest, TypingAutoEditsAndReadOnlyColumnsRefuse)
{
    grid.ColumnAt(1).SetReadOnly(true);
    grid.SetSelectedIndex(1);
    EXPECT_FALSE(grid.TypeCell("x"));
    EXPECT_EQ(groups.State(), DataSetState::Browse);
    grid.SetSelectedIndex(0);
    EXPECT_TRUE(grid.TypeCell("009"));
    EXPECT_EQ(groups.State(), DataSetState::Edit);
    EXPECT_EQ(groups.FieldByName("CDGRSERVFAT").AsString(), "001") << "the cell text left the editor early";
    groups.Post();
    EXPECT_EQ(groups.FieldByName("CDGRSERVFAT").AsString(), "009");
}

TEST_F(DBGridTest, KeysTypedIntoACellReplaceItsTextAndBackspaceEditsWhatIsShown)
{
    form.SetFocus(grid);
    grid.SetSelectedIndex(1);
    form.KeyPress(char32_t(1));
    EXPECT_EQ(groups.State(), DataSetState::Browse) << "a control character started an edit";
    form.KeyPress(U'\b');
    ASSERT_TRUE(grid.HasPendingText());
    EXPECT_EQ(grid.PendingText(), "Vigilânci");
    form.KeyPress(U'a');
    EXPECT_EQ(grid.PendingText(), "Vigilância");
    groups.Cancel();

    grid.SetSelectedIndex(0);
    form.KeyPress(U'7');
    form.KeyPress(U'é');
    EXPECT_EQ(grid.PendingText(), "7é");
    form.KeyPress(U'\b');
    form.KeyPress(U'\b');
    form.KeyPress(U'\b');
    EXPECT_EQ(grid.PendingText(), "") << "a backspace past the start removed something";
}

TEST_F(DBGridTest, KeyPressCanSwallowCellTyping)
{
    grid.OnKeyPress = [&](Control&, char32_t& ch) {
        if (grid.SelectedIndex() == 1)
            ch = 0;
    };
    grid.SetSelectedIndex(1);
    EXPECT_FALSE(grid.TypeCell("abc"));
    EXPECT_EQ(groups.State(), DataSetState::Browse);
    grid.ColumnAt(1).SetPickList({"Sim", "Não"});
    EXPECT_FALSE(grid.ChoosePick("Talvez"));
    EXPECT_TRUE(grid.ChoosePick("Não"));
    grid.UpdateData();
    EXPECT_EQ(groups.FieldByName("DSGRSERVFAT").AsString(), "Não");
}

TEST_F(DBGridTest, LeavingTheGridWritesThePendingCellBeforeOnExit)
{
    std::string seen;
    grid.OnExit = [&](Control&) { seen = groups.FieldByName("DSGRSERVFAT").AsString(); };
    form.SetFocus(grid);
    grid.SetSelectedIndex(1);
    grid.TypeCell("Nova");
    form.SetFocus(other);
    EXPECT_EQ(seen, "Nova");
}

TEST_F(DBGridTest, MovingTheRowWritesAndPosts)
{
    grid.SetSelectedIndex(1);
    grid.TypeCell("Alterada");
    ASSERT_TRUE(grid.MoveToRow(2));
    EXPECT_EQ(groups.State(), DataSetState::Browse);
    EXPECT_EQ(grid.CurrentRow(), 2);
    EXPECT_EQ(grid.CellText(0, 1), "Alterada");
    EXPECT_FALSE(grid.MoveToRow(7));
}

TEST_F(DBGridTest, DeletingAsksForConfirmation)
{
    std::vector<std::string> asked;
    bool answer = false;
    grid.ConfirmDelete = [&](const std::string& q) {
        asked.push_back(q);
        return answer;
    };
    form.SetFocus(grid);
    form.KeyDown(VK_DELETE, ShiftState::Ctrl);
    EXPECT_EQ(groups.RecordCount(), 3);
    answer = true;
    form.KeyDown(VK_DELETE, ShiftState::Ctrl);
    EXPECT_EQ(groups.RecordCount(), 2);
    EXPECT_EQ(asked.size(), 2u);

    grid.ConfirmDelete = nullptr;
    EXPECT_FALSE(grid.DeleteRow()) << "deleted without anyone to confirm";
}

TEST_F(DBGridTest, EditButtonRunsOnlyForEllipsisColumns)
{
    int clicks = 0;
    grid.OnEditButtonClick = [&](Control&) { ++clicks; };
    EXPECT_FALSE(grid.ClickEditButton());
    grid.ColumnAt(0).SetButtonStyle(ButtonStyle::Ellipsis);
    EXPECT_TRUE(grid.ClickEditButton());
    grid.SetEnabled(false);
    EXPECT_FALSE(grid.ClickEditButton());
    EXPECT_EQ(clicks, 1);
}

TEST_F(DBGridTest, FieldFocusControlSelectsTheColumnAndFocusesTheGrid)
{
    form.SetFocus(other);
    groups.FieldByName("QTEFETMINIGSF").FocusControl();
    EXPECT_EQ(grid.SelectedIndex(), 2);
    EXPECT_EQ(form.FocusedControl(), &grid);
}

TEST_F(DBGridTest, PaintsOnlyWhileTheDatasetsControlsAreEnabled)
{
    const int before = grid.PaintCount();
    groups.DisableControls();
    groups.Next();
    groups.Last();
    EXPECT_EQ(grid.PaintCount(), before);
    groups.EnableControls();
    EXPECT_GT(grid.PaintCount(), before);
    EXPECT_EQ(grid.CellText(1, 2), "1.234,500");
}

} // namespace
} // namespace gsf::ui
