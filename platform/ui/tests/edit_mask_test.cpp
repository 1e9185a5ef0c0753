#include "platform/ui/ui.h"

#include <gtest/gtest.h>

namespace gsf::ui {
namespace {

const char* const cpf = "000.000.000-00;0;_";
const char* const cnpj = "AA.AAA.AAA\\/AAAA-00;0;_";

TEST(EditMaskTest, ParsesPartsAndPositions)
{
    const EditMask m(cnpj);
    EXPECT_FALSE(m.SaveLiterals());
    EXPECT_EQ(m.Blank(), U'_');
    EXPECT_EQ(m.Length(), 18);
    EXPECT_EQ(m.PlaceCount(), 14);
    EXPECT_EQ(m.Slots()[10].kind, EditMask::Kind::Literal); // the escaped slash
    EXPECT_EQ(m.Slots()[10].ch, U'/');

    const EditMask branch(">aaaa;0; ");
    EXPECT_EQ(branch.Blank(), U' ');
    EXPECT_EQ(branch.Slots()[0].caseMode, EditMask::Case::Upper);
    EXPECT_FALSE(branch.Slots()[0].required);
    EXPECT_TRUE(EditMask("").Empty());
    EXPECT_TRUE(EditMask("99;1;_").SaveLiterals());
}

TEST(EditMaskTest, FormatMaskTextLaysRawValuesIntoTheRegistrationMasks)
{
    EXPECT_EQ(FormatMaskText(cpf, "11144477735"), "111.444.777-35");
    EXPECT_EQ(FormatMaskText(cnpj, "12345678000195"), "12.345.678/0001-95");
    EXPECT_EQ(FormatMaskText(cnpj, "12ABC34501DE35"), "12.ABC.345/01DE-35");
    EXPECT_EQ(FormatMaskText(cpf, "111"), "111.___.___-__");
    EXPECT_EQ(FormatMaskText("", "abc"), "abc");
    // The check digits of a registration number stay digits.
    EXPECT_EQ(FormatMaskText(cnpj, "12ABC34501DEX5"), "12.ABC.345/01DE-5_");
}

TEST(EditMaskTest, FittingForcesCaseSkipsRejectedCharactersAndCutsAtTheMask)
{
    const EditMask branch(">aaaa;0; ");
    EXPECT_EQ(branch.Fit("ab-1"), "AB1 ");
    EXPECT_EQ(branch.TextOf(branch.Fit("ab-1")), "AB1");
    EXPECT_EQ(branch.Fit("abcdef"), "ABCD");
    // Letter places take ASCII only: the server refuses other letters in codes.
    EXPECT_EQ(branch.TextOf(branch.Fit("açb1é")), "AB1");
    EXPECT_EQ(EditMask("LL").Fit("ãx"), "x_");
    EXPECT_EQ(EditMask(">cc").Fit("çã"), "ÇÃ") << "any-character places keep accents";

    const EditMask digits("99999;0; ");
    EXPECT_EQ(digits.TextOf(digits.Fit("1a2b3")), "123");
    EXPECT_EQ(digits.TextOf(digits.Fit("1234567")), "12345");

    const EditMask any("ccc;0; ");
    EXPECT_EQ(any.TextOf(any.Fit("x/y")), "x/y");
    EXPECT_EQ(EditMask("<LL").Fit("AB"), "ab");
    EXPECT_EQ(EditMask("><>LL").Fit("aB"), "aB");
}

TEST(EditMaskTest, TypedLiteralsAreMatchedAndFittingIsStable)
{
    const EditMask m(cpf);
    const std::string shown = m.Fit("111.444.777-35");
    EXPECT_EQ(shown, "111.444.777-35");
    EXPECT_EQ(m.TextOf(shown), "11144477735");
    EXPECT_EQ(m.Fit(shown), shown);
    const std::string partial = m.Fit("1114");
    EXPECT_EQ(m.Fit(partial), partial);
    EXPECT_FALSE(m.IsComplete(partial));
    EXPECT_TRUE(m.IsComplete(shown));
    EXPECT_EQ(EditMask("00:00;1;_").TextOf("12:3_"), "12:3");
}

class MaskEditTest : public ::testing::Test {
protected:
    MaskEditTest() : edit(form.Add<MaskEdit>(form, "medCdCliente"))
    {
        edit.OnChange = [this](Control&) { ++changes; };
    }
    Form form{"frmTest"};
    MaskEdit& edit;
    int changes = 0;
};

TEST_F(MaskEditTest, SettingAndRemovingTheRegistrationMasksKeepsEveryCharacter)
{
    edit.SetText("11144477735");
    changes = 0;
    edit.SetEditMask(cpf);
    EXPECT_EQ(edit.EditText(), "111.444.777-35");
    EXPECT_EQ(edit.Text(), "11144477735");
    EXPECT_EQ(changes, 1) << "the reformatted text is a change";

    edit.SetEditMask("");
    EXPECT_EQ(edit.EditText(), "11144477735");
    EXPECT_EQ(changes, 2);

    edit.SetText("12ABC34501DE35");
    edit.SetEditMask(cnpj);
    EXPECT_EQ(edit.EditText(), "12.ABC.345/01DE-35");
    EXPECT_EQ(edit.Text(), "12ABC34501DE35");
    edit.SetEditMask(cpf); // letters do not fit a CPF: dropped, digits kept in order
    EXPECT_EQ(edit.Text(), "123450135");
    edit.SetEditMask("");
    EXPECT_EQ(edit.Text(), "123450135");
}

TEST_F(MaskEditTest, SettingTheSameMaskOrTextAgainIsNoChange)
{
    edit.SetEditMask(">aaaa;0; ");
    edit.SetText("ab");
    EXPECT_EQ(edit.EditText(), "AB  ");
    changes = 0;
    edit.SetText("AB");
    edit.SetEditMask(">aaaa;0; ");
    EXPECT_EQ(changes, 0);
    edit.SetEditMask("");
    EXPECT_EQ(edit.Text(), "AB");
    EXPECT_EQ(changes, 1);
}

TEST_F(MaskEditTest, TypingFitsTheMaskAndKeysAppend)
{
    edit.SetEditMask(">aaaa;0; ");
    form.SetFocus(edit);
    EXPECT_TRUE(edit.TypeText("x1-yz9"));
    EXPECT_EQ(edit.Text(), "X1YZ");
    EXPECT_TRUE(edit.Modified());
    edit.SetText("");
    form.KeyPress(U'a');
    form.KeyPress(U'-');
    form.KeyPress(U'b');
    EXPECT_EQ(edit.Text(), "AB");
    form.KeyPress(U'\b');
    EXPECT_EQ(edit.Text(), "A");
}

} // namespace
} // namespace gsf::ui
