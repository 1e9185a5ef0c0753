#include "platform/sql/general/general_data.h"
#include "tests/support/engine_test.h"

#include <gtest/gtest.h>

namespace {

using gsf::sql::Engine;
using gsf::sql::TADOIBQuery;
using gsf::sql::TdtmDBGeral;

class QueryTest : public gsf::test::EngineTest {
protected:
    void SetUp() override
    {
        EngineTest::SetUp();
        if (IsSkipped())
            return;
        dtm_.Open(db_->target());
        ASSERT_EQ(dtm_.Connection().GetEngine(), GetParam());
        dtm_.Connection().ExecuteScript(
            "CREATE TABLE FILIAL (CDFILIAL VARCHAR(4) NOT NULL PRIMARY KEY, NMFILIAL VARCHAR(30));"
            "INSERT INTO FILIAL VALUES ('0002', 'Filial Norte');"
            "INSERT INTO FILIAL VALUES ('0001', 'Filial Centro');"
            "INSERT INTO FILIAL VALUES ('0003', 'Filial Sul')");
        qryFilial_.SQL = {"SELECT",
                          "   CDFILIAL,",
                          "   NMFILIAL",
                          "FROM",
                          "   FILIAL",
                          "WHERE",
                          "   (CDFILIAL = :P_CDFILIAL OR  :P_TCDFILIAL = 'T')",
                          "ORDER BY",
                          "   CDFILIAL"};
        gsf::data::FieldDef code;
        code.name = "CDFILIAL";
        code.size = 4;
        code.label = "Código";
        code.required = true;
        qryFilial_.AddField(code);
        gsf::data::FieldDef name;
        name.name = "NMFILIAL";
        name.size = 30;
        name.label = "Nome";
        qryFilial_.AddField(name);
    }

    std::vector<std::string> codes()
    {
        std::vector<std::string> out;
        for (qryFilial_.First(); !qryFilial_.Eof(); qryFilial_.Next())
            out.push_back(qryFilial_.FieldByName("CDFILIAL").AsString());
        return out;
    }

    TdtmDBGeral dtm_;
    TADOIBQuery qryFilial_{"qryFilial", &dtm_};
};

INSTANTIATE_TEST_SUITE_P(Engines, QueryTest, gsf::test::allEngines(), gsf::test::engineTestName);

TEST_P(QueryTest, BranchQueryListsAllOrOne)
{
    qryFilial_.SetParamAsString("P_CDFILIAL", "0003");
    qryFilial_.SetParamAsString("P_TCDFILIAL", "T");
    qryFilial_.Open();
    EXPECT_EQ(codes(), (std::vector<std::string>{"0001", "0002", "0003"}));

    qryFilial_.Close();
    qryFilial_.SetParamAsString("P_TCDFILIAL", "F");
    qryFilial_.Open();
    ASSERT_FALSE(qryFilial_.IsEmpty());
    EXPECT_EQ(codes(), (std::vector<std::string>{"0003"}));
    EXPECT_EQ(qryFilial_.FieldByName("NMFILIAL").AsString(), "Filial Sul");

    qryFilial_.Close();
    qryFilial_.SetParamAsString("P_CDFILIAL", "0009");
    qryFilial_.Open();
    EXPECT_TRUE(qryFilial_.IsEmpty());
}

TEST_P(QueryTest, ParametersAreValuesNeverSql)
{
    qryFilial_.SetParamAsString("P_CDFILIAL", "0001' OR '1'='1");
    qryFilial_.SetParamAsString("P_TCDFILIAL", "");
    qryFilial_.Open();
    EXPECT_TRUE(qryFilial_.IsEmpty());
}

TEST_P(QueryTest, ReadOnlyAndMissingParameter)
{
    EXPECT_THROW(qryFilial_.Open(), std::runtime_error); // parameters not set
    qryFilial_.SetParamAsString("P_CDFILIAL", "0001");
    qryFilial_.SetParamAsString("P_TCDFILIAL", "F");
    qryFilial_.Open();
    EXPECT_THROW(qryFilial_.Edit(), std::exception);
    EXPECT_THROW(qryFilial_.Insert(), std::exception);
    EXPECT_THROW(qryFilial_.Delete(), std::exception);
    EXPECT_EQ(qryFilial_.RecordCount(), 1);
    EXPECT_EQ(qryFilial_.FieldByName("CDFILIAL").AsString(), "0001");
}

TEST(ParseSql, PlaceholdersPerEngine)
{
    const auto pg =
        gsf::sql::parseSql("SELECT ':X', a::text FROM t WHERE a = :A OR :B = ? OR c = :a", Engine::PostgreSQL);
    EXPECT_EQ(pg.text, "SELECT ':X', a::text FROM t WHERE a = $1 OR $2 = $3 OR c = $4");
    EXPECT_EQ(pg.names, (std::vector<std::string>{"A", "B", "", "a"}));
    const auto lite = gsf::sql::parseSql("WHERE a = :A AND b = 'it''s :no'", Engine::SQLite);
    EXPECT_EQ(lite.text, "WHERE a = ? AND b = 'it''s :no'");
    EXPECT_EQ(lite.names.size(), 1u);
}

TEST(EngineOf, TargetNamesTheEngine)
{
    EXPECT_EQ(gsf::sql::engineOf("/var/lib/gsf/dados.db"), Engine::SQLite);
    EXPECT_EQ(gsf::sql::engineOf("dados.db"), Engine::SQLite);
    EXPECT_EQ(gsf::sql::engineOf("postgresql://gsf@localhost/gsf"), Engine::PostgreSQL);
    EXPECT_EQ(gsf::sql::engineOf("host=/tmp/pg port=5432 dbname=gsf"), Engine::PostgreSQL);
}

} // namespace
