#include "platform/sql/database.h"
#include "server/arguments.h"
#include "server/schema.h"
#include "server/storage.h"
#include "server/tests/storage_test_support.h"
#include "tests/support/engine_test.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <thread>

namespace {

using gsf::data::ChangeKind;
using gsf::data::Packet;
using gsf::server::ServiceError;
using gsf::server::Storage;
using namespace gsf::server::testing;

class StorageTest : public gsf::test::DemoStorageTest {
protected:
    Storage& s() { return *storage_; }

    // Runs @p action and returns the refusal's code, "" when none.
    template <typename F>
    static std::string refusal(F action)
    {
        try {
            action();
        } catch (const ServiceError& e) {
            return e.Code() + ": " + e.what();
        }
        return "";
    }
};

INSTANTIATE_TEST_SUITE_P(Engines, StorageTest, gsf::test::allEngines(), gsf::test::engineTestName);

TEST_P(StorageTest, SchemaIsVersionedAndDemoSeedsOnce)
{
    EXPECT_EQ(s().SchemaVersion(), gsf::server::latestSchemaVersion());
    Storage again(db_->target());
    EXPECT_EQ(again.SchemaVersion(), gsf::server::latestSchemaVersion());
    EXPECT_FALSE(again.SeedDemo());
    EXPECT_EQ(again.GetGrupServ("0001", "000002").rows.size(), 3u);
}

TEST_P(StorageTest, ClientsByRegistrationNumberOrAll)
{
    const Packet all = s().GetPesqClie("", "0001");
    EXPECT_EQ(column(all, "CDCLIENTE"), (std::vector<std::string>{"000001", "000002", "000003", "000004"}));
    ASSERT_EQ(all.fields.size(), 5u);
    EXPECT_EQ(all.fields[0].name, "NRINSJURCLIE");
    EXPECT_EQ(all.fields[0].size, 20);

    const Packet alnum = s().GetPesqClie("12abc34501de35", "0001");
    ASSERT_EQ(alnum.rows.size(), 1u);
    EXPECT_EQ(text(alnum, 0, "CDCLIENTE"), "000003");
    EXPECT_EQ(text(alnum, 0, "IDTPIJURCLIE"), "J");
    // A client of another branch is not found through this one.
    EXPECT_TRUE(s().GetPesqClie("45678912000155", "0001").rows.empty());
    EXPECT_EQ(s().GetPesqClie("45678912000155", "0002").rows.size(), 1u);
}

TEST_P(StorageTest, BranchParametersKeepTheirTextExactly)
{
    const Packet centro = s().GetParamFilial("0001");
    ASSERT_EQ(centro.rows.size(), 1u);
    EXPECT_EQ(text(centro, 0, "CDTIPOFATUR"), "001");
    EXPECT_EQ(text(centro, 0, "DSPARAMFATFI"), "EXCDIA=1;TABCORR=2");
    EXPECT_EQ(text(s().GetParamFilial("0003"), 0, "DSPARAMFATFI"), "EXCDIA=01;TABCORR=2 ");
    EXPECT_EQ(text(s().GetParamFilial("0002"), 0, "CDTIPOFATUR"), "");
    EXPECT_TRUE(s().GetParamFilial("9999").rows.empty());
}

TEST_P(StorageTest, GroupsOrderedByCodeWithEveryField)
{
    const Packet groups = s().GetGrupServ("0001", "000002");
    ASSERT_EQ(groups.fields.size(), 14u);
    EXPECT_EQ(column(groups, "CDGRSERVFAT"), (std::vector<std::string>{"001", "002", "003"}));
    EXPECT_EQ(std::get<double>(cell(groups, 0, "QTEFETMINIGSF")), 2.0);
    EXPECT_EQ(std::get<double>(cell(groups, 0, "QTEFMINSEXGSF")), 3.0);
    EXPECT_EQ(text(groups, 0, "CDSERAJEFEGSF"), "00010");
    EXPECT_EQ(text(groups, 2, "CDSERAJEFEGSF"), "<null>");
    EXPECT_TRUE(s().GetGrupServ("0001", "000004").rows.empty());
    EXPECT_EQ(s().GetVerifGrupServ("0001", "000002", "002").rows.size(), 1u);
    EXPECT_TRUE(s().GetVerifGrupServ("0001", "000002", "009").rows.empty());
    EXPECT_TRUE(s().GetVerifGrupServ("0001", "000003", "002").rows.empty());
}

TEST_P(StorageTest, ServicesOfAGroupAndLookups)
{
    const Packet services = s().GetServClie("0001", "000002", "001");
    EXPECT_EQ(column(services, "CDSERVFILI"), (std::vector<std::string>{"00010", "00020"}));
    EXPECT_EQ(column(services, "IDCORREFET"), (std::vector<std::string>{"Sim", "<null>"}));
    EXPECT_EQ(text(services, 0, "NMSERVICO"), "Vigilância diurna");
    EXPECT_EQ(services.fields[static_cast<size_t>(services.indexOf("IDCORREFET"))].type,
              gsf::data::FieldType::FixedString);
    const Packet none = s().GetServClie("", "", "");
    EXPECT_TRUE(none.rows.empty());
    EXPECT_EQ(none.fields.size(), 6u);

    EXPECT_EQ(column(s().GetPesqServ("0001", "000003", ""), "CDSERVFILI"),
              (std::vector<std::string>{"00010", "00050"}));
    EXPECT_EQ(s().GetPesqServ("0001", "000003", "00050").rows.size(), 1u);
    EXPECT_TRUE(s().GetPesqServ("0001", "000003", "00020").rows.empty());
    // Billed through group 001: found whatever group is asked about.
    EXPECT_EQ(s().GetVerifServ("0001", "00010", "000002", "003").rows.size(), 1u);
    EXPECT_TRUE(s().GetVerifServ("0001", "00050", "000002", "001").rows.empty());
}

TEST_P(StorageTest, CorrectionTableEndsWithTheLargestInterval)
{
    const Packet table = s().GetCorrPrecGrup("0001", "000002", "001");
    ASSERT_EQ(table.rows.size(), 3u);
    EXPECT_EQ(std::get<double>(cell(table, 2, "VRPEFIMGRUP")), 50.0);
    EXPECT_EQ(std::get<double>(cell(table, 2, "VRPECORRGRUP")), 12.0);
    const Packet largest = s().GetIntervMaior("0001", "000002", "001");
    ASSERT_EQ(largest.rows.size(), 1u);
    EXPECT_EQ(std::get<double>(largest.rows[0][0]), 50.0);
    EXPECT_TRUE(s().GetIntervMaior("0001", "000002", "003").rows.empty());
    EXPECT_TRUE(s().GetCorrPrecGrup("", "", "").rows.empty());

    // A first interval posted without an end: the largest end is reported as empty.
    const Packet empty = s().GetCorrPrecGrup("0001", "000002", "003");
    s().UpdCorrPrecGrup(
        deltaOf(empty, ChangeKind::Insert, {}, {"0001", "000002", std::monostate{}, std::monostate{}, 3.0, "003"}));
    const Packet open = s().GetIntervMaior("0001", "000002", "003");
    ASSERT_EQ(open.rows.size(), 1u);
    EXPECT_TRUE(gsf::data::isNull(open.rows[0][0]));
}

TEST_P(StorageTest, GroupDeltaInsertUpdateDelete)
{
    Packet groups = s().GetGrupServ("0001", "000004");
    std::vector<gsf::data::Value> row = {"0001", "000004", "X'1", "'; DROP TABLE FILIAL; --", 2.5};
    for (int i = 0; i < 8; ++i)
        row.emplace_back(i == 0 ? gsf::data::Value{} : gsf::data::Value{2.5});
    row.emplace_back(std::monostate{});
    s().UpdGrupServ(deltaOf(groups, ChangeKind::Insert, {}, row));
    groups = s().GetGrupServ("0001", "000004");
    ASSERT_EQ(groups.rows.size(), 1u);
    EXPECT_EQ(text(groups, 0, "CDGRSERVFAT"), "X'1");
    EXPECT_EQ(text(groups, 0, "DSGRSERVFAT"), "'; DROP TABLE FILIAL; --");
    EXPECT_TRUE(gsf::data::isNull(cell(groups, 0, "QTEFMINDOMGSF")));
    EXPECT_EQ(s().GetPesqClie("", "0001").rows.size(), 4u);

    s().UpdGrupServ(updateOf(groups, 0, "QTEFETMINIGSF", 7.125));
    groups = s().GetGrupServ("0001", "000004");
    EXPECT_EQ(std::get<double>(cell(groups, 0, "QTEFETMINIGSF")), 7.125);

    s().UpdGrupServ(deltaOf(groups, ChangeKind::Delete, groups.rows[0], {}));
    EXPECT_TRUE(s().GetGrupServ("0001", "000004").rows.empty());
}

TEST_P(StorageTest, DeletingAGroupRemovesItsServicesAndIntervals)
{
    const Packet groups = s().GetGrupServ("0001", "000002");
    s().UpdGrupServ(deltaOf(groups, ChangeKind::Delete, groups.rows[0], {}));
    EXPECT_TRUE(s().GetServClie("0001", "000002", "001").rows.empty());
    EXPECT_TRUE(s().GetCorrPrecGrup("0001", "000002", "001").rows.empty());
    // The service is free again for another group.
    EXPECT_TRUE(s().GetVerifServ("0001", "00010", "000002", "").rows.empty());
    EXPECT_EQ(s().GetServClie("0001", "000002", "002").rows.size(), 2u);
}

TEST_P(StorageTest, StaleOriginalFailsTheWholeDelta)
{
    const Packet groups = s().GetGrupServ("0001", "000002");
    s().UpdGrupServ(updateOf(groups, 1, "DSGRSERVFAT", "Alterado por outro"));

    // First change valid, second based on what the other user replaced.
    auto delta = updateOf(groups, 0, "DSGRSERVFAT", "Primeiro");
    auto stale = updateOf(groups, 1, "DSGRSERVFAT", "Segundo");
    delta.changes.push_back(stale.changes[0]);
    const std::string why = refusal([&] { s().UpdGrupServ(delta); });
    EXPECT_EQ(why, "conflict: O registro foi alterado ou excluído por outro usuário. Recarregue os dados e tente "
                   "novamente.");
    const Packet after = s().GetGrupServ("0001", "000002");
    EXPECT_EQ(text(after, 0, "DSGRSERVFAT"), "Vigilância");
    EXPECT_EQ(text(after, 1, "DSGRSERVFAT"), "Alterado por outro");

    // A row removed meanwhile is a conflict too, also for a delete.
    EXPECT_NE(refusal([&] { s().UpdGrupServ(deltaOf(groups, ChangeKind::Delete, groups.rows[1], {})); }), "");
    EXPECT_EQ(s().GetGrupServ("0001", "000002").rows.size(), 3u);
}

TEST_P(StorageTest, DuplicatesAndMissingParentsAreRefused)
{
    const Packet groups = s().GetGrupServ("0001", "000002");
    EXPECT_EQ(refusal([&] { s().UpdGrupServ(deltaOf(groups, ChangeKind::Insert, {}, groups.rows[0])); }),
              "duplicate: Grupo de serviço para faturamento já cadastrado.");
    auto orphan = groups.rows[0];
    orphan[1] = std::string("999999");
    EXPECT_EQ(refusal([&] { s().UpdGrupServ(deltaOf(groups, ChangeKind::Insert, {}, orphan)); }),
              "invalid: Inclusão do grupo 001: cliente 999999 não cadastrado na filial 0001.");
    const Packet table = s().GetCorrPrecGrup("0001", "000002", "001");
    EXPECT_NE(
        refusal([&] {
            s().UpdCorrPrecGrup(deltaOf(table, ChangeKind::Insert, {}, {"0001", "000002", 50.0, 60.0, 1.0, "ZZZ"}));
        }),
        "");
    EXPECT_EQ(s().GetGrupServ("0001", "000002").rows.size(), 3u);
}

TEST_P(StorageTest, DeltaFieldsAreChecked)
{
    const Packet groups = s().GetGrupServ("0001", "000002");
    auto unknown = deltaOf(groups, ChangeKind::Update, groups.rows[0], groups.rows[0]);
    unknown.fields[3].name = "NMHACK";
    EXPECT_NE(refusal([&] { s().UpdGrupServ(unknown); }).find("campo desconhecido NMHACK"), std::string::npos);
    EXPECT_NE(refusal([&] {
                  s().UpdGrupServ(updateOf(groups, 0, "DSGRSERVFAT", std::string(31, 'x')));
              }).find("no máximo 30 caracteres"),
              std::string::npos);
    EXPECT_NE(refusal([&] { s().UpdGrupServ(updateOf(groups, 0, "QTEFETMINIGSF", "dois")); }).find("numérico"),
              std::string::npos);
    EXPECT_NE(refusal([&] { s().UpdGrupServ(updateOf(groups, 0, "CDFILIAL", "00001")); }).find("CDFILIAL"),
              std::string::npos);
    // Thirty characters with accents fit: sizes count characters, not bytes.
    s().UpdGrupServ(updateOf(groups, 0, "DSGRSERVFAT", std::string("ãçéíõúâêôà") + std::string(20, 'a')));
    EXPECT_EQ(text(s().GetGrupServ("0001", "000002"), 0, "DSGRSERVFAT").substr(0, 2), "ã");
}

TEST_P(StorageTest, IdenticalIntervalsAreChangedOneAtATime)
{
    // Two identical rows, as an older version could store them.
    {
        auto db = gsf::sql::openDatabase(db_->target());
        for (int i = 0; i < 2; ++i)
            db->Execute("INSERT INTO CORRPRECGRUP (CDFILIAL, CDCLIENTE, CDGRSERVFAT, VRPEINICGRUP, VRPEFIMGRUP, "
                        "VRPECORRGRUP) VALUES ('0001', '000002', '003', 0, 10, 1)");
    }
    const Packet empty = s().GetCorrPrecGrup("0001", "000002", "003");
    const std::vector<gsf::data::Value> row = {"0001", "000002", 0.0, 10.0, 1.0, "003"};
    s().UpdCorrPrecGrup(deltaOf(empty, ChangeKind::Delete, row, {}));
    EXPECT_EQ(s().GetCorrPrecGrup("0001", "000002", "003").rows.size(), 1u);
    auto changed = row;
    changed[4] = 2.5;
    s().UpdCorrPrecGrup(deltaOf(empty, ChangeKind::Update, row, changed));
    const Packet after = s().GetCorrPrecGrup("0001", "000002", "003");
    ASSERT_EQ(after.rows.size(), 1u);
    EXPECT_EQ(std::get<double>(cell(after, 0, "VRPECORRGRUP")), 2.5);
}

TEST_P(StorageTest, ServiceProceduresFollowTheCorrectionFlag)
{
    // Assign and flag a second service: the flag moves to it.
    s().ProAtualizaGrupo("0001", "000002", "003", "00050");
    EXPECT_EQ(column(s().GetServClie("0001", "000002", "003"), "IDCORREFET"), (std::vector<std::string>{"<null>"}));
    s().ProAtualizaServ("0001", "000002", "003", "00050");
    s().ProAtualizaServ("0001", "000002", "001", "00020");
    EXPECT_EQ(column(s().GetServClie("0001", "000002", "001"), "IDCORREFET"),
              (std::vector<std::string>{"<null>", "Sim"}));
    EXPECT_EQ(text(s().GetGrupServ("0001", "000002"), 0, "CDSERAJEFEGSF"), "00020");
    // Assigning again keeps the flag.
    s().ProAtualizaGrupo("0001", "000002", "001", "00020");
    EXPECT_EQ(text(s().GetServClie("0001", "000002", "001"), 1, "IDCORREFET"), "Sim");
    // A service billed through another group, or not allowed for the client, is refused.
    EXPECT_NE(refusal([&] { s().ProAtualizaGrupo("0001", "000002", "002", "00020"); }), "");
    EXPECT_NE(refusal([&] { s().ProAtualizaGrupo("0001", "000001", "001", "00010"); }), "");

    s().ProLimpaServ("0001", "000002", "001");
    EXPECT_EQ(text(s().GetGrupServ("0001", "000002"), 0, "CDSERAJEFEGSF"), "<null>");
    EXPECT_EQ(column(s().GetServClie("0001", "000002", "001"), "IDCORREFET"),
              (std::vector<std::string>{"<null>", "<null>"}));

    s().ProDeletaServ("0001", "000002", "003", "00050");
    EXPECT_TRUE(s().GetServClie("0001", "000002", "003").rows.empty());
    EXPECT_EQ(text(s().GetGrupServ("0001", "000002"), 2, "CDSERAJEFEGSF"), "<null>");

    s().ProDelServ("0001", "000002", "002");
    EXPECT_TRUE(s().GetServClie("0001", "000002", "002").rows.empty());
    EXPECT_EQ(text(s().GetGrupServ("0001", "000002"), 1, "CDSERAJEFEGSF"), "<null>");
    EXPECT_EQ(s().GetGrupServ("0001", "000002").rows.size(), 3u);
}

TEST_P(StorageTest, ServiceDeltaDeleteClearsTheGroupsCorrection)
{
    const Packet services = s().GetServClie("0001", "000002", "001");
    s().UpdServClie(deltaOf(services, ChangeKind::Delete, services.rows[0], {}));
    EXPECT_EQ(column(s().GetServClie("0001", "000002", "001"), "CDSERVFILI"), (std::vector<std::string>{"00020"}));
    EXPECT_EQ(text(s().GetGrupServ("0001", "000002"), 0, "CDSERAJEFEGSF"), "<null>");
}

TEST_P(StorageTest, ClientsWithWrongCheckDigitsAreNotStored)
{
    EXPECT_NE(refusal([&] { s().AddClient("0001", "000009", "52998224724", "F", "X", "X"); }), "");
    EXPECT_NE(refusal([&] { s().AddClient("0001", "000009", "12ABC34501DE36", "J", "X", "X"); }), "");
    EXPECT_NE(refusal([&] { s().AddClient("0001", "000009", "52998224725", "J", "X", "X"); }), "");
    EXPECT_EQ(s().GetPesqClie("", "0001").rows.size(), 4u);
}

TEST_P(StorageTest, ARowIsFoundByItsKeyAndEveryOtherColumnComparedNullSafely)
{
    // Two groups alike but for their code: only the one named by the key changes.
    Packet groups = s().GetGrupServ("0001", "000004");
    std::vector<gsf::data::Value> a = {"0001", "000004", "A01", "Igual", 1.0};
    for (int i = 0; i < 8; ++i)
        a.emplace_back(i % 2 ? gsf::data::Value{} : gsf::data::Value{0.0});
    a.emplace_back(std::monostate{});
    auto b = a;
    b[2] = "A02";
    s().UpdGrupServ(deltaOf(groups, ChangeKind::Insert, {}, a));
    s().UpdGrupServ(deltaOf(groups, ChangeKind::Insert, {}, b));
    groups = s().GetGrupServ("0001", "000004");
    ASSERT_EQ(groups.rows.size(), 2u);

    // The stored nulls and zeros must be sent back as they are: a null sent
    // as 0 or as "", or a 0 sent as null, is another row.
    const size_t monday = static_cast<size_t>(groups.indexOf("QTEFMINSEGGSF"));  // null
    const size_t sunday = static_cast<size_t>(groups.indexOf("QTEFMINDOMGSF"));  // 0
    const size_t service = static_cast<size_t>(groups.indexOf("CDSERAJEFEGSF")); // null
    for (const auto& [column, wrong] : std::vector<std::pair<size_t, gsf::data::Value>>{
             {monday, 0.0}, {sunday, gsf::data::Value{}}, {service, std::string()}}) {
        auto delta = updateOf(groups, 0, "DSGRSERVFAT", std::string("Nunca"));
        delta.changes[0].oldValues[column] = wrong;
        EXPECT_NE(refusal([&] { s().UpdGrupServ(delta); }).find("conflict"), std::string::npos) << column;
    }
    s().UpdGrupServ(updateOf(groups, 0, "DSGRSERVFAT", std::string("Só o primeiro")));
    const Packet after = s().GetGrupServ("0001", "000004");
    EXPECT_EQ(column(after, "DSGRSERVFAT"), (std::vector<std::string>{"Só o primeiro", "Igual"}));
    s().UpdGrupServ(deltaOf(after, ChangeKind::Delete, after.rows[1], {}));
    EXPECT_EQ(column(s().GetGrupServ("0001", "000004"), "CDGRSERVFAT"), (std::vector<std::string>{"A01"}));
}

TEST_P(StorageTest, AChangeVersionIsNeverOlderThanAWriteCommittedBeforeTheCall)
{
    // Readers at once with a writer: a read shared by several callers must
    // still have begun after each of them called.
    auto raw = gsf::sql::openDatabase(db_->target());
    std::atomic<std::int64_t> committed{s().ChangeVersion()};
    std::atomic<bool> writing{true};
    std::atomic<int> stale{0}, reads{0};
    std::vector<std::thread> readers;
    for (int t = 0; t < 6; ++t) {
        readers.emplace_back([&] {
            while (writing.load()) {
                const std::int64_t before = committed.load();
                if (s().ChangeVersion() < before)
                    ++stale;
                ++reads;
            }
        });
    }
    for (int w = 0; w < 40; ++w) {
        s().AddService("0001", std::to_string(70000 + w), "Serviço " + std::to_string(w));
        committed = std::get<std::int64_t>(raw->Execute("SELECT version FROM change_counter").rows.at(0).at(0));
        // The next write waits for a read after this one, however slow the
        // machine, so reads and writes really interleave.
        const int seen = reads.load();
        const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        while (reads.load() <= seen && std::chrono::steady_clock::now() < until)
            std::this_thread::yield();
    }
    writing = false;
    for (auto& r : readers)
        r.join();
    EXPECT_EQ(stale.load(), 0) << "of " << reads.load() << " reads";
    EXPECT_GT(reads.load(), 40);
}

} // namespace
