// grupservfat-server --check on a database holding each broken correction shape.

#include "server/tests/command_run.h"
#include "server/tests/guards_test_support.h"

#include <gmock/gmock.h>

namespace {

using gsf::server::testing::CommandRun;
using ::testing::HasSubstr;
using ::testing::Not;

// Runs the server's check on @p target, capturing what it writes on stdout.
CommandRun check(gsf::sql::Engine engine, const std::string& target)
{
    return gsf::server::testing::runCommand(std::string(GSF_SERVER_EXE) + " --check " +
                                            (engine == gsf::sql::Engine::PostgreSQL ? "--postgres " : "--sqlite ") +
                                            gsf::server::testing::shellQuoted(target));
}

class CheckCommandTest : public gsf::server::testing::GuardsTest {};

INSTANTIATE_TEST_SUITE_P(Engines, CheckCommandTest, gsf::test::allEngines(), gsf::test::engineTestName);

TEST_P(CheckCommandTest, ListsEveryGroupWithABrokenTableAndExitsWithOne)
{
    const CommandRun sound = check(GetParam(), db_->target());
    EXPECT_EQ(sound.status, 0) << sound.output;
    EXPECT_THAT(sound.output, HasSubstr("Nenhuma tabela de correção"));

    const std::string insert = "INSERT INTO CORRPRECGRUP (CDFILIAL, CDCLIENTE, CDGRSERVFAT, VRPEINICGRUP, VRPEFIMGRUP, "
                               "VRPECORRGRUP) VALUES ";
    seed(insert + "('0001', '000002', '001', 60, 70, 3);"                                     // gap after 50
         + insert + "('0001', '000002', '002', 25, 40, 3);"                                   // overlap with 15-30
         + insert + "('0001', '000003', 'A1', 0, 10, 3), ('0001', '000003', 'A1', 10, 8, 3);" // start above end
         + insert + "('0002', '000001', '001', 40, 100, 3);"                                  // end of 100
         + "UPDATE CORRPRECGRUP SET VRPECORRGRUP = 0 WHERE CDFILIAL = '0003';"                // correction of 0
         + insert + "('0001', '000001', '001', 5, 10, 3);"                                    // first start above 0
         + insert + "('0002', '000001', '002', 0, 10, 100);");                                // correction of 100
    const CommandRun damaged = check(GetParam(), db_->target());
    EXPECT_EQ(damaged.status, 1) << damaged.output;
    const std::string& out = damaged.output;
    EXPECT_THAT(out, HasSubstr("filial 0001, cliente 000002, grupo 001: lacuna entre 50,00% e 60,00%"));
    EXPECT_THAT(out, HasSubstr("filial 0001, cliente 000002, grupo 002: sobreposição entre 25,00% e 30,00%"));
    EXPECT_THAT(out, HasSubstr("filial 0001, cliente 000003, grupo A1: intervalo de 10,00% a 8,00%: fim do intervalo "
                               "não é maior que o início do intervalo"));
    EXPECT_THAT(out, HasSubstr("filial 0002, cliente 000001, grupo 001: intervalo de 40,00% a 100,00%: fim do "
                               "intervalo deve ser menor que 100,00%"));
    EXPECT_THAT(out, HasSubstr("filial 0003, cliente 000001, grupo 001: intervalo de 0,00% a 10,00%: percentual de "
                               "correção deve ser maior que 0,00%"));
    EXPECT_THAT(out, HasSubstr("filial 0001, cliente 000001, grupo 001: lacuna entre 0,00% e 5,00% antes do primeiro "
                               "intervalo"));
    EXPECT_THAT(out, HasSubstr("filial 0002, cliente 000001, grupo 002: intervalo de 0,00% a 10,00%: percentual de "
                               "correção deve ser menor que 100,00%"));
    EXPECT_THAT(out, HasSubstr("7 grupos com a tabela de correção danificada."));
    EXPECT_THAT(out, Not(HasSubstr("grupo 003")));
}

TEST(CheckCommand, AMissingDatabaseIsAnErrorNotAnEmptyDatabase)
{
    const CommandRun missing = check(gsf::sql::Engine::SQLite, "/nonexistent/grupservfat.db");
    EXPECT_EQ(missing.status, 2);
    EXPECT_EQ(missing.output, "");
}

} // namespace
