#include "platform/host/routines.h"

#include <gtest/gtest.h>

using namespace gsf::host;

namespace {

TEST(Routines, EmptyStringIsTrueForBlankTextOnly)
{
    EXPECT_TRUE(EmptyString(""));
    EXPECT_TRUE(EmptyString("   "));
    EXPECT_TRUE(EmptyString(" \t\r\n"));
    EXPECT_FALSE(EmptyString(" 0 "));
    EXPECT_FALSE(EmptyString("_"));
}

TEST(Routines, AjustaPadsShortCodesAndKeepsLongOnes)
{
    EXPECT_EQ(Ajusta("1", 4), "0001");
    EXPECT_EQ(Ajusta("12", 5), "00012");
    EXPECT_EQ(Ajusta(" 12 ", 4), "0012") << "blanks are trimmed before padding";
    EXPECT_EQ(Ajusta("AB", 4), "00AB");
    EXPECT_EQ(Ajusta("0001", 4), "0001");
    EXPECT_EQ(Ajusta("123456", 4), "123456") << "a longer code is never cut";
    EXPECT_EQ(Ajusta("", 4), "");
    EXPECT_EQ(Ajusta("    ", 4), "") << "a blank code stays empty, it is not 0000";
    EXPECT_EQ(Ajusta("ÃB", 4), "00ÃB") << "width counts characters, not bytes";
    EXPECT_EQ(Ajusta("7", 0), "7");
}

TEST(Routines, AjustaInscricaoKeepsLettersAndDigits)
{
    std::string cpf = " 123.456.789-09 ";
    Ajusta_Inscricao(cpf);
    EXPECT_EQ(cpf, "12345678909");

    std::string cnpj = "12.345.678/0001-95";
    Ajusta_Inscricao(cnpj);
    EXPECT_EQ(cnpj, "12345678000195");

    std::string alphanumeric = "12.abc.3d5/00e1-35";
    Ajusta_Inscricao(alphanumeric);
    EXPECT_EQ(alphanumeric, "12ABC3D500E135");

    std::string noise = "ç_/é ";
    Ajusta_Inscricao(noise);
    EXPECT_EQ(noise, "") << "non-ASCII letters and symbols are dropped";
}

TEST(Routines, PictPessGivesTheMaskOfThePersonType)
{
    EXPECT_EQ(PictPess("F"), "000.000.000-00;0;_");
    EXPECT_EQ(PictPess("J"), "AA.AAA.AAA\\/AAAA-00;0;_");
    EXPECT_EQ(PictPess(""), "");
    EXPECT_EQ(PictPess("X"), "");
    EXPECT_EQ(PictPess("f"), "") << "person types are stored upper-case";
}

} // namespace
