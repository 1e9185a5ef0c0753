// The screen from the keyboard, through the host and the package: where the
// focus is, how grid cells are edited, what typing may put in a cell.
#include "platform/data/dataset.h"
#include "qt/render/grid_model.h"
#include "qt/render/grid_view.h"
#include "qt/tests/screen_fixture.h"

#include <QAction>
#include <QLineEdit>
#include <QMenu>
#include <QTabBar>
#include <QTabWidget>
#include <QToolButton>

namespace gsf::qt::test {
namespace {

using data::DataSetState;

class Keyboard : public HostScreen {
protected:
    void click(const std::string& button) { QTest::mouseClick(widget<QToolButton>(button), Qt::LeftButton); }
    data::DataSet& dataSet(const std::string& grid) { return *control<ui::DBGrid>(grid).DataSet(); }
    std::string lastLine() const { return person_.lines().empty() ? std::string() : person_.lines().back(); }
    GridView* gridView(const std::string& name) { return widget<GridView>(name); }
    /// Cancels the record in edit or insert, answering Sim.
    void cancelRecord()
    {
        person_.queueConfirm(true);
        click("sbtCancelar");
    }
};

TEST_F(Keyboard, TheFirstKeyLandsInTheBranchAndTabFollowsTheLayout)
{
    open();
    EXPECT_EQ(modelFocus(), "medCdFilial");
    ASSERT_EQ(focused(), view_->widgetFor("medCdFilial")) << "the first key would go elsewhere";
    key(Qt::Key_End);
    key(Qt::Key_Backspace);
    EXPECT_EQ(control<ui::MaskEdit>("medCdFilial").Text(), "000");
    type(QStringLiteral("1"));
    EXPECT_EQ(control<ui::MaskEdit>("medCdFilial").Text(), "0001");

    // Tab from the client leaves the panel straight into the groups, and
    // every stop on the way is shown where the model has it.
    key(Qt::Key_Tab);
    EXPECT_EQ(modelFocus(), "medCdCliente");
    EXPECT_TRUE(focusAgrees());
    type(QStringLiteral("11222333000181"));
    key(Qt::Key_Tab);
    EXPECT_EQ(modelFocus(), "dbgPadrao");
    EXPECT_TRUE(focusAgrees());
    EXPECT_EQ(dataSet("dbgPadrao").RecordCount(), 3);
    key(Qt::Key_Tab, Qt::ShiftModifier);
    EXPECT_EQ(modelFocus(), "medCdCliente");
    EXPECT_TRUE(focusAgrees());
    // Inside the grid Tab goes from column to column, then on out of it.
    key(Qt::Key_Tab);
    EXPECT_EQ(modelFocus(), "dbgPadrao");
    key(Qt::Key_Tab);
    key(Qt::Key_Tab);
    EXPECT_EQ(control<ui::DBGrid>("dbgPadrao").SelectedIndex(), 2);
    key(Qt::Key_Tab);
    EXPECT_EQ(modelFocus(), "medCdFilial") << "an invisible stop after the grid";
    EXPECT_TRUE(focusAgrees());
    // Arriving by Tab selects the text, so typing replaces it.
    auto* branch = widget<QLineEdit>("medCdFilial");
    EXPECT_EQ(branch->selectedText().trimmed(), QStringLiteral("0001"));
}

TEST_F(Keyboard, WithAFixedBranchTheFirstKeyLandsInTheClient)
{
    host::hostContext().branchFixed = true;
    open();
    EXPECT_EQ(modelFocus(), "medCdCliente");
    EXPECT_TRUE(focusAgrees());
    type(QStringLiteral("11222333000181"));
    EXPECT_EQ(control<ui::MaskEdit>("medCdCliente").Text(), "11222333000181");
    key(Qt::Key_Tab);
    EXPECT_EQ(modelFocus(), "dbgPadrao");
    EXPECT_EQ(dataSet("dbgPadrao").RecordCount(), 3);
}

TEST_F(Keyboard, AfterEveryCommandAndRefusalTheKeysGoWhereTheModelHasTheFocus)
{
    open();
    chooseClient();
    auto* groups = gridView("dbgPadrao");
    // A focused grid looks focused: a frame in the selection colour.
    const QColor frame = groups->viewport()->grab().toImage().pixelColor(1, groups->viewport()->height() / 2);
    EXPECT_EQ(frame, groups->palette().color(QPalette::Highlight));

    click("sbtIncluir");
    EXPECT_EQ(dataSet("dbgPadrao").State(), DataSetState::Insert);
    EXPECT_TRUE(focusAgrees());
    type(QStringLiteral("001"));
    EXPECT_EQ(control<ui::DBGrid>("dbgPadrao").EditorText(), "001");
    key(Qt::Key_Tab);
    EXPECT_EQ(lastLine(), "message \"Grupo de serviço para faturamento já cadastrado.\"");
    EXPECT_EQ(modelFocus(), "dbgPadrao");
    EXPECT_TRUE(focusAgrees()) << "the refusal left the keys elsewhere";
    cancelRecord();
    EXPECT_EQ(dataSet("dbgPadrao").State(), DataSetState::Browse);
    EXPECT_TRUE(focusAgrees());

    click("sbtAlterar");
    EXPECT_TRUE(focusAgrees());
    type(QStringLiteral("Ronda"));
    EXPECT_EQ(control<ui::DBGrid>("dbgPadrao").EditorText(), "Ronda") << "Alterar did not start in the description";
    cancelRecord();

    // Another page by the menu: the focus goes to the tabs, and Incluir
    // takes it into the services.
    auto* tabs = widget<QTabWidget>("pgcPadrao")->tabBar();
    const QImage unfocused = tabs->grab().toImage();
    view_->actionFor("mnuServ")->trigger();
    EXPECT_EQ(modelFocus(), "pgcPadrao");
    EXPECT_TRUE(focusAgrees());
    view_->actionFor("mnuGrupServ")->trigger();
    ASSERT_EQ(page(), "tshPadrao");
    EXPECT_NE(tabs->grab().toImage(), unfocused) << "focused tabs look like unfocused ones";
    view_->actionFor("mnuServ")->trigger();
    click("sbtIncluir");
    EXPECT_EQ(modelFocus(), "dbgServico");
    EXPECT_TRUE(focusAgrees());
    cancelRecord();
}

TEST_F(Keyboard, TabIntoADayMinimumSelectsItsText)
{
    open();
    chooseClient();
    ASSERT_TRUE(ctrlTabTo("tshExcecao"));
    key(Qt::Key_Tab);
    EXPECT_EQ(modelFocus(), "dbeQtEfetDom");
    key(Qt::Key_Tab);
    EXPECT_EQ(modelFocus(), "dbeQtEfetSeg");
    auto* monday = widget<QLineEdit>("dbeQtEfetSeg");
    EXPECT_EQ(monday->selectedText(), monday->text());
    EXPECT_EQ(monday->text(), QStringLiteral("2,000"));
    type(QStringLiteral("1"));
    EXPECT_EQ(control<ui::Edit>("dbeQtEfetSeg").Text(), "1") << "the key was added to 2,000";
    key(Qt::Key_Tab);
    EXPECT_DOUBLE_EQ(dataSet("dbgPadrao").FieldByName("QTEFMINSEGGSF").AsFloat(), 1.0);
    cancelRecord();
}

TEST_F(Keyboard, GridCellsEditInPlaceWithACaret)
{
    open();
    chooseClient();
    auto& grid = control<ui::DBGrid>("dbgPadrao");
    QLineEdit* editor = gridView("dbgPadrao")->cellEditor();
    click("sbtAlterar");
    key(Qt::Key_F2);
    ASSERT_TRUE(editor->isVisible());
    EXPECT_EQ(focused(), editor);
    EXPECT_EQ(editor->text(), QStringLiteral("Vigilância"));
    EXPECT_EQ(editor->cursorPosition(), 10);

    key(Qt::Key_Left);
    key(Qt::Key_Left);
    type(QStringLiteral("X"));
    EXPECT_EQ(editor->text(), QStringLiteral("VigilâncXia"));
    EXPECT_EQ(editor->cursorPosition(), 9);
    key(Qt::Key_Home);
    type(QStringLiteral("A"));
    key(Qt::Key_End);
    type(QStringLiteral("s"));
    EXPECT_EQ(grid.EditorText(), "AVigilâncXias");
    EXPECT_EQ(grid.SelectedIndex(), 1) << "the arrows left the cell";
    EXPECT_EQ(dataSet("dbgPadrao").FieldByName("DSGRSERVFAT").AsString(), "Vigilância");

    key(Qt::Key_Return);
    EXPECT_FALSE(editor->isVisible());
    EXPECT_EQ(dataSet("dbgPadrao").FieldByName("DSGRSERVFAT").AsString(), "AVigilâncXias");
    EXPECT_EQ(dataSet("dbgPadrao").State(), DataSetState::Edit) << "Enter posted the group";
    EXPECT_TRUE(focusAgrees());

    // A key in a closed cell replaces its text; Escape restores the cell.
    type(QStringLiteral("Ronda"));
    EXPECT_EQ(editor->text(), QStringLiteral("Ronda"));
    EXPECT_EQ(editor->cursorPosition(), 5);
    key(Qt::Key_Escape);
    EXPECT_FALSE(editor->isVisible());
    EXPECT_EQ(gridView("dbgPadrao")->model()->index(0, 1).data().toString(), QStringLiteral("AVigilâncXias"));

    // With the editor closed the arrows go from cell to cell.
    key(Qt::Key_Right);
    EXPECT_EQ(grid.SelectedIndex(), 2);
    key(Qt::Key_Home);
    EXPECT_EQ(grid.SelectedIndex(), 0);
    cancelRecord();
    EXPECT_EQ(dataSet("dbgPadrao").FieldByName("DSGRSERVFAT").AsString(), "Vigilância");
}

TEST_F(Keyboard, ServiceCellsTakeDigitsAndTheLookupAndPickListOpenFromTheKeyboard)
{
    open();
    chooseClient();
    ASSERT_TRUE(ctrlTabTo("tshServico"));
    click("sbtIncluir");
    auto& grid = control<ui::DBGrid>("dbgServico");
    ASSERT_EQ(dataSet("dbgServico").State(), DataSetState::Insert);
    type(QStringLiteral("ab1é"));
    EXPECT_EQ(grid.EditorText(), "1") << "the code took letters";
    key(Qt::Key_Backspace);
    EXPECT_EQ(grid.EditorText(), "");

    // Ctrl+Enter presses the cell's look-up button.
    person_.queuePick(5);
    key(Qt::Key_Return, Qt::ControlModifier);
    EXPECT_EQ(person_.pendingAnswers(), 0) << "the look-up did not open";
    EXPECT_EQ(dataSet("dbgServico").FieldByName("CDSERVFILI").AsString(), "00050");
    // The look-up button beside the code leaves the code readable.
    GridView* view = gridView("dbgServico");
    const QRect cell = view->visualRect(view->gridModel().index(grid.CurrentRow(), 0));
    ASSERT_TRUE(view->gridDelegate().showsButton(view->gridModel().index(grid.CurrentRow(), 0)));
    EXPECT_GE(GridDelegate::textRect(cell).width(), view->fontMetrics().horizontalAdvance(QStringLiteral("00050")) + 6);

    key(Qt::Key_Tab);
    key(Qt::Key_Tab);
    ASSERT_EQ(grid.SelectedField()->FieldName(), "IDCORREFET");
    type(QStringLiteral("S"));
    EXPECT_FALSE(grid.HasPendingText()) << "a typed character reached the flag";

    // The list opens on the value shown ("Não": the group's correction
    // service is another one); the arrows move, Enter chooses.
    EXPECT_EQ(grid.EditorText(), "Não");
    QString offered;
    whenPopup([&](QWidget& popup) {
        for (QAction* action : popup.actions())
            offered += action->text() + u'|';
        QTest::keyClick(&popup, Qt::Key_Up);
        QTest::keyClick(&popup, Qt::Key_Return);
    });
    const int row = grid.CurrentRow();
    key(Qt::Key_Down, Qt::AltModifier);
    EXPECT_EQ(offered, QStringLiteral("Sim|Não|"));
    EXPECT_EQ(grid.EditorText(), "Sim");
    EXPECT_EQ(grid.CurrentRow(), row) << "Alt+Down moved the row";
    EXPECT_TRUE(waitFor([&] { return focusAgrees(); })) << "the keys did not come back to the grid";

    whenPopup([](QWidget& popup) {
        QTest::keyClick(&popup, Qt::Key_Down);
        QTest::keyClick(&popup, Qt::Key_Return);
    });
    key(Qt::Key_F4);
    EXPECT_EQ(grid.EditorText(), "Não");
    EXPECT_TRUE(waitFor([&] { return focusAgrees(); }));
    cancelRecord();
}

TEST_F(Keyboard, ConversionMessagesNameTheColumnOrTheDay)
{
    open();
    chooseClient();
    ASSERT_TRUE(ctrlTabTo("tshTabCorr"));
    click("sbtAlterar");
    ASSERT_EQ(modelFocus(), "dbgCorrPrecGrup");
    key(Qt::Key_Right);
    ASSERT_EQ(control<ui::DBGrid>("dbgCorrPrecGrup").SelectedField()->FieldName(), "VRPEFIMGRUP");
    type(QStringLiteral("abc"));
    key(Qt::Key_Tab);
    EXPECT_EQ(lastLine(),
              "message \"\"abc\" não é um valor numérico válido para o campo \"Intervalo Final (Inc.)\".\"");
    cancelRecord();

    key(Qt::Key_Tab, Qt::ControlModifier | Qt::ShiftModifier);
    ASSERT_EQ(page(), "tshExcecao");
    key(Qt::Key_Tab);
    key(Qt::Key_Tab);
    type(QStringLiteral("abc"));
    key(Qt::Key_Tab);
    EXPECT_EQ(lastLine(), "message \"\"abc\" não é um valor numérico válido para o campo \"Segunda-feira\".\"");
    EXPECT_EQ(modelFocus(), "dbeQtEfetSeg");
    EXPECT_EQ(widget<QLineEdit>("dbeQtEfetSeg")->text(), QStringLiteral("abc")) << "the typed text was lost";
    cancelRecord();
}

} // namespace
} // namespace gsf::qt::test
