#include "platform/ui/ui.h"
#include "qt/render/form_view.h"
#include "qt/tests/screen_fixture.h"

#include <QAction>
#include <QHeaderView>
#include <QLineEdit>
#include <QMenuBar>
#include <QSignalSpy>
#include <QTabBar>
#include <QTabWidget>
#include <QTableView>
#include <QTest>
#include <QToolButton>

namespace gsf::qt::test {
namespace {

template <class W>
W* widget(FormView& view, const std::string& name)
{
    auto* found = qobject_cast<W*>(view.widgetFor(name));
    EXPECT_NE(found, nullptr) << name;
    return found;
}

class ScreenView : public ScreenFixture {
protected:
    void SetUp() override
    {
        ScreenFixture::SetUp();
        package_->iniProc();
        form_ = package_->form();
        ASSERT_NE(form_, nullptr);
        view_ = std::make_unique<FormView>(*form_);
        view_->show();
        view_->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(view_.get()));
    }
    void TearDown() override
    {
        view_.reset();
        ScreenFixture::TearDown();
    }

    void clickTab(int index)
    {
        auto* tabs = widget<QTabWidget>(*view_, "pgcPadrao");
        QTest::mouseClick(tabs->tabBar(), Qt::LeftButton, {}, tabs->tabBar()->tabRect(index).center());
    }
    ui::PageControl& pages() const { return *dynamic_cast<ui::PageControl*>(form_->FindControl("pgcPadrao")); }
    QString cell(const std::string& grid, int row, int column)
    {
        return widget<QTableView>(*view_, grid)->model()->index(row, column).data().toString();
    }
    /// Types the client as a person does and clicks into the group grid,
    /// which leaves the filter panel.
    void chooseClient()
    {
        auto* client = widget<QLineEdit>(*view_, "medCdCliente");
        QTest::mouseClick(client, Qt::LeftButton);
        QTest::keyClicks(client, QStringLiteral("11222333000181"));
        auto* grid = widget<QTableView>(*view_, "dbgPadrao");
        QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, QPoint(5, 5));
    }
    void save(const QString& name) { view_->grab().save(screenshotDir().filePath(name + ".png"), "PNG"); }

    ui::Form* form_ = nullptr;
    std::unique_ptr<FormView> view_;
};

TEST_F(ScreenView, PackageDescribesItselfAndOpensOneForm)
{
    const GsfPackageInfo* info = package_->info();
    ASSERT_NE(info, nullptr);
    EXPECT_STREQ(info->packageName, "Cli_Vex04120");
    ASSERT_EQ(info->unitCount, 1);
    EXPECT_STREQ(info->units[0].name, "Cli_Vex04120");
    EXPECT_GT(info->requiredCount, 0);

    // A second opening brings the same window forward.
    QSignalSpy raised(view_.get(), &FormView::raiseRequested);
    package_->iniProc();
    EXPECT_EQ(package_->form(), form_);
    EXPECT_EQ(raised.count(), 1);
    EXPECT_EQ(view_->windowTitle(), QStringLiteral("Grupo de Serviço para Faturamento"));
}

TEST_F(ScreenView, OpeningShowsTheHostBranchAndTheFirstPageOnly)
{
    EXPECT_EQ(widget<QLineEdit>(*view_, "medCdFilial")->displayText(), QStringLiteral("0001"));
    EXPECT_EQ(widget<QLineEdit>(*view_, "edtNmFilial")->text(), QStringLiteral("Filial Centro"));
    EXPECT_FALSE(widget<QLineEdit>(*view_, "edtNmFilial")->isEnabled());
    EXPECT_EQ(QApplication::focusWidget(), view_->widgetFor("medCdFilial"));

    auto* tabs = widget<QTabWidget>(*view_, "pgcPadrao");
    ASSERT_EQ(tabs->count(), 4);
    EXPECT_EQ(tabs->currentIndex(), 0);
    EXPECT_TRUE(tabs->isTabEnabled(0));
    for (int i = 1; i < 4; ++i)
        EXPECT_FALSE(tabs->isTabEnabled(i)) << i;
    EXPECT_EQ(tabs->tabText(2), QStringLiteral("Exceções Dia"));
    EXPECT_TRUE(view_->actionFor("mnuGrupServ")->isChecked());
    EXPECT_FALSE(view_->actionFor("mnuServ")->isEnabled());
    EXPECT_FALSE(view_->actionFor("mnuTabCorr")->isEnabled());
    EXPECT_FALSE(widget<QToolButton>(*view_, "sbtImprimir")->isEnabled());

    // A click on a disabled tab changes nothing.
    clickTab(1);
    EXPECT_EQ(tabs->currentIndex(), 0);
    EXPECT_EQ(pages().ActivePageIndex(), 0);
}

TEST_F(ScreenView, LeavingTheFilterShowsTheGroupsAndOpensThePages)
{
    chooseClient();
    EXPECT_EQ(widget<QLineEdit>(*view_, "edtNmCliente")->text(), QStringLiteral("Comércio Exemplo Ltda"));
    EXPECT_EQ(form_->FocusedControl(), form_->FindControl("dbgPadrao"));

    auto* grid = widget<QTableView>(*view_, "dbgPadrao");
    ASSERT_EQ(grid->model()->rowCount(), 3);
    EXPECT_EQ(grid->model()->headerData(0, Qt::Horizontal).toString().isEmpty(), false);
    EXPECT_EQ(cell("dbgPadrao", 0, 0), QStringLiteral("001"));
    EXPECT_EQ(cell("dbgPadrao", 1, 1), QStringLiteral("Limpeza e portaria"));
    EXPECT_EQ(cell("dbgPadrao", 1, 2), QStringLiteral("1,500"));
    EXPECT_GT(grid->columnWidth(1), grid->columnWidth(0));

    auto* tabs = widget<QTabWidget>(*view_, "pgcPadrao");
    for (int i = 0; i < 4; ++i)
        EXPECT_TRUE(tabs->isTabEnabled(i)) << i;
    EXPECT_TRUE(view_->actionFor("mnuServ")->isEnabled());
    EXPECT_TRUE(widget<QToolButton>(*view_, "sbtIncluir")->isEnabled());
    save(QStringLiteral("tshPadrao"));

    const char* names[] = {"tshPadrao", "tshServico", "tshExcecao", "tshTabCorr"};
    for (int i = 1; i < 4; ++i) {
        clickTab(i);
        EXPECT_EQ(pages().ActivePageIndex(), i);
        EXPECT_EQ(tabs->currentIndex(), i);
        save(QString::fromLatin1(names[i]));
    }
    // The services of group 001 and its correction table, in pt-BR formats.
    auto* services = widget<QTableView>(*view_, "dbgServico");
    EXPECT_EQ(services->model()->rowCount(), 2);
    EXPECT_EQ(cell("dbgServico", 0, 0), QStringLiteral("00010"));
    auto* intervals = widget<QTableView>(*view_, "dbgCorrPrecGrup");
    ASSERT_EQ(intervals->model()->rowCount(), 3);
    EXPECT_EQ(intervals->model()->headerData(0, Qt::Horizontal).toString(), QStringLiteral("Intervalo Inicial (Exc.)"));
    EXPECT_TRUE(cell("dbgCorrPrecGrup", 1, 2).startsWith(QStringLiteral("8,")));
    EXPECT_TRUE(view_->actionFor("mnuTabCorr")->isChecked());
    EXPECT_FALSE(view_->actionFor("mnuGrupServ")->isChecked());

    // The menu entry goes through the model too.
    view_->actionFor("mnuGrupServ")->trigger();
    EXPECT_EQ(pages().ActivePageIndex(), 0);
    EXPECT_EQ(tabs->currentIndex(), 0);
}

TEST_F(ScreenView, KeysAndButtonsReachTheModel)
{
    chooseClient();
    auto* grid = widget<QTableView>(*view_, "dbgPadrao");
    ASSERT_EQ(QApplication::focusWidget(), grid);

    // Down moves the dataset; the view's current row follows.
    QTest::keyClick(grid, Qt::Key_Down);
    EXPECT_EQ(grid->currentIndex().row(), 1);
    EXPECT_EQ(dynamic_cast<ui::DBGrid*>(form_->FindControl("dbgPadrao"))->CurrentRow(), 1);

    // Include: the dataset goes into insert, confirm and cancel light up.
    QTest::mouseClick(widget<QToolButton>(*view_, "sbtIncluir"), Qt::LeftButton);
    EXPECT_EQ(grid->model()->rowCount(), 4);
    EXPECT_TRUE(widget<QToolButton>(*view_, "sbtConfirmar")->isEnabled());
    EXPECT_FALSE(widget<QToolButton>(*view_, "sbtIncluir")->isEnabled());

    // F12 is ignored while inserting; typed characters go into the cell.
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_F12);
    EXPECT_EQ(QApplication::focusWidget(), grid);
    // Each key to the focus: the cell's editor takes it from the first one on.
    QTest::keyClick(QApplication::focusWidget(), '9');
    QTest::keyClick(QApplication::focusWidget(), 'Z', Qt::ShiftModifier);
    EXPECT_EQ(grid->currentIndex().data().toString(), QStringLiteral("9Z"));

    person_.queueConfirm(true);
    QTest::mouseClick(widget<QToolButton>(*view_, "sbtCancelar"), Qt::LeftButton);
    EXPECT_EQ(person_.pendingAnswers(), 0);
    EXPECT_EQ(grid->model()->rowCount(), 3);

    // In browse, F12 sends the focus to the branch code (the branch is free).
    QTest::keyClick(grid, Qt::Key_F12);
    EXPECT_EQ(QApplication::focusWidget(), view_->widgetFor("medCdFilial"));
    EXPECT_EQ(form_->FocusedControl(), form_->FindControl("medCdFilial"));
}

TEST_F(ScreenView, RefusedFilterKeepsTheFocusAndReportsIt)
{
    // Leaving the filter with a blank client: the model says why and keeps the focus.
    QTest::mouseClick(widget<QTableView>(*view_, "dbgPadrao")->viewport(), Qt::LeftButton, {}, QPoint(5, 5));
    ASSERT_FALSE(person_.lines().empty());
    EXPECT_EQ(person_.lines().back(), "message \"Cliente deve ser informado.\"");
    EXPECT_NE(form_->FocusedControl(), form_->FindControl("dbgPadrao"));
    EXPECT_EQ(QApplication::focusWidget(), view_->widgetFor(*form_->FocusedControl()));

    // A typed lower-case branch is shown as the mask forces it.
    auto* branch = widget<QLineEdit>(*view_, "medCdFilial");
    QTest::mouseClick(branch, Qt::LeftButton);
    branch->selectAll();
    QTest::keyClick(branch, Qt::Key_Delete);
    EXPECT_EQ(dynamic_cast<ui::MaskEdit*>(form_->FindControl("medCdFilial"))->Text(), "");
    QTest::keyClicks(branch, QStringLiteral("ab"));
    EXPECT_EQ(dynamic_cast<ui::MaskEdit*>(form_->FindControl("medCdFilial"))->Text(), "AB");
    EXPECT_TRUE(branch->displayText().startsWith(QStringLiteral("AB")));
}

TEST_F(ScreenView, ClosingTheModelFormClosesTheView)
{
    QSignalSpy closed(view_.get(), &FormView::formClosed);
    EXPECT_TRUE(view_->requestClose());
    EXPECT_TRUE(closed.wait(2000));
    EXPECT_TRUE(view_->formIsClosed());
    // The next opening creates a new form, starting again on the first page.
    package_->iniProc();
    ASSERT_NE(package_->form(), nullptr);
    FormView again(*package_->form());
    EXPECT_FALSE(qobject_cast<QTabWidget*>(again.widgetFor("pgcPadrao"))->isTabEnabled(1));
}

} // namespace
} // namespace gsf::qt::test
