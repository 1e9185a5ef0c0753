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

namespace gsf::ui {
namespace {

// A services list whose code carries a digits-only mask, as the screen
// declares it, and a branch code with an upper-case letters-and-digits mask.
class CellEditorTest : public ::testing::Test {
protected:
    CellEditorTest() : grid(form.Add<DBGrid>(form, "dbgServico")), other(form.Add<Edit>(form, "edtOutro"))
    {
        using gsf::data::FieldDef;
        using gsf::data::FieldType;
        const auto def = [](const char* name, FieldType type, int size, const char* mask) {
            FieldDef d;
            d.name = name;
            d.type = type;
            d.size = size;
            d.editMask = mask;
            return d;
        };
        services.AddField(def("CDSERVFILI", FieldType::String, 5, "99999;0; "));
        services.AddField(def("NMSERVICO", FieldType::String, 10, ""));
        services.AddField(def("CDFILIAL", FieldType::String, 4, ">aaaa;0; "));
        FieldDef rate = def("VRPECORRGRUP", FieldType::Float, 0, "");
        rate.displayFormat = "0.00%";
        services.AddField(rate);
        gsf::data::Packet p;
        p.fields = {{"CDSERVFILI", FieldType::String, 5},
                    {"NMSERVICO", FieldType::String, 10},
                    {"CDFILIAL", FieldType::String, 4},
                    {"VRPECORRGRUP", FieldType::Float, 0}};
        p.rows = {{std::string("00010"), std::string("Vigia"), std::string("0001"), 5.0},
                  {std::string("00020"), std::string("Faxina"), std::string("0001"), 8.0}};
        services.SetData(p);
        grid.SetDataSource(&source);
        for (const char* field : {"CDSERVFILI", "NMSERVICO", "CDFILIAL", "VRPECORRGRUP"})
            grid.AddColumn(field);
        grid.ColumnAt(3).SetTitleCaption("Percentual de Correção");
        form.SetFocus(grid);
    }
    ~CellEditorTest() override { form.DestroyComponents(); }

    void select(const char* field) { grid.SetSelectedIndex(grid.ColumnIndexOf(field)); }
    void keys(const std::u32string& typed)
    {
        for (char32_t ch : typed)
            form.KeyPress(ch);
    }
    std::string field(const char* name) { return services.FieldByName(name).AsString(); }

    gsf::data::DataSet services{"cdsServClie"};
    gsf::data::DataSource source{"dtsServClie", &services};
    Form form{"frmTest"};
    DBGrid& grid;
    Edit& other;
};

TEST_F(CellEditorTest, F2OpensTheEditorWithACaretThatTheArrowsHomeAndEndMove)
{
    select("NMSERVICO");
    form.KeyDown(VK_F2);
    ASSERT_TRUE(grid.EditorMode());
    EXPECT_EQ(grid.EditorText(), "Vigia");
    EXPECT_EQ(grid.EditorCaret(), 5);
    EXPECT_EQ(services.State(), DataSetState::Browse) << "opening the editor changed the record";

    form.KeyDown(VK_LEFT);
    form.KeyDown(VK_LEFT);
    keys(U"l");
    EXPECT_EQ(grid.EditorText(), "Viglia");
    EXPECT_EQ(grid.EditorCaret(), 4);
    EXPECT_EQ(grid.SelectedIndex(), 1) << "Left inside the editor left the column";
    form.KeyDown(VK_HOME);
    keys(U"A");
    form.KeyDown(VK_END);
    keys(U"s");
    EXPECT_EQ(grid.EditorText(), "AViglias");
    form.KeyDown(VK_HOME);
    form.KeyDown(VK_DELETE);
    for (int i = 0; i < 4; ++i)
        form.KeyDown(VK_RIGHT);
    keys(U"\b");
    EXPECT_EQ(grid.EditorText(), "Vigias");
    EXPECT_EQ(field("NMSERVICO"), "Vigia") << "the text left the editor before Enter";

    form.KeyDown(VK_RETURN);
    EXPECT_FALSE(grid.EditorMode());
    EXPECT_EQ(field("NMSERVICO"), "Vigias");
    EXPECT_EQ(services.State(), DataSetState::Edit) << "Enter posted the row";

    // Escape restores the cell and keeps the record as it was before the editor.
    keys(U"Novo");
    EXPECT_EQ(grid.EditorText(), "Novo") << "a key in a closed cell did not replace its text";
    form.KeyDown(VK_ESCAPE);
    EXPECT_FALSE(grid.EditorMode());
    EXPECT_EQ(grid.CellText(0, 1), "Vigias");
    EXPECT_EQ(services.State(), DataSetState::Edit);
    form.KeyDown(VK_ESCAPE);
    EXPECT_EQ(services.State(), DataSetState::Browse);
    EXPECT_EQ(field("NMSERVICO"), "Vigia");
}

TEST_F(CellEditorTest, ArrowsOfAClosedEditorMoveBetweenCellsAndAltDownMovesNothing)
{
    form.KeyDown(VK_RIGHT);
    EXPECT_EQ(grid.SelectedIndex(), 1);
    form.KeyDown(VK_END);
    EXPECT_EQ(grid.SelectedIndex(), 3);
    form.KeyDown(VK_RIGHT);
    EXPECT_EQ(grid.SelectedIndex(), 3);
    form.KeyDown(VK_HOME);
    EXPECT_EQ(grid.SelectedIndex(), 0);
    form.KeyDown(VK_END, ShiftState::Ctrl);
    EXPECT_EQ(grid.CurrentRow(), 1);
    form.KeyDown(VK_HOME, ShiftState::Ctrl);
    EXPECT_EQ(grid.CurrentRow(), 0);
    form.KeyDown(VK_DOWN, ShiftState::Alt);
    EXPECT_EQ(grid.CurrentRow(), 0) << "Alt+Down, the pick-list key, moved the row";

    int clicks = 0;
    grid.OnEditButtonClick = [&](Control&) { ++clicks; };
    form.KeyDown(VK_RETURN, ShiftState::Ctrl);
    EXPECT_EQ(clicks, 0) << "a column without a button ran its click";
    grid.ColumnAt(0).SetButtonStyle(ButtonStyle::Ellipsis);
    form.KeyDown(VK_RETURN, ShiftState::Ctrl);
    EXPECT_EQ(clicks, 1);
}

TEST_F(CellEditorTest, TypedAndPastedTextFollowsTheFieldsMaskAndSizeWithoutControlCharacters)
{
    select("CDSERVFILI");
    EXPECT_FALSE(grid.TypeCell("abc")) << "letters accepted in a digits-only code";
    EXPECT_EQ(services.State(), DataSetState::Browse);
    EXPECT_FALSE(grid.EditorMode());
    ASSERT_TRUE(grid.TypeCell("1a2-3456"));
    EXPECT_EQ(grid.EditorText(), "12345");
    keys(U"x9");
    EXPECT_EQ(grid.EditorText(), "12345") << "a full mask took more";
    form.KeyDown(VK_HOME);
    form.KeyDown(VK_DELETE);
    keys(U"b7");
    EXPECT_EQ(grid.EditorText(), "72345");
    EXPECT_EQ(grid.EditorCaret(), 1);

    select("CDFILIAL");
    ASSERT_TRUE(grid.TypeCell("aé1"));
    EXPECT_EQ(grid.EditorText(), "A1") << "the branch mask is upper-case ASCII letters and digits";
    keys(U"çz");
    EXPECT_EQ(grid.EditorText(), "A1Z");

    select("NMSERVICO");
    ASSERT_TRUE(grid.TypeCell("Limpeza\tgeral da sede"));
    EXPECT_EQ(grid.EditorText(), "Limpezager") << "a pasted tab was kept or the size ignored";
    form.KeyDown(VK_HOME);
    form.KeyDown(VK_RIGHT);
    EXPECT_FALSE(grid.PasteCell("\r\n")) << "only control characters were pasted";
    EXPECT_EQ(grid.EditorText(), "Limpezager");
    grid.UpdateData();
    EXPECT_EQ(field("NMSERVICO"), "Limpezager");
    grid.TypeCell("Ab");
    form.KeyDown(VK_LEFT);
    ASSERT_TRUE(grid.PasteCell("x\ty"));
    EXPECT_EQ(grid.EditorText(), "Axyb");
    EXPECT_EQ(grid.EditorCaret(), 3);
}

TEST_F(CellEditorTest, ATextThatIsNoNumberIsReportedWithTheColumnTitle)
{
    select("VRPECORRGRUP");
    ASSERT_TRUE(grid.TypeCell("abc"));
    try {
        grid.UpdateData();
        FAIL() << "a text was stored in a number field";
    } catch (const gsf::data::DataError& refused) {
        EXPECT_STREQ(refused.what(), "\"abc\" não é um valor numérico válido para o campo \"Percentual de Correção\".");
    }
    EXPECT_TRUE(grid.HasPendingText()) << "the refused text was lost";
    EXPECT_EQ(grid.EditorText(), "abc");
    EXPECT_THROW(form.SetFocus(other), gsf::data::DataError);
    EXPECT_EQ(form.FocusedControl(), &grid);
}

} // namespace
} // namespace gsf::ui
