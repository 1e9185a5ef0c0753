// grupservfat-server backup and restore: a copy taken while a server keeps
// writing is one committed state of the database, and a restored database is
// one the server opens and serves.

#include "server/app_server.h"
#include "server/schema.h"
#include "server/tests/command_run.h"
#include "server/tests/storage_test_support.h"
#include "tests/support/server_fixture.h"

#include <gmock/gmock.h>

#include <atomic>
#include <filesystem>
#include <fstream>
#include <set>
#include <thread>

namespace {

using gsf::data::ChangeKind;
using gsf::data::Delta;
using gsf::data::FieldType;
using gsf::server::testing::CommandRun;
using ::testing::HasSubstr;

CommandRun server(const std::string& arguments)
{
    return gsf::server::testing::runCommand(std::string(GSF_SERVER_EXE) + " " + arguments + " 2>&1");
}

std::int64_t number(gsf::sql::Connection& db, const std::string& sql)
{
    return std::get<std::int64_t>(db.Execute(sql).rows.at(0).at(0));
}

// Group codes 000 to zzz: one new group of client 000004 per write.
std::string code(int n)
{
    const char* digits = "0123456789abcdefghijklmnopqrstuvwxyz";
    return {digits[n / 1296 % 36], digits[n / 36 % 36], digits[n % 36]};
}

Delta newGroup(int n)
{
    Delta delta;
    delta.fields = {{"CDFILIAL", FieldType::String, 4},
                    {"CDCLIENTE", FieldType::String, 21},
                    {"CDGRSERVFAT", FieldType::String, 3},
                    {"DSGRSERVFAT", FieldType::String, 30},
                    {"QTEFETMINIGSF", FieldType::Float, 0}};
    delta.changes.push_back({ChangeKind::Insert, {}, {"0001", "000004", code(n), "Grupo " + code(n), 1.0}});
    return delta;
}

class BackupTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::string pattern = (std::filesystem::temp_directory_path() / "gsf-backup-XXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        folder_ = pattern;
    }
    void TearDown() override { std::filesystem::remove_all(folder_); }
    std::string path(const std::string& name) const { return folder_ + "/" + name; }

    std::string folder_;
};

TEST_F(BackupTest, ACopyTakenUnderWriteLoadRestoresToOneCommittedState)
{
    gsf::test::ServerFixture live;
    auto& storage = live.storage();
    // Each write adds a group and, in the same transaction, its history row
    // and a move of the change counter: a torn copy would break one of them.
    std::atomic<int> committed{0};
    std::atomic<bool> stop{false};
    std::thread writer([&] {
        for (int n = 0; !stop && n < 36 * 36 * 36; ++n) {
            storage.UpdGrupServ(newGroup(n));
            committed = n + 1;
        }
    });
    while (committed < 50)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    const int before = committed;
    const CommandRun backup = server("backup " + path("copia.db") + " --sqlite " + live.databasePath());
    const int after = committed;
    while (committed < after + 20)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    stop = true;
    writer.join();
    ASSERT_EQ(backup.status, 0) << backup.output;
    EXPECT_THAT(backup.output, HasSubstr("gravado em " + path("copia.db")));
    EXPECT_FALSE(std::filesystem::exists(path("copia.db-wal"))) << "a backup is one file";
    EXPECT_FALSE(std::filesystem::exists(path("copia.db.parcial")));

    const CommandRun restore = server("restore " + path("copia.db") + " --sqlite " + path("restaurado.db"));
    ASSERT_EQ(restore.status, 0) << restore.output;

    // The server opens the restored database and serves it.
    gsf::server::ServerOptions options;
    options.database = path("restaurado.db");
    gsf::server::AppServer restored(options);
    const auto groups =
        gsf::server::testing::column(restored.GetStorage().GetGrupServ("0001", "000004"), "CDGRSERVFAT");
    const int copied = static_cast<int>(groups.size());
    EXPECT_GE(copied, before);
    EXPECT_LE(copied, after);
    EXPECT_LT(copied, committed.load()) << "the copy holds what was committed when it was taken, not later";
    for (int n = 0; n < copied; ++n)
        ASSERT_EQ(groups[static_cast<size_t>(n)], code(n)) << "no write is missing";

    const auto db = gsf::sql::openDatabase(path("restaurado.db"));
    EXPECT_EQ(number(*db, "SELECT COUNT(*) FROM change_history WHERE client = '000004'"), copied);
    EXPECT_EQ(db->Execute("PRAGMA integrity_check").rows.at(0).at(0), gsf::sql::SqlValue{std::string("ok")});
    // Every other table is the demo data, as the live one still holds it.
    const auto source = gsf::sql::openDatabase(live.databasePath());
    for (const char* table : {"CLIENTE", "SERVGRUPFAT", "CORRPRECGRUP"})
        EXPECT_EQ(number(*db, std::string("SELECT COUNT(*) FROM ") + table),
                  number(*source, std::string("SELECT COUNT(*) FROM ") + table))
            << table;
}

TEST_F(BackupTest, ARestoreReplacesTheDatabaseAndMovesItsCounterOnNeverBack)
{
    {
        gsf::server::ServerOptions options;
        options.database = path("origem.db");
        options.demo = true;
        gsf::server::AppServer seeded(options);
    }
    ASSERT_EQ(server("backup " + path("copia.db") + " --sqlite " + path("origem.db")).status, 0);

    // A database that moved on since: more writes, so a higher counter.
    gsf::server::Storage live(path("origem.db"));
    for (int n = 0; n < 5; ++n)
        live.UpdGrupServ(newGroup(n));
    const std::int64_t counter = live.ChangeVersion();
    const CommandRun restore = server("restore " + path("copia.db") + " --sqlite " + path("origem.db"));
    ASSERT_EQ(restore.status, 0) << restore.output;
    EXPECT_THAT(restore.output, HasSubstr("restaurado de"));
    EXPECT_TRUE(live.GetGrupServ("0001", "000004").rows.empty()) << "the backup's content, read by a storage left open";
    EXPECT_GT(live.ChangeVersion(), counter);
    EXPECT_FALSE(std::filesystem::exists(path("origem.db.restauracao")));
}

TEST_F(BackupTest, WhatIsNotABackupOfThisServerIsRefusedAndTheDatabaseKept)
{
    {
        gsf::server::ServerOptions options;
        options.database = path("vivo.db");
        options.demo = true;
        gsf::server::AppServer seeded(options);
    }
    const auto groups = [&] {
        return number(*gsf::sql::openDatabase(path("vivo.db")), "SELECT COUNT(*) FROM GRUPSERVFAT");
    };
    const std::int64_t kept = groups();

    std::ofstream(path("texto.db")) << "não é um banco de dados\n";
    {
        gsf::sql::openSqlite(path("alheio.db"))->ExecuteScript("CREATE TABLE t (x INTEGER)");
    }
    ASSERT_EQ(server("backup " + path("futuro.db") + " --sqlite " + path("vivo.db")).status, 0);
    gsf::sql::openSqlite(path("futuro.db"))
        ->ExecuteScript("INSERT INTO schema_version (version) VALUES (999); PRAGMA journal_mode=DELETE");

    struct Case {
        std::string file;
        std::string message;
    };
    const std::vector<Case> cases = {
        {"texto.db", "não é um backup íntegro"},
        {"alheio.db", "não é um backup do banco de dados do servidor"},
        {"futuro.db", "tem a versão 999 do esquema, mais nova que a deste programa"},
        {"nenhum.db", "Backup não encontrado"},
    };
    for (const auto& c : cases) {
        const CommandRun run = server("restore " + path(c.file) + " --sqlite " + path("vivo.db"));
        EXPECT_EQ(run.status, 1) << c.file;
        EXPECT_THAT(run.output, HasSubstr(c.message)) << c.file;
        EXPECT_EQ(groups(), kept) << c.file;
    }

    const CommandRun missing = server("backup " + path("x.db") + " --sqlite " + path("nenhum.db"));
    EXPECT_EQ(missing.status, 1);
    EXPECT_THAT(missing.output, HasSubstr("Banco de dados não encontrado"));
    EXPECT_FALSE(std::filesystem::exists(path("nenhum.db"))) << "a backup creates no database";
    EXPECT_FALSE(std::filesystem::exists(path("x.db")));

    EXPECT_EQ(server("backup").status, 2);
    const CommandRun postgres = server("backup " + path("x.db") + " --postgres 'host=/tmp dbname=x'");
    EXPECT_EQ(postgres.status, 2);
    EXPECT_THAT(postgres.output, HasSubstr("pg_dump"));
}

} // namespace
