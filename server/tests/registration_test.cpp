#include "server/registration.h"

#include <gtest/gtest.h>

namespace {

using gsf::server::registrationProblem;
using gsf::server::validCnpj;
using gsf::server::validCpf;

TEST(Registration, CpfCheckDigits)
{
    EXPECT_TRUE(validCpf("52998224725"));
    EXPECT_TRUE(validCpf("12345678909"));
    EXPECT_FALSE(validCpf("52998224715")); // first check digit wrong
    EXPECT_FALSE(validCpf("52998224726")); // second check digit wrong
    EXPECT_FALSE(validCpf("11111111111")); // passes the sums, but is no CPF
    EXPECT_FALSE(validCpf("5299822472"));
    EXPECT_FALSE(validCpf("5299822472A"));
}

TEST(Registration, NumericAndAlphanumericCnpj)
{
    EXPECT_TRUE(validCnpj("11222333000181"));
    EXPECT_TRUE(validCnpj("12ABC34501DE35"));
    EXPECT_TRUE(validCnpj("A1B2C3D4000193"));
    EXPECT_FALSE(validCnpj("12ABC34501DE53"));
    EXPECT_FALSE(validCnpj("12abc34501de35")); // letters are stored in upper case
    EXPECT_FALSE(validCnpj("12ABC34501DEA5")); // check digits stay digits
    EXPECT_FALSE(validCnpj("00000000000000"));
    EXPECT_FALSE(validCnpj("1122233300018"));
}

TEST(Registration, PersonTypeChoosesTheRule)
{
    EXPECT_EQ(registrationProblem("52998224725", "F"), "");
    EXPECT_NE(registrationProblem("52998224725", "J"), "");
    EXPECT_NE(registrationProblem("11222333000181", "F"), "");
    EXPECT_NE(registrationProblem("11222333000181", "X"), "");
}

} // namespace
