// The screen's window as a clerk sees it through the host: readable titles,
// widths that stay, every command in view, the group named below the pages,
// the highlight on the current record, searching and closing.
#include "platform/data/dataset.h"
#include "qt/render/grid_model.h"
#include "qt/render/grid_view.h"
#include "qt/render/qt_interaction.h"
#include "qt/tests/screen_fixture.h"

#include <QAction>
#include <QComboBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenuBar>
#include <QToolButton>

#include <cmath>

namespace gsf::qt::test {
namespace {

const char* const commands[] = {"sbtIncluir",   "sbtAlterar",  "sbtExcluir",  "sbtProcurar",
                                "sbtVerificar", "sbtImprimir", "sbtCancelar", "sbtConfirmar"};

class Window : public HostScreen {
protected:
    void click(const std::string& button) { QTest::mouseClick(widget<QToolButton>(button), Qt::LeftButton); }
    GridView* gridView(const std::string& name) { return widget<GridView>(name); }
    std::string field(const std::string& grid, const std::string& name)
    {
        return control<ui::DBGrid>(grid).DataSet()->FieldByName(name).AsString();
    }
    std::string lastLine() const { return person_.lines().empty() ? std::string() : person_.lines().back(); }
    /// The two colours differ by no more than the shading of a style's selection.
    static bool near(const QColor& a, const QColor& b)
    {
        return std::abs(a.red() - b.red()) + std::abs(a.green() - b.green()) + std::abs(a.blue() - b.blue()) < 24;
    }
    /// Colour of a cell's background, just inside its top left corner.
    static QColor background(GridView& view, int row, int column)
    {
        const QRect cell = view.visualRect(view.gridModel().index(row, column));
        return view.viewport()->grab().toImage().pixelColor(cell.topLeft() + QPoint(3, 3));
    }
};

TEST_F(Window, ColumnsFitTheirTitlesScaleWithTheFontAndKeepTheClerksWidths)
{
    open();
    chooseClient();
    for (const char* name : {"dbgPadrao", "dbgServico", "dbgCorrPrecGrup"}) {
        GridView* view = gridView(name);
        ASSERT_NE(view, nullptr) << name;
        // The pages of the other grids need not be in front: sizes hold anyway.
        for (int c = 0; c < view->model()->columnCount(); ++c) {
            const ui::Column& column = *view->gridModel().columnAt(c);
            EXPECT_LE(view->horizontalHeader()->sectionSizeHint(c), view->columnWidth(c))
                << name << ": title \"" << column.DisplayTitle() << "\" is cut";
            EXPECT_GE(view->columnWidth(c), std::lround(column.Width() * view->widthScale())) << name << " " << c;
        }
    }
    GridView* groups = gridView("dbgPadrao");
    EXPECT_GT(groups->widthScale(), 1.0) << "the font in use is no wider than the layout's";
    EXPECT_EQ(groups->columnWidth(1), std::lround(202 * groups->widthScale()));

    // The clerk drags the border of "Descrição"; the width stays on another
    // row and after a visit of the other pages.
    QHeaderView* header = groups->horizontalHeader();
    const int before = groups->columnWidth(1);
    const QPoint border(header->sectionViewportPosition(1) + header->sectionSize(1) - 1, header->height() / 2);
    QTest::mousePress(header->viewport(), Qt::LeftButton, {}, border);
    QTest::mouseMove(header->viewport(), border + QPoint(30, 0));
    QTest::mouseRelease(header->viewport(), Qt::LeftButton, {}, border + QPoint(30, 0));
    const int dragged = groups->columnWidth(1);
    EXPECT_GE(dragged, before + 20) << "the drag did not widen the column";
    QTest::mouseClick(groups->viewport(), Qt::LeftButton, {},
                      groups->visualRect(groups->model()->index(0, 0)).center());
    key(Qt::Key_Down);
    ASSERT_EQ(control<ui::DBGrid>("dbgPadrao").CurrentRow(), 1);
    EXPECT_EQ(groups->columnWidth(1), dragged) << "a row change reset the width";
    ASSERT_TRUE(ctrlTabTo("tshServico"));
    ASSERT_TRUE(ctrlTabTo("tshPadrao"));
    EXPECT_EQ(groups->columnWidth(1), dragged) << "a page change reset the width";
    save(QStringLiteral("titulos-e-larguras"));
}

TEST_F(Window, EveryCommandStaysInViewAndTheNavigatorNamesTheGroupOnEveryPage)
{
    open();
    QMdiSubWindow* child = window_->mdiArea()->activeSubWindow();
    ASSERT_NE(child, nullptr);
    child->resize(120, 90);
    QTest::qWait(20);
    for (const char* name : commands) {
        auto* button = widget<QToolButton>(name);
        const QRect shown(button->mapTo(child, QPoint(0, 0)), button->size());
        EXPECT_TRUE(child->rect().contains(shown)) << name << " is cut off by a shrunk window";
        EXPECT_LE(button->geometry().right(), button->parentWidget()->contentsRect().right()) << name;
    }
    child->resize(486, 336);
    QTest::qWait(20);

    chooseClient();
    auto* name = widget<QLabel>("dbtNome");
    ASSERT_NE(name, nullptr);
    EXPECT_EQ(name->text(), QStringLiteral("Vigilância"));
    key(Qt::Key_Down);
    EXPECT_EQ(name->text(), QStringLiteral("Limpeza e portaria"));
    for (const char* expected : {"tshServico", "tshExcecao", "tshTabCorr"}) {
        key(Qt::Key_Tab, Qt::ControlModifier);
        ASSERT_EQ(page(), expected);
        EXPECT_TRUE(name->isVisible()) << expected;
        EXPECT_EQ(name->text(), QStringLiteral("Limpeza e portaria")) << expected;
        EXPECT_GE(name->width(), name->fontMetrics().horizontalAdvance(name->text())) << expected;
        save(QString::fromLatin1(expected) + QStringLiteral("-grupo"));
    }
}

TEST_F(Window, AClickOnARowTheCursorCannotReachLeavesTheHighlightOnTheCurrentRecord)
{
    open();
    chooseClient();
    GridView* groups = gridView("dbgPadrao");
    const QColor highlight = groups->palette().color(QPalette::Highlight);
    QTest::mouseClick(groups->viewport(), Qt::LeftButton, {},
                      groups->visualRect(groups->model()->index(1, 1)).center());
    EXPECT_EQ(control<ui::DBGrid>("dbgPadrao").CurrentRow(), 1);
    EXPECT_TRUE(near(background(*groups, 1, 1), highlight));
    EXPECT_FALSE(near(background(*groups, 0, 1), highlight));

    // The correction table keeps the cursor on its last interval.
    ASSERT_TRUE(ctrlTabTo("tshTabCorr"));
    GridView* table = gridView("dbgCorrPrecGrup");
    EXPECT_LE(table->horizontalHeader()->length(), table->viewport()->width())
        << "the correction percentage lies beyond the page";
    auto& grid = control<ui::DBGrid>("dbgCorrPrecGrup");
    const int last = grid.RowCount() - 1;
    ASSERT_EQ(grid.CurrentRow(), last);
    QTest::mouseClick(table->viewport(), Qt::LeftButton, {}, table->visualRect(table->model()->index(0, 1)).center());
    QTest::qWait(10);
    EXPECT_EQ(grid.CurrentRow(), last);
    EXPECT_EQ(table->currentIndex().row(), last);
    EXPECT_FALSE(near(background(*table, 0, 1), highlight)) << "the clicked row looks current";
    EXPECT_TRUE(near(background(*table, last, 1), highlight)) << "the current record does not look current";
    EXPECT_FALSE(near(background(*table, last, 2), table->palette().color(QPalette::Base))) << "its row is not marked";
    EXPECT_TRUE(near(background(*table, 0, 2), table->palette().color(QPalette::Base)));
    save(QStringLiteral("tabela-clique"));
}

TEST_F(Window, ProcurarFindsADescriptionByItsBeginningAndOffersTheSameFieldAgain)
{
    open();
    chooseClient();
    QtInteraction dialogs(window_.get());
    const host::InteractionScope scope(dialogs);

    whenModal([](QWidget& dialog) {
        auto* field = dialog.findChild<QComboBox*>(QStringLiteral("field"));
        field->setCurrentIndex(field->findText(QStringLiteral("Descrição")));
        QTest::keyClicks(dialog.findChild<QLineEdit*>(QStringLiteral("value")), QStringLiteral("limp"));
        QTest::keyClick(&dialog, Qt::Key_Return);
    });
    click("sbtProcurar");
    EXPECT_EQ(field("dbgPadrao", "CDGRSERVFAT"), "002");

    QString offered;
    bool valueFocused = false;
    whenModal([&](QWidget& dialog) {
        offered = dialog.findChild<QComboBox*>(QStringLiteral("field"))->currentText();
        auto* value = dialog.findChild<QLineEdit*>(QStringLiteral("value"));
        valueFocused = dialog.focusWidget() == value;
        QTest::keyClicks(value, QStringLiteral("recepcao"));
        QTest::keyClick(&dialog, Qt::Key_Return);
    });
    click("sbtProcurar");
    EXPECT_EQ(offered, QStringLiteral("Descrição")) << "the field chosen before was forgotten";
    EXPECT_TRUE(valueFocused) << "the value is not where the first key goes";
    EXPECT_EQ(field("dbgPadrao", "CDGRSERVFAT"), "003");
}

TEST_F(Window, ClosingTheHostAsksTheScreenAndARefusalKeepsTheHostOpen)
{
    open();
    chooseClient();
    ASSERT_TRUE(ctrlTabTo("tshServico"));
    // Removing the service that carries the correction leaves a group whose
    // services name none: the screen refuses to close over it.
    ASSERT_EQ(field("dbgServico", "CDSERVFILI"), "00010");
    person_.queueConfirm(true);
    click("sbtExcluir");
    ASSERT_EQ(control<ui::DBGrid>("dbgServico").RowCount(), 1);

    EXPECT_FALSE(window_->close());
    EXPECT_TRUE(window_->isVisible());
    EXPECT_EQ(lastLine(), "message \"Serviço para correção de efetivos deve ser informado.\"");
    EXPECT_FALSE(view_->formIsClosed());
    EXPECT_EQ(page(), "tshServico");

    QAction* quit = nullptr;
    for (QAction* menu : window_->menuBar()->actions())
        for (QAction* entry : menu->menu() != nullptr ? menu->menu()->actions() : QList<QAction*>())
            if (entry->text() == QStringLiteral("&Sair"))
                quit = entry;
    ASSERT_NE(quit, nullptr);
    person_.clearLines();
    quit->trigger();
    EXPECT_TRUE(window_->isVisible());
    EXPECT_EQ(lastLine(), "message \"Serviço para correção de efetivos deve ser informado.\"");
}

TEST_F(Window, ClosingTheHostClosesAScreenThatAgrees)
{
    open();
    chooseClient();
    EXPECT_TRUE(window_->close());
    EXPECT_FALSE(window_->isVisible());
    EXPECT_TRUE(view_->formIsClosed());
}

TEST_F(Window, ClosingTheHostOverAGroupBeingTypedAsksFirstAndNaoKeepsEverything)
{
    open();
    chooseClient();
    click("sbtIncluir");
    data::DataSet& groups = *control<ui::DBGrid>("dbgPadrao").DataSet();
    ASSERT_EQ(groups.State(), data::DataSetState::Insert);
    QTest::keyClicks(QApplication::focusWidget(), "9");

    person_.queueConfirm(false);
    EXPECT_FALSE(window_->close());
    EXPECT_TRUE(window_->isVisible());
    EXPECT_FALSE(view_->formIsClosed());
    EXPECT_EQ(person_.lines().back(), "confirm \"Confirma cancelamento das alterações?\" -> no");
    EXPECT_EQ(groups.State(), data::DataSetState::Insert);

    person_.queueConfirm(true);
    EXPECT_TRUE(window_->close());
    EXPECT_TRUE(view_->formIsClosed());
}

} // namespace
} // namespace gsf::qt::test
