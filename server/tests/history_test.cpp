// The change history on both engines: every write leaves one row per row it
// changed, in its own transaction, with its author; a refused or idle write
// leaves none; old rows go; the listing filters and shows them.

#include "server/arguments.h"
#include "server/history.h"
#include "server/storage.h"
#include "server/tests/storage_test_support.h"
#include "tests/support/engine_test.h"

#include <gmock/gmock.h>

#include <functional>
#include <map>

namespace {

using gsf::data::ChangeKind;
using gsf::data::Packet;
using gsf::data::Value;
using gsf::server::Storage;
using gsf::server::history::Entry;
using gsf::server::testing::deltaOf;
using gsf::server::testing::updateOf;
using ::testing::HasSubstr;

class HistoryTest : public gsf::test::DemoStorageTest {
protected:
    std::vector<Entry> history(const gsf::server::history::Filter& filter = {})
    {
        return gsf::server::history::entries(*gsf::sql::openDatabase(db_->target()), filter);
    }
    Storage& s() { return *storage_; }
};

INSTANTIATE_TEST_SUITE_P(Engines, HistoryTest, gsf::test::allEngines(), gsf::test::engineTestName);

// One expected history row: its operation, table and group, and what the
// listing shows of it.
struct Expected {
    char operation;
    std::string table;
    std::string group;
    std::vector<std::string> shows;
};

struct Road {
    std::string name;
    std::function<void(Storage&)> write;
    std::string method;
    std::vector<Expected> rows;
};

Packet groups(Storage& s)
{
    return s.GetGrupServ("0001", "000002");
}
Packet services(Storage& s, const char* group)
{
    return s.GetServClie("0001", "000002", group);
}
Packet table(Storage& s, const char* group)
{
    return s.GetCorrPrecGrup("0001", "000002", group);
}

// A row of @p p: the client 000002 of branch 0001, @p values by column, null elsewhere.
std::vector<Value> rowOf(const Packet& p, const std::map<std::string, Value>& values)
{
    std::vector<Value> row(p.fields.size());
    for (size_t i = 0; i < p.fields.size(); ++i) {
        const std::string& name = p.fields[i].name;
        if (name == "CDFILIAL")
            row[i] = std::string("0001");
        else if (name == "CDCLIENTE")
            row[i] = std::string("000002");
        else if (const auto it = values.find(name); it != values.end())
            row[i] = it->second;
    }
    return row;
}

std::vector<Value> groupRow(const Packet& p, const std::string& code, const std::string& description)
{
    std::map<std::string, Value> values = {{"CDGRSERVFAT", code}, {"DSGRSERVFAT", description}};
    for (const auto& f : p.fields)
        if (f.name.starts_with("QTE"))
            values[f.name] = 1.25;
    return rowOf(p, values);
}

std::vector<Value> servicesRow(const Packet& p, const std::string& group, const std::string& service)
{
    return rowOf(p, {{"CDGRSERVFAT", group}, {"CDSERVFILI", service}, {"IDCORREFET", std::string("Não")}});
}

std::vector<Value> intervalRow(const Packet& p, double start, double end, double correction)
{
    return rowOf(p, {{"CDGRSERVFAT", std::string("001")},
                     {"VRPEINICGRUP", start},
                     {"VRPEFIMGRUP", end},
                     {"VRPECORRGRUP", correction}});
}

const std::vector<Road>& roads()
{
    static const std::vector<Road> all = {
        {"a new group",
         [](Storage& s) {
             s.UpdGrupServ(deltaOf(groups(s), ChangeKind::Insert, {}, groupRow(groups(s), "009", "Nove")));
         },
         "UpdGrupServ",
         {{'I', "GRUPSERVFAT", "009", {"inclusão", "DSGRSERVFAT=Nove", "QTEFETMINIGSF=1,250"}}}},
        {"a group's description",
         [](Storage& s) { s.UpdGrupServ(updateOf(groups(s), 0, "DSGRSERVFAT", std::string("Vigilância 24h"))); },
         "UpdGrupServ",
         {{'U', "GRUPSERVFAT", "001", {"alteração", "DSGRSERVFAT: Vigilância → Vigilância 24h"}}}},
        {"a group removed, with its services and table",
         [](Storage& s) {
             const Packet p = groups(s);
             s.UpdGrupServ(deltaOf(p, ChangeKind::Delete, p.rows.at(1), {}));
         },
         "UpdGrupServ",
         {{'D', "GRUPSERVFAT", "002", {"exclusão", "DSGRSERVFAT=Limpeza e portaria"}},
          {'D', "SERVGRUPFAT", "002", {"serviço 00030", "IDCORREFET=Sim"}},
          {'D', "SERVGRUPFAT", "002", {"serviço 00040"}},
          {'D', "CORRPRECGRUP", "002", {"VRPEINICGRUP=0,00%", "VRPEFIMGRUP=15,00%", "VRPECORRGRUP=3,00%"}},
          {'D', "CORRPRECGRUP", "002", {"VRPEINICGRUP=15,00%", "VRPEFIMGRUP=30,00%"}}}},
        {"a service added to a group",
         [](Storage& s) {
             s.UpdServClie(
                 deltaOf(services(s, "003"), ChangeKind::Insert, {}, servicesRow(services(s, "003"), "003", "00050")));
         },
         "UpdServClie",
         {{'I', "SERVGRUPFAT", "003", {"serviço 00050", "IDCORREFET=Não"}}}},
        {"the correction service removed from its group",
         [](Storage& s) {
             const Packet p = services(s, "001");
             s.UpdServClie(deltaOf(p, ChangeKind::Delete, p.rows.at(0), {}));
         },
         "UpdServClie",
         {{'D', "SERVGRUPFAT", "001", {"serviço 00010", "IDCORREFET=Sim"}},
          {'U', "GRUPSERVFAT", "001", {"CDSERAJEFEGSF: 00010 → (vazio)"}}}},
        {"an interval added, one altered, one removed",
         [](Storage& s) {
             s.UpdCorrPrecGrup(
                 deltaOf(table(s, "001"), ChangeKind::Insert, {}, intervalRow(table(s, "001"), 50, 70, 15)));
             s.UpdCorrPrecGrup(updateOf(table(s, "001"), 3, "VRPECORRGRUP", 16.004));
             const Packet p = table(s, "001");
             s.UpdCorrPrecGrup(deltaOf(p, ChangeKind::Delete, p.rows.at(3), {}));
         },
         "UpdCorrPrecGrup",
         {{'I', "CORRPRECGRUP", "001", {"intervalo ", "VRPEINICGRUP=50,00%", "VRPEFIMGRUP=70,00%"}},
          {'U', "CORRPRECGRUP", "001", {"VRPECORRGRUP: 15,00% → 16,00%"}},
          {'D', "CORRPRECGRUP", "001", {"VRPECORRGRUP=16,00%"}}}},
        {"a service assigned",
         [](Storage& s) { s.ProAtualizaGrupo("0001", "000002", "003", "00050"); },
         "ProAtualizaGrupo",
         {{'I', "SERVGRUPFAT", "003", {"serviço 00050"}}}},
        {"the correction service moved",
         [](Storage& s) { s.ProAtualizaServ("0001", "000002", "001", "00020"); },
         "ProAtualizaServ",
         {{'U', "GRUPSERVFAT", "001", {"CDSERAJEFEGSF: 00010 → 00020"}},
          {'U', "SERVGRUPFAT", "001", {"serviço 00010", "IDCORREFET: Sim → (vazio)"}},
          {'U', "SERVGRUPFAT", "001", {"serviço 00020", "IDCORREFET: (vazio) → Sim"}}}},
        {"the correction cleared",
         [](Storage& s) { s.ProLimpaServ("0001", "000002", "001"); },
         "ProLimpaServ",
         {{'U', "GRUPSERVFAT", "001", {"CDSERAJEFEGSF: 00010 → (vazio)"}},
          {'U', "SERVGRUPFAT", "001", {"serviço 00010", "IDCORREFET: Sim → (vazio)"}}}},
        {"one service removed",
         [](Storage& s) { s.ProDeletaServ("0001", "000002", "002", "00030"); },
         "ProDeletaServ",
         {{'D', "SERVGRUPFAT", "002", {"serviço 00030"}},
          {'U', "GRUPSERVFAT", "002", {"CDSERAJEFEGSF: 00030 → (vazio)"}}}},
        {"every service removed",
         [](Storage& s) { s.ProDelServ("0001", "000002", "001"); },
         "ProDelServ",
         {{'D', "SERVGRUPFAT", "001", {"serviço 00010"}},
          {'D', "SERVGRUPFAT", "001", {"serviço 00020"}},
          {'U', "GRUPSERVFAT", "001", {"CDSERAJEFEGSF: 00010 → (vazio)"}}}},
    };
    return all;
}

TEST_P(HistoryTest, EveryWriteLeavesOneRowPerRowItChangedSideEffectsIncluded)
{
    for (const Road& road : roads()) {
        SCOPED_TRACE(road.name);
        gsf::test::TempDatabase fresh(GetParam());
        Storage storage(fresh.target(), true);
        road.write(storage);
        const auto rows = gsf::server::history::entries(*gsf::sql::openDatabase(fresh.target()), {});
        ASSERT_EQ(rows.size(), road.rows.size());
        for (size_t i = 0; i < rows.size(); ++i) {
            const Entry& row = rows[i];
            const Expected& expected = road.rows[i];
            EXPECT_EQ(row.operation, expected.operation) << i;
            EXPECT_EQ(row.table, expected.table) << i;
            EXPECT_EQ(row.branch + "/" + row.client + "/" + row.group, "0001/000002/" + expected.group) << i;
            EXPECT_EQ(row.method, road.method) << i;
            EXPECT_EQ(row.oldValues.empty(), row.operation == 'I') << i;
            EXPECT_EQ(row.newValues.empty(), row.operation == 'D') << i;
            EXPECT_THAT(row.at, ::testing::MatchesRegex("20[0-9-]+T[0-9:]+\\.[0-9]{6}Z")) << i;
            const std::string shown = gsf::server::history::formatTable({row});
            for (const auto& text : expected.shows)
                EXPECT_THAT(shown, HasSubstr(text)) << i << "\n" << shown;
        }
    }
}

TEST_P(HistoryTest, ARefusedWriteLeavesNoRow)
{
    if (IsSkipped())
        return;
    const Packet p = groups(s());
    auto stale = updateOf(p, 0, "DSGRSERVFAT", std::string("Outra"));
    stale.changes[0].oldValues[static_cast<size_t>(p.indexOf("DSGRSERVFAT"))] = std::string("Antiga");
    auto secondFails = updateOf(p, 0, "DSGRSERVFAT", std::string("Primeira"));
    secondFails.changes.push_back(updateOf(p, 1, "DSGRSERVFAT", std::string("   ")).changes[0]);
    const std::vector<std::pair<std::string, std::function<void()>>> refused = {
        {"changed meanwhile", [&] { s().UpdGrupServ(stale); }},
        {"second row breaks a rule", [&] { s().UpdGrupServ(secondFails); }},
        {"duplicate group", [&] { s().UpdGrupServ(deltaOf(p, ChangeKind::Insert, {}, groupRow(p, "001", "Dup"))); }},
        {"gap in the table",
         [&] {
             s().UpdCorrPrecGrup(
                 deltaOf(table(s(), "001"), ChangeKind::Insert, {}, intervalRow(table(s(), "001"), 60, 70, 3)));
         }},
        {"service of another group", [&] { s().ProAtualizaGrupo("0001", "000002", "003", "00010"); }},
        {"missing group", [&] { s().ProDelServ("0001", "000002", "999"); }},
    };
    for (const auto& [name, write] : refused) {
        EXPECT_THROW(write(), gsf::server::ServiceError) << name;
        EXPECT_TRUE(history().empty()) << name;
    }
}

TEST_P(HistoryTest, AWriteThatChangesNothingLeavesNoRow)
{
    if (IsSkipped())
        return;
    s().ProAtualizaGrupo("0001", "000002", "001", "00010");                            // assigned already
    s().ProLimpaServ("0001", "000002", "003");                                         // nothing to clear
    s().UpdGrupServ(updateOf(groups(s()), 2, "DSGRSERVFAT", std::string("Recepção"))); // the same text
    EXPECT_TRUE(history().empty());
    EXPECT_FALSE(s().SeedDemo());
}

TEST_P(HistoryTest, TheAuthorOfTheCallingThreadIsRecorded)
{
    if (IsSkipped())
        return;
    {
        const gsf::server::history::AuthorScope maria({"Maria José", "caixa-1", "req-0001"});
        {
            const gsf::server::history::AuthorScope job({"", "rotina", ""});
            s().ProLimpaServ("0001", "000002", "002");
        }
        s().ProLimpaServ("0001", "000002", "001");
    }
    s().ProDelServ("0001", "000002", "001");
    const auto rows = history();
    ASSERT_EQ(rows.size(), 6u);
    for (size_t i = 0; i < 2; ++i)
        EXPECT_EQ(rows[i].user + "|" + rows[i].token + "|" + rows[i].requestId, "|rotina|");
    for (size_t i = 2; i < 4; ++i)
        EXPECT_EQ(rows[i].user + "|" + rows[i].token + "|" + rows[i].requestId, "Maria José|caixa-1|req-0001");
    for (size_t i = 4; i < 6; ++i)
        EXPECT_EQ(rows[i].user + "|" + rows[i].token + "|" + rows[i].requestId, "||");
    EXPECT_THAT(gsf::server::history::formatTable(rows), HasSubstr("Maria José  caixa-1"));
}

TEST_P(HistoryTest, OldRowsArePurgedAndTheListingFilters)
{
    if (IsSkipped())
        return;
    s().ProLimpaServ("0001", "000002", "001");
    s().ProDelServ("0001", "000002", "002");
    s().UpdGrupServ(updateOf(s().GetGrupServ("0001", "000003"), 0, "DSGRSERVFAT", std::string("Armada")));
    const auto db = gsf::sql::openDatabase(db_->target());
    db->Execute("UPDATE change_history SET changed_at = '2001-02-03T04:05:06.000000Z' WHERE service_group = 'A1'");
    ASSERT_EQ(history().size(), 6u);

    using gsf::server::history::Filter;
    EXPECT_EQ(history(Filter{"0001", "", "", ""}).size(), 6u);
    EXPECT_EQ(history(Filter{"0002", "", "", ""}).size(), 0u);
    EXPECT_EQ(history(Filter{"", "000002", "", ""}).size(), 5u);
    EXPECT_EQ(history(Filter{"", "000002", "002", ""}).size(), 3u);
    EXPECT_EQ(history(Filter{"", "", "A1", ""}).size(), 1u);
    EXPECT_EQ(history(Filter{"", "", "", "2001-02-03T04:05:06"}).size(), 6u);
    EXPECT_EQ(history(Filter{"", "", "", "2001-02-03T04:05:07"}).size(), 5u);

    EXPECT_EQ(gsf::server::history::purge(*db, 0), 0) << "0 keeps every row";
    EXPECT_EQ(gsf::server::history::purge(*db, 30), 1);
    const auto rows = history();
    ASSERT_EQ(rows.size(), 5u);
    EXPECT_TRUE(std::none_of(rows.begin(), rows.end(), [](const Entry& e) { return e.group == "A1"; }));
}

TEST(HistoryText, DatesAsTheOperatorTypesThem)
{
    using gsf::server::history::parseSince;
    EXPECT_EQ(parseSince("2024-05-01"), "2024-05-01T00:00:00");
    EXPECT_EQ(parseSince("01/05/2024"), "2024-05-01T00:00:00");
    EXPECT_EQ(parseSince("2024-05-01T13:45"), "2024-05-01T13:45:00");
    EXPECT_EQ(parseSince("01/05/2024 13:45:30"), "2024-05-01T13:45:30");
    EXPECT_EQ(parseSince("29/02/2024"), "2024-02-29T00:00:00");
    for (const char* bad : {"", "2024-5-1", "2024-13-01", "2023-02-29", "31/04/2024", "2024-05-01 25:00",
                            "2024-05-01T12", "2024-05-01x", "2024-05-01 12:00:00:00", "1969-12-31", "hoje"})
        EXPECT_EQ(parseSince(bad), "") << bad;
}

TEST(HistoryText, TableAndCsv)
{
    Entry e{"2024-05-01T12:00:00.000001Z",
            "João, \"o caixa\"",
            "",
            "r-1",
            "UpdGrupServ",
            'U',
            "GRUPSERVFAT",
            "0001",
            "000002",
            "001",
            R"({"CDFILIAL":"0001","CDCLIENTE":"000002","CDGRSERVFAT":"001"})",
            R"({"CDFILIAL":"0001","DSGRSERVFAT":"A","QTEFETMINIGSF":2.0})",
            R"({"CDFILIAL":"0001","DSGRSERVFAT":"B","QTEFETMINIGSF":1234.5})"};
    const std::string table = gsf::server::history::formatTable({e});
    EXPECT_THAT(table, HasSubstr("2024-05-01 12:00:00  João, \"o caixa\"  -       UpdGrupServ  alteração"));
    EXPECT_THAT(table, HasSubstr("DSGRSERVFAT: A → B; QTEFETMINIGSF: 2,000 → 1.234,500"));
    EXPECT_THAT(table, HasSubstr("1 alteração.\n"));
    EXPECT_EQ(gsf::server::history::formatTable({}), "Nenhuma alteração registrada.\n");

    const std::string csv = gsf::server::history::formatCsv({e});
    EXPECT_THAT(csv, ::testing::StartsWith("data_hora_utc,usuario,chave_acesso,id_requisicao,metodo,operacao,"));
    EXPECT_THAT(csv, HasSubstr("\r\n2024-05-01T12:00:00.000001Z,\"João, \"\"o caixa\"\"\",,r-1,UpdGrupServ,alteração,"
                               "GRUPSERVFAT,0001,000002,001,\"{\"\"CDFILIAL\"\":\"\"0001\"\""));
    EXPECT_EQ(std::count(csv.begin(), csv.end(), '\n'), 2);
}

} // namespace
