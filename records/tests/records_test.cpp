#include "records/records.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cmath>

namespace gsf::records {
namespace {

using ::testing::HasSubstr;

TEST(FieldRules, CharactersAndLengthFollowTheScreensMasks)
{
    // Branch: the mask's letters (ASCII only) and digits, four at most.
    EXPECT_EQ(textProblem(branchField(), "0001"), "");
    EXPECT_EQ(textProblem(branchField(), "CA01"), "");
    EXPECT_EQ(textProblem(branchField(), "ÇA01"), "use apenas letras, dígitos e espaços.");
    EXPECT_EQ(textProblem(branchField(), ""), "");
    EXPECT_EQ(textProblem(branchField(), "00-1"), "use apenas letras, dígitos e espaços.");
    EXPECT_EQ(textProblem(branchField(), "00001"), "no máximo 4 caracteres.");
    // Service: digits only; a letter or a sign is refused.
    EXPECT_EQ(textProblem(serviceField(), "00010"), "");
    EXPECT_EQ(textProblem(serviceField(), "0001A"), "use apenas dígitos e espaços.");
    EXPECT_EQ(textProblem(registrationField(), "12ABC34501DE35"), "");
    EXPECT_EQ(textProblem(registrationField(), "529.982.247-25"), "use apenas letras e dígitos.");
    // Group and client codes take any printable character, and sizes count
    // characters, not bytes.
    EXPECT_EQ(textProblem(groupField(), "%_'"), "");
    EXPECT_EQ(textProblem(groupField(), "ção"), "");
    EXPECT_EQ(textProblem(groupField(), "ções"), "no máximo 3 caracteres.");
    EXPECT_EQ(textProblem(*cliente().find("IDTPIJURCLIE"), "FJ"), "no máximo 1 caractere.");
}

TEST(FieldRules, CodeFieldsGiveTheMasksTheScreenTypesThemWith)
{
    EXPECT_EQ(editMask(groupField()), "ccc;0; ");
    EXPECT_EQ(editMask(serviceField()), "99999;0; ");
    EXPECT_EQ(editMask(branchField()), ">aaaa;0; ");
    EXPECT_EQ(editMask(registrationField()), std::string(20, 'a') + ";0; ");
}

TEST(FieldRules, ControlCharactersAndBrokenUtf8AreRefusedInEveryText)
{
    const Field& description = *grupServ().find("DSGRSERVFAT");
    for (const std::string& bad : {std::string("a\0b", 3), std::string("a\tb"), std::string("a\x7f"),
                                  std::string("a\xc2\x85")})
        EXPECT_EQ(textProblem(description, bad), "caracteres de controle não são permitidos.") << bad;
    for (const char* bad : {"\xff", "\xc3", "\xe0\x80\x80", "\xed\xa0\x80", "\xf4\x90\x80\x80"})
        EXPECT_EQ(textProblem(description, bad), "texto com codificação inválida (UTF-8).");
    EXPECT_TRUE(isCleanText("Vigilância 24h"));
    EXPECT_FALSE(isCleanText(std::string("001\0x", 5)));
    EXPECT_EQ(utf8Length("Não"), 3);
    EXPECT_EQ(utf8Length("\xc3"), -1);
}

TEST(FieldRules, RangesAndChoicesOfTheEditedTables)
{
    const Field& daily = *grupServ().find("QTEFETMINIGSF");
    EXPECT_EQ(rangeProblem(daily, 0), "");
    EXPECT_EQ(rangeProblem(daily, 99999.999), "");
    EXPECT_EQ(rangeProblem(daily, -0.001), "deve ser maior ou igual a 0,000.");
    EXPECT_EQ(rangeProblem(daily, 1e308), "deve ser menor ou igual a 99.999,999.");
    const Field& end = *corrPrecGrup().find("VRPEFIMGRUP");
    EXPECT_EQ(rangeProblem(end, 0), "deve ser maior que 0,00%.");
    EXPECT_EQ(rangeProblem(end, 100), "deve ser menor que 100,00%.");
    EXPECT_EQ(rangeProblem(end, 99.99), "");
    EXPECT_EQ(rangeProblem(*corrPrecGrup().find("VRPEINICGRUP"), 0), "");

    const Field& flag = *servClie().find("IDCORREFET");
    for (const char* ok : {"Sim", "Não", "S", "s", "", "   "})
        EXPECT_EQ(choiceProblem(flag, ok), "") << ok;
    for (const char* bad : {"SIM", "Sim ", "N", "x"})
        EXPECT_THAT(choiceProblem(flag, bad), HasSubstr("aceita apenas vazio")) << bad;
}

} // namespace
} // namespace gsf::records
