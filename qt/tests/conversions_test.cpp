#include "platform/ui/edit_mask.h"
#include "qt/render/conversions.h"
#include "qt/tests/qt_test_support.h"

#include <QKeyEvent>
#include <QLineEdit>

#include <gtest/gtest.h>

namespace gsf::qt {
namespace {

TEST(InputMask, PlacesKeepTheirMeaningInQt)
{
    // '0' and '9' swap meaning between the two mask languages.
    EXPECT_EQ(qtInputMask(ui::EditMask("000.000.000-00;0;_")), QStringLiteral("999.999.999-99;_"));
    EXPECT_EQ(qtInputMask(ui::EditMask("99/99;1;_")), QStringLiteral("00/00;_"));
    EXPECT_EQ(qtInputMask(ui::EditMask(">aaaa;0; ")), QStringLiteral(">nnnn; "));
    EXPECT_EQ(qtInputMask(ui::EditMask("LlAaCc;1;*")), QStringLiteral("AaNnXx;*"));
    // Case marks appear where the case changes; Qt's own mask letters as literals are escaped.
    EXPECT_EQ(qtInputMask(ui::EditMask(">L<l<>c;1;_")), QStringLiteral(">A<a!x;_"));
    EXPECT_EQ(qtInputMask(ui::EditMask("\\A-0;1;_")), QStringLiteral("\\A-9;_"));
    EXPECT_TRUE(qtInputMask(ui::EditMask("")).isEmpty());
}

TEST(InputMask, LineEditShowsTheModelsEditText)
{
    test::application();
    // The renderer mirrors the model's edit text (blanks included) into the
    // masked box and sends the shown text back: both must survive the trip.
    const ui::EditMask branch(">aaaa;0; ");
    QLineEdit line;
    line.setInputMask(qtInputMask(branch));
    const std::string editText = branch.Fit("00");
    line.setText(QString::fromStdString(editText));
    EXPECT_EQ(line.displayText().toStdString(), editText);
    EXPECT_EQ(branch.Fit(line.displayText().toStdString()), editText);

    const ui::EditMask cpf("000.000.000-00;0;_");
    line.setInputMask(qtInputMask(cpf));
    const std::string full = cpf.FitValue("52998224725");
    line.setText(QString::fromStdString(full));
    EXPECT_EQ(line.displayText().toStdString(), full);
    EXPECT_EQ(cpf.TextOf(line.displayText().toStdString()), "52998224725");
}

TEST(ModelKeys, QtKeysBecomeVirtualKeys)
{
    const QKeyEvent f12(QEvent::KeyPress, Qt::Key_F12, Qt::ControlModifier);
    EXPECT_EQ(modelKey(f12).key, ui::VK_F12);
    EXPECT_TRUE(modelKey(f12).shift.Has(ui::ShiftState::Ctrl));

    const QKeyEvent backtab(QEvent::KeyPress, Qt::Key_Backtab, Qt::ShiftModifier);
    EXPECT_EQ(modelKey(backtab).key, ui::VK_TAB);
    EXPECT_TRUE(modelKey(backtab).shift.Has(ui::ShiftState::Shift));

    EXPECT_EQ(modelKey(QKeyEvent(QEvent::KeyPress, Qt::Key_Enter, Qt::KeypadModifier)).key, ui::VK_RETURN);
    EXPECT_EQ(modelKey(QKeyEvent(QEvent::KeyPress, Qt::Key_Q, Qt::NoModifier)).key, 'Q');
    EXPECT_EQ(modelKey(QKeyEvent(QEvent::KeyPress, Qt::Key_Delete, Qt::NoModifier)).key, ui::VK_DELETE);
    EXPECT_EQ(modelKey(QKeyEvent(QEvent::KeyPress, Qt::Key_Eacute, Qt::NoModifier)).key, 0);

    // Tab and the function keys belong to the model; editing keys to the box.
    EXPECT_TRUE(modelOnlyKey(ui::VK_TAB));
    EXPECT_TRUE(modelOnlyKey(ui::VK_F12));
    EXPECT_FALSE(modelOnlyKey(ui::VK_BACK));
    EXPECT_FALSE(modelOnlyKey(ui::VK_LEFT));
    EXPECT_FALSE(modelOnlyKey('A'));
}

} // namespace
} // namespace gsf::qt
