// The correction table as the server keeps it: every shape the screen can
// build is accepted, every broken one refused where the change touches it.

#include "server/arguments.h"
#include "server/tests/guards_test_support.h"
#include "server/tests/storage_test_support.h"

#include <gmock/gmock.h>

namespace {

using gsf::data::ChangeKind;
using gsf::data::Packet;
using gsf::data::Value;
using gsf::server::ServiceError;
using namespace gsf::server::testing;
using ::testing::HasSubstr;

const Value none;

class CorrectionGuardTest : public GuardsTest {
protected:
    Packet table(const std::string& group) { return storage_->GetCorrPrecGrup("0001", "000002", group); }

    // The start the screen gives a new interval: the largest end, read as a
    // number (empty reads 0), or no start at all for the first interval.
    Value nextStart(const std::string& group)
    {
        const Packet largest = storage_->GetIntervMaior("0001", "000002", group);
        if (largest.rows.empty())
            return none;
        const Value& end = largest.rows[0][0];
        return gsf::data::isNull(end) ? Value(0.0) : end;
    }

    // The screen's roads: each change is one delta, sent at once.
    void add(const std::string& group, Value end, double correction)
    {
        const Packet t = table(group);
        storage_->UpdCorrPrecGrup(deltaOf(t, ChangeKind::Insert, {},
                                          {"0001", "000002", nextStart(group), std::move(end), correction, group}));
    }
    void alterLast(const std::string& group, Value end, double correction)
    {
        const Packet t = table(group);
        auto now = t.rows.back();
        now[3] = std::move(end);
        now[4] = correction;
        storage_->UpdCorrPrecGrup(deltaOf(t, ChangeKind::Update, t.rows.back(), now));
    }
    void deleteLast(const std::string& group)
    {
        const Packet t = table(group);
        storage_->UpdCorrPrecGrup(deltaOf(t, ChangeKind::Delete, t.rows.back(), {}));
    }

    void expectSound()
    {
        auto db = gsf::sql::openDatabase(db_->target());
        const auto damaged = gsf::server::findDamagedCorrectionTables(*db);
        EXPECT_TRUE(damaged.empty()) << (damaged.empty() ? "" : damaged[0].group + ": " + damaged[0].problems[0]);
    }

    // The refusal of @p change, checked to leave the database as it was.
    template <typename F>
    std::string refused(F change)
    {
        const std::string before = snapshot();
        try {
            change();
        } catch (const ServiceError& e) {
            EXPECT_EQ(e.Status(), 422) << e.what();
            EXPECT_EQ(snapshot(), before);
            return e.what();
        }
        return "accepted";
    }
};

INSTANTIATE_TEST_SUITE_P(Engines, CorrectionGuardTest, gsf::test::allEngines(), gsf::test::engineTestName);

TEST_P(CorrectionGuardTest, EveryTableTheScreensRoadsBuildIsAccepted)
{
    // A group without a table: the first interval has no start, and may have no end either.
    add("003", none, 3.0);
    add("003", 10.0, 5.0); // starts at 0: the largest end was empty
    add("003", 20.5, 6.0);
    alterLast("003", 30.0, 6.5);
    add("003", 99.99, 9.0);
    deleteLast("003");
    deleteLast("003");
    add("003", 45.0, 7.0);
    expectSound();
    const Packet built = table("003");
    ASSERT_EQ(built.rows.size(), 3u);
    EXPECT_EQ(std::get<double>(cell(built, 2, "VRPEINICGRUP")), 10.0);
    EXPECT_EQ(std::get<double>(cell(built, 2, "VRPEFIMGRUP")), 45.0);

    // The demo table emptied from the end, then built again with a first
    // interval that has an end but no start.
    for (int i = 0; i < 3; ++i)
        deleteLast("001");
    EXPECT_TRUE(table("001").rows.empty());
    add("001", 12.0, 2.0);
    add("001", 24.0, 4.0);
    alterLast("001", 26.0, 4.0);
    expectSound();
    EXPECT_TRUE(gsf::data::isNull(cell(table("001"), 0, "VRPEINICGRUP")));
}

TEST_P(CorrectionGuardTest, EachBrokenShapeIsRefusedNamingTheInterval)
{
    const Packet t = table("001"); // 0-10, 10-25, 25-50
    auto insert = [&](Value start, Value end, Value correction) {
        storage_->UpdCorrPrecGrup(
            deltaOf(t, ChangeKind::Insert, {}, {"0001", "000002", start, end, correction, "001"}));
    };
    EXPECT_EQ(refused([&] { insert(55.0, 60.0, 3.0); }),
              "Inclusão do intervalo de 55,00% a 60,00%: a tabela de correção ficaria com lacuna entre 50,00% e 55,00% "
              "junto ao intervalo anterior.");
    EXPECT_EQ(refused([&] { insert(40.0, 60.0, 3.0); }),
              "Inclusão do intervalo de 40,00% a 60,00%: a tabela de correção ficaria com sobreposição entre 40,00% e "
              "50,00% junto ao intervalo anterior.");
    EXPECT_THAT(refused([&] { insert(50.0, 45.0, 3.0); }), HasSubstr("deve ser maior que o campo VRPEINICGRUP"));
    EXPECT_THAT(refused([&] { insert(50.0, 100.0, 3.0); }),
                HasSubstr("VRPEFIMGRUP (fim do intervalo) deve ser menor que 100,00%"));
    EXPECT_THAT(refused([&] { insert(50.0, 120.0, 3.0); }), HasSubstr("deve ser menor que 100,00%"));
    EXPECT_THAT(refused([&] { insert(50.0, 60.0, 0.0); }),
                HasSubstr("VRPECORRGRUP (percentual de correção) deve ser maior que 0,00%"));
    EXPECT_THAT(refused([&] { insert(50.0, 60.0, 100.0); }), HasSubstr("deve ser menor que 100,00%"));
    // An overlap with the next interval: one placed below the last.
    EXPECT_THAT(refused([&] { insert(25.0, 30.0, 3.0); }),
                HasSubstr("sobreposição entre 25,00% e 30,00% junto ao intervalo seguinte."));
    // The first interval of an empty table starts at 0 or nowhere.
    const Packet empty = table("003");
    EXPECT_THAT(refused([&] {
                    storage_->UpdCorrPrecGrup(
                        deltaOf(empty, ChangeKind::Insert, {}, {"0001", "000002", 5.0, 10.0, 3.0, "003"}));
                }),
                HasSubstr("lacuna entre 0,00% e 5,00% no início da tabela."));
    // Only the last interval may go or move: anything else opens a gap.
    EXPECT_THAT(refused([&] { storage_->UpdCorrPrecGrup(deltaOf(t, ChangeKind::Delete, t.rows[1], {})); }),
                HasSubstr("Exclusão do intervalo de 10,00% a 25,00%: a tabela de correção ficaria com lacuna entre "
                          "10,00% e 25,00%; só o último intervalo pode ser excluído."));
    EXPECT_THAT(refused([&] { storage_->UpdCorrPrecGrup(updateOf(t, 1, "VRPEFIMGRUP", 20.0)); }),
                HasSubstr("lacuna entre 20,00% e 25,00% junto ao intervalo seguinte."));
    expectSound();
}

TEST_P(CorrectionGuardTest, ADamagedOlderTableCanBeRepairedThroughTheScreen)
{
    // An older version stored an interval past a gap, and one overlapping it.
    seed("INSERT INTO CORRPRECGRUP (CDFILIAL, CDCLIENTE, CDGRSERVFAT, VRPEINICGRUP, VRPEFIMGRUP, VRPECORRGRUP) "
         "VALUES ('0001', '000002', '001', 60, 70, 3)");
    // Touching the damaged join is refused ...
    EXPECT_THAT(refused([&] { alterLast("001", 75.0, 3.0); }), HasSubstr("lacuna entre 50,00% e 60,00%"));
    // ... deleting the last interval is not, and the table is sound again.
    deleteLast("001");
    expectSound();
    add("001", 60.0, 3.0);
    expectSound();

    seed("UPDATE CORRPRECGRUP SET VRPEFIMGRUP = 30 WHERE CDGRSERVFAT = '001' AND VRPEFIMGRUP = 25 AND "
         "CDCLIENTE = '000002' AND CDFILIAL = '0001'");
    // The overlap 25-30 is left alone by a change at the end of the table.
    alterLast("001", 65.0, 3.5);
    EXPECT_EQ(std::get<double>(cell(table("001"), 3, "VRPEFIMGRUP")), 65.0);
}

TEST_P(CorrectionGuardTest, NewValuesAreStoredAsShownAndOlderOnesStillMatch)
{
    add("001", 60.125, 1.005);
    Packet t = table("001");
    EXPECT_EQ(std::get<double>(cell(t, 3, "VRPEFIMGRUP")), 60.13);
    EXPECT_EQ(std::get<double>(cell(t, 3, "VRPECORRGRUP")), 1.01);
    add("001", 70.0, 2.0); // starts at 60,13: no gap
    expectSound();

    // A row stored with more decimals by an older version is matched as it is.
    seed("UPDATE CORRPRECGRUP SET VRPEFIMGRUP = 70.123 WHERE VRPEFIMGRUP = 70 AND CDGRSERVFAT = '001'");
    t = table("001");
    storage_->UpdCorrPrecGrup(updateOf(t, 4, "VRPECORRGRUP", 2.5));
    t = table("001");
    EXPECT_EQ(std::get<double>(cell(t, 4, "VRPEFIMGRUP")), 70.123);
    EXPECT_EQ(std::get<double>(cell(t, 4, "VRPECORRGRUP")), 2.5);
    add("001", 80.0, 2.0); // starts at 70,123 as stored, meets it as shown
    expectSound();

    const Packet groups = storage_->GetGrupServ("0001", "000002");
    storage_->UpdGrupServ(updateOf(groups, 2, "QTEFETMINIGSF", 2.5556));
    EXPECT_EQ(std::get<double>(cell(storage_->GetGrupServ("0001", "000002"), 2, "QTEFETMINIGSF")), 2.556);
}

} // namespace
