#include "platform/ui/ui.h"

#include <gtest/gtest.h>

namespace gsf::ui {
namespace {

class EditTest : public ::testing::Test {
protected:
    EditTest() : edit(form.Add<Edit>(form, "edtNmFilial"))
    {
        edit.OnChange = [this](Control&) { ++changes; };
    }
    Form form{"frmTest"};
    Edit& edit;
    int changes = 0;
};

TEST_F(EditTest, ChangeFiresOnlyWhenTheTextReallyChanges)
{
    edit.SetText("Matriz");
    EXPECT_EQ(changes, 1);
    edit.SetText("Matriz");
    EXPECT_EQ(changes, 1) << "the same text written again raised a change";
    form.SetFocus(edit);
    EXPECT_TRUE(edit.TypeText("Matriz"));
    EXPECT_EQ(changes, 1) << "retyping the same text raised a change";
    EXPECT_TRUE(edit.TypeText("Filial"));
    EXPECT_EQ(changes, 2);
    edit.SetText("");
    edit.SetText("");
    EXPECT_EQ(changes, 3);
}

TEST_F(EditTest, MaxLengthLimitsThePersonNotTheProgramAndCountsCharacters)
{
    edit.SetMaxLength(4);
    EXPECT_TRUE(edit.TypeText("Mínimo"));
    EXPECT_EQ(edit.Text(), "Míni");
    edit.SetText("Mínimo");
    EXPECT_EQ(edit.Text(), "Mínimo");
    edit.SetText("");
    form.SetFocus(edit);
    for (char32_t ch : std::u32string(U"çãoab"))
        form.KeyPress(ch);
    EXPECT_EQ(edit.Text(), "çãoa");
}

TEST_F(EditTest, PastedControlCharactersAreDroppedAndMasksTakeAsciiLettersOnly)
{
    form.SetFocus(edit);
    EXPECT_TRUE(edit.TypeText("Limpeza\tgeral\r\n"));
    EXPECT_EQ(edit.Text(), "Limpezageral");
    EXPECT_FALSE(edit.TypeText("\t")) << "only a control character was typed";
    EXPECT_EQ(edit.Text(), "Limpezageral");

    auto& branch = form.Add<MaskEdit>(form, "medCdFilial");
    branch.SetEditMask(">aaaa;0; ");
    form.SetFocus(branch);
    EXPECT_TRUE(branch.TypeText("sé\t1x"));
    EXPECT_EQ(branch.Text(), "S1X");
    for (char32_t ch : std::u32string(U"ãb"))
        form.KeyPress(ch);
    EXPECT_EQ(branch.Text(), "S1XB");
}

TEST_F(EditTest, ReadOnlyOrDisabledEditsRefuseTyping)
{
    edit.SetText("x");
    edit.SetReadOnly(true);
    EXPECT_FALSE(edit.TypeText("y"));
    edit.SetReadOnly(false);
    edit.SetEnabled(false);
    EXPECT_FALSE(edit.TypeText("y"));
    EXPECT_EQ(edit.Text(), "x");
    EXPECT_EQ(changes, 1);
}

TEST_F(EditTest, KeyPressHandlersCanSwallowTypedCharacters)
{
    edit.OnKeyPress = [](Control&, char32_t& ch) {
        if (ch == U'x')
            ch = 0;
    };
    EXPECT_TRUE(edit.TypeText("axbx"));
    EXPECT_EQ(edit.Text(), "ab");
    EXPECT_FALSE(edit.TypeText("xx")) << "every key swallowed, yet the text changed";
    EXPECT_EQ(edit.Text(), "ab");

    form.SetKeyPreview(true);
    form.OnKeyPress = [](Control&, char32_t& ch) {
        if (ch == U'a')
            ch = 0;
    };
    EXPECT_TRUE(edit.TypeText("abc"));
    EXPECT_EQ(edit.Text(), "bc");
}

} // namespace
} // namespace gsf::ui
