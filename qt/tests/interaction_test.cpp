#include "platform/data/dataset.h"
#include "qt/render/qt_interaction.h"
#include "qt/tests/qt_test_support.h"

#include <QAbstractButton>
#include <QDialog>
#include <QMessageBox>
#include <QTableWidget>
#include <QTimer>

#include <gtest/gtest.h>

#include <functional>

namespace gsf::qt::test {
namespace {

void clickButton(QWidget& box, const QString& text)
{
    for (auto* button : box.findChildren<QAbstractButton*>())
        if (button->text() == text) {
            button->click();
            return;
        }
    ADD_FAILURE() << "no button " << text.toStdString();
}

class Dialogs : public ::testing::Test {
protected:
    void SetUp() override
    {
        parent_.resize(400, 300);
        parent_.show();
        data::FieldDef code;
        code.name = "CDFILIAL";
        code.size = 4;
        code.label = "Código";
        data::FieldDef name;
        name.name = "NMFILIAL";
        name.size = 40;
        name.label = "Nome";
        branches_.AddField(code);
        branches_.AddField(name);
        source_.SetDataSet(&branches_);
    }
    void load(const std::vector<std::pair<std::string, std::string>>& rows)
    {
        data::Packet packet;
        packet.fields = {{"CDFILIAL", data::FieldType::String, 4}, {"NMFILIAL", data::FieldType::String, 40}};
        for (const auto& [c, n] : rows)
            packet.rows.push_back({c, n});
        branches_.SetData(packet);
    }

    QApplication& app_ = application(); // before any widget
    QWidget parent_;
    QtInteraction dialogs_{&parent_};
    data::DataSet branches_{"cdsFilial"};
    data::DataSource source_{"dtsFilial"};
};

TEST_F(Dialogs, QuestionsAreAnsweredSimOrNao)
{
    QString question;
    whenModal([&](QWidget& box) {
        question = static_cast<QMessageBox&>(box).text();
        clickButton(box, QStringLiteral("Sim"));
    });
    EXPECT_TRUE(dialogs_.confirm("Confirma exclusão?"));
    EXPECT_EQ(question, QStringLiteral("Confirma exclusão?"));

    whenModal([](QWidget& box) { clickButton(box, QStringLiteral("Não")); });
    EXPECT_FALSE(dialogs_.confirm("Confirma exclusão?"));
}

TEST_F(Dialogs, MessageBoxesShowTheirWholeTitle)
{
    // A short text makes a narrow box; its title bar still needs the title
    // and room for the window's icon and close button beside it.
    int width = 0;
    int title = 0;
    const auto measure = [&](QWidget& box) {
        QFont bold = box.font();
        bold.setBold(true);
        title = QFontMetrics(bold).horizontalAdvance(box.windowTitle());
        width = box.width();
    };
    whenModal([&](QWidget& box) {
        measure(box);
        static_cast<QMessageBox&>(box).accept();
    });
    dialogs_.showError("Filial não cadastrada.");
    EXPECT_GE(width, title + 64);
    whenModal([&](QWidget& box) {
        measure(box);
        clickButton(box, QStringLiteral("Não"));
    });
    EXPECT_FALSE(dialogs_.confirm("Excluir?"));
    EXPECT_GE(width, title + 64);
}

TEST_F(Dialogs, PickListChoosesARowOrSaysItIsEmpty)
{
    load({});
    QString shown;
    whenModal([&](QWidget& box) {
        shown = static_cast<QMessageBox&>(box).text();
        static_cast<QMessageBox&>(box).accept();
    });
    EXPECT_FALSE(dialogs_.pickList("Filial", "Não há filial cadastrada.", source_).has_value());
    EXPECT_EQ(shown, QStringLiteral("Não há filial cadastrada."));

    load({{"0001", "Filial Centro"}, {"0002", "Filial Norte"}, {"0003", "Filial Sul"}});
    QString title;
    QString cellText;
    whenModal([&](QWidget& dialog) {
        title = dialog.windowTitle();
        auto* table = dialog.findChild<QTableWidget*>();
        cellText = table->item(1, 1)->text();
        table->setCurrentCell(1, 0);
        static_cast<QDialog&>(dialog).accept();
    });
    EXPECT_EQ(dialogs_.pickList("Filial", "Não há filial cadastrada.", source_), std::optional<int>(2));
    EXPECT_EQ(title, QStringLiteral("Filial"));
    EXPECT_EQ(cellText, QStringLiteral("Filial Norte"));
    EXPECT_EQ(branches_.RecNo(), 2);

    // Closing the list chooses nothing and leaves the dataset where it was.
    whenModal([](QWidget& dialog) { static_cast<QDialog&>(dialog).reject(); });
    EXPECT_FALSE(dialogs_.pickList("Filial", "", source_).has_value());
    EXPECT_EQ(branches_.RecNo(), 2);
}

TEST_F(Dialogs, ProgressIsAVisibleOverlayUntilHidden)
{
    dialogs_.showProgress(0, "Carregando grupos de serviços para faturamento...");
    ASSERT_NE(dialogs_.overlay(), nullptr);
    EXPECT_TRUE(dialogs_.overlay()->isVisible());
    EXPECT_EQ(dialogs_.overlay()->geometry(), parent_.rect());
    EXPECT_EQ(dialogs_.overlay()->caption(), QStringLiteral("Carregando grupos de serviços para faturamento..."));
    dialogs_.hideProgress();
    EXPECT_EQ(dialogs_.overlay(), nullptr);

    dialogs_.setCursor(host::Cursor::Hourglass);
    ASSERT_NE(QApplication::overrideCursor(), nullptr);
    EXPECT_EQ(QApplication::overrideCursor()->shape(), Qt::WaitCursor);
    dialogs_.setCursor(host::Cursor::Default);
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

TEST_F(Dialogs, UnattendedDialogsNeverBlock)
{
    load({{"0001", "Filial Centro"}});
    dialogs_.setUnattended(true);
    dialogs_.showError("Filial não cadastrada.");
    EXPECT_FALSE(dialogs_.confirm("Confirma exclusão?"));
    EXPECT_FALSE(dialogs_.pickList("Filial", "", source_).has_value());
    EXPECT_FALSE(dialogs_.search(branches_));
}

} // namespace
} // namespace gsf::qt::test
