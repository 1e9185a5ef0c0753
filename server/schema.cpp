#include "server/schema.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <string>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace gsf::server {

namespace {

using gsf::sql::Engine;

// Each migration is applied once, in order, in its own transaction. Never edit
// a released migration: add the next one.
// {C} marks text columns that sort and compare byte by byte on both engines;
// {ID} is the engine's auto-numbered key.
const char* const kMigrations[] = {
    R"(
CREATE TABLE FILIAL (
  CDFILIAL VARCHAR(4) {C} NOT NULL PRIMARY KEY,
  NMFILIAL VARCHAR(30)
);
CREATE TABLE CLIENTE (
  CDFILIAL VARCHAR(4) {C} NOT NULL REFERENCES FILIAL (CDFILIAL),
  CDCLIENTE VARCHAR(21) {C} NOT NULL,
  NRINSJURCLIE VARCHAR(20) {C} NOT NULL,
  IDTPIJURCLIE VARCHAR(1) NOT NULL CHECK (IDTPIJURCLIE IN ('F', 'J')),
  NMRAZSOCCLIE VARCHAR(50),
  NMFANTCLIE VARCHAR(50),
  PRIMARY KEY (CDFILIAL, CDCLIENTE)
);
CREATE INDEX CLIENTE_INSCRICAO ON CLIENTE (CDFILIAL, NRINSJURCLIE);
CREATE TABLE SERVFILI (
  CDFILIAL VARCHAR(4) {C} NOT NULL REFERENCES FILIAL (CDFILIAL),
  CDSERVFILI VARCHAR(5) {C} NOT NULL,
  NMSERVICO VARCHAR(40),
  PRIMARY KEY (CDFILIAL, CDSERVFILI)
);
CREATE TABLE SERVCLIE (
  CDFILIAL VARCHAR(4) {C} NOT NULL,
  CDCLIENTE VARCHAR(21) {C} NOT NULL,
  CDSERVFILI VARCHAR(5) {C} NOT NULL,
  PRIMARY KEY (CDFILIAL, CDCLIENTE, CDSERVFILI),
  FOREIGN KEY (CDFILIAL, CDCLIENTE) REFERENCES CLIENTE (CDFILIAL, CDCLIENTE),
  FOREIGN KEY (CDFILIAL, CDSERVFILI) REFERENCES SERVFILI (CDFILIAL, CDSERVFILI)
);
CREATE TABLE GRUPSERVFAT (
  CDFILIAL VARCHAR(4) {C} NOT NULL,
  CDCLIENTE VARCHAR(21) {C} NOT NULL,
  CDGRSERVFAT VARCHAR(3) {C} NOT NULL,
  DSGRSERVFAT VARCHAR(30),
  QTEFETMINIGSF DOUBLE PRECISION,
  QTEFMINDOMGSF DOUBLE PRECISION,
  QTEFMINSEGGSF DOUBLE PRECISION,
  QTEFMINTERGSF DOUBLE PRECISION,
  QTEFMINQUAGSF DOUBLE PRECISION,
  QTEFMINQUIGSF DOUBLE PRECISION,
  QTEFMINSEXGSF DOUBLE PRECISION,
  QTEFMINSABGSF DOUBLE PRECISION,
  QTEFMINFERGSF DOUBLE PRECISION,
  CDSERAJEFEGSF VARCHAR(5) {C},
  PRIMARY KEY (CDFILIAL, CDCLIENTE, CDGRSERVFAT),
  FOREIGN KEY (CDFILIAL, CDCLIENTE) REFERENCES CLIENTE (CDFILIAL, CDCLIENTE)
);
CREATE TABLE SERVGRUPFAT (
  CDFILIAL VARCHAR(4) {C} NOT NULL,
  CDCLIENTE VARCHAR(21) {C} NOT NULL,
  CDGRSERVFAT VARCHAR(3) {C} NOT NULL,
  CDSERVFILI VARCHAR(5) {C} NOT NULL,
  IDCORREFET VARCHAR(3),
  PRIMARY KEY (CDFILIAL, CDCLIENTE, CDSERVFILI),
  FOREIGN KEY (CDFILIAL, CDCLIENTE, CDGRSERVFAT) REFERENCES GRUPSERVFAT (CDFILIAL, CDCLIENTE, CDGRSERVFAT)
    ON DELETE CASCADE ON UPDATE CASCADE,
  FOREIGN KEY (CDFILIAL, CDCLIENTE, CDSERVFILI) REFERENCES SERVCLIE (CDFILIAL, CDCLIENTE, CDSERVFILI)
);
CREATE INDEX SERVGRUPFAT_GRUPO ON SERVGRUPFAT (CDFILIAL, CDCLIENTE, CDGRSERVFAT);
CREATE TABLE CORRPRECGRUP (
  ID {ID},
  CDFILIAL VARCHAR(4) {C} NOT NULL,
  CDCLIENTE VARCHAR(21) {C} NOT NULL,
  CDGRSERVFAT VARCHAR(3) {C} NOT NULL,
  VRPEINICGRUP DOUBLE PRECISION,
  VRPEFIMGRUP DOUBLE PRECISION,
  VRPECORRGRUP DOUBLE PRECISION,
  FOREIGN KEY (CDFILIAL, CDCLIENTE, CDGRSERVFAT) REFERENCES GRUPSERVFAT (CDFILIAL, CDCLIENTE, CDGRSERVFAT)
    ON DELETE CASCADE ON UPDATE CASCADE
);
CREATE INDEX CORRPRECGRUP_GRUPO ON CORRPRECGRUP (CDFILIAL, CDCLIENTE, CDGRSERVFAT);
CREATE TABLE PARAMFATFILI (
  CDFILIAL VARCHAR(4) {C} NOT NULL PRIMARY KEY REFERENCES FILIAL (CDFILIAL),
  CDTIPOFATUR VARCHAR(3),
  DSPARAMFATFI VARCHAR(200)
);
)",
    // The change counter: one row whose version goes up, in the same
    // transaction, with every write to a data table, whoever the writer is
    // (this server, another server process, any other program), because the
    // triggers live in the database. Cached answers are checked against it.
    R"(
CREATE TABLE change_counter (
  id INTEGER NOT NULL PRIMARY KEY CHECK (id = 1),
  version BIGINT NOT NULL
);
INSERT INTO change_counter (id, version) VALUES (1, 0);
{COUNTER_TRIGGERS}
)",
    // Write requests already applied, by the id the client gave them, so that
    // one sent again after a lost answer is not applied twice. Written in the
    // transaction of the change itself; not a data table (no counter trigger).
    R"(
CREATE TABLE request_replay (
  id VARCHAR(64) {C} NOT NULL PRIMARY KEY,
  fingerprint VARCHAR(16) NOT NULL,
  at BIGINT NOT NULL
);
CREATE INDEX request_replay_at ON request_replay (at);
)",
    // The change history: one row per row a call inserted, altered or
    // removed, written in the call's own transaction. Its writes do not move
    // the change counter: no answer of the remote methods reads it.
    R"(
CREATE TABLE change_history (
  id {ID},
  changed_at VARCHAR(27) NOT NULL,
  user_name VARCHAR(200) NOT NULL,
  token_name VARCHAR(200) NOT NULL,
  request_id VARCHAR(200),
  method VARCHAR(40) NOT NULL,
  operation VARCHAR(1) NOT NULL CHECK (operation IN ('I', 'U', 'D')),
  table_name VARCHAR(30) NOT NULL,
  branch VARCHAR(4) {C} NOT NULL,
  client VARCHAR(21) {C} NOT NULL,
  service_group VARCHAR(3) {C} NOT NULL,
  row_key TEXT NOT NULL,
  old_values TEXT,
  new_values TEXT
);
CREATE INDEX change_history_time ON change_history (changed_at);
CREATE INDEX change_history_group ON change_history (branch, client, service_group);
)",
};

const char* const kDataTables[] = {"FILIAL",      "CLIENTE",     "SERVFILI",     "SERVCLIE",
                                   "GRUPSERVFAT", "SERVGRUPFAT", "CORRPRECGRUP", "PARAMFATFILI"};

// SQLite has row triggers only: the counter moves once per changed row.
// PostgreSQL bumps it once per statement, BEFORE the statement touches any row:
// the counter row's lock is then always the first lock a writing transaction
// takes, so serializing the writers on it adds no deadlock.
std::string counterTriggers(Engine engine)
{
    std::string out;
    if (engine == Engine::PostgreSQL) {
        out = "CREATE FUNCTION bump_change_counter() RETURNS trigger LANGUAGE plpgsql AS $$ "
              "BEGIN UPDATE change_counter SET version = version + 1; RETURN NULL; END $$;\n";
        for (const char* table : kDataTables)
            out += std::string("CREATE TRIGGER ") + table +
                   "_CHANGES BEFORE INSERT OR UPDATE OR DELETE OR TRUNCATE ON " + table +
                   " FOR EACH STATEMENT EXECUTE FUNCTION bump_change_counter();\n";
        return out;
    }
    for (const char* table : kDataTables)
        for (const char* event : {"INSERT", "UPDATE", "DELETE"})
            out += std::string("CREATE TRIGGER ") + table + "_" + event + " AFTER " + event + " ON " + table +
                   " BEGIN UPDATE change_counter SET version = version + 1; END;\n";
    return out;
}

std::string forEngine(std::string text, Engine engine)
{
    auto replaceAll = [&](const std::string& from, const std::string& to) {
        for (size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size()))
            text.replace(at, from.size(), to);
    };
    const bool pg = engine == Engine::PostgreSQL;
    replaceAll("{C}", pg ? "COLLATE \"C\"" : "");
    replaceAll("{ID}", pg ? "BIGINT GENERATED BY DEFAULT AS IDENTITY PRIMARY KEY" : "INTEGER PRIMARY KEY");
    replaceAll("{COUNTER_TRIGGERS}", counterTriggers(engine));
    return text;
}

} // namespace

int latestSchemaVersion()
{
    return static_cast<int>(std::size(kMigrations));
}

int schemaVersion(gsf::sql::Connection& connection)
{
    const auto result = connection.Execute("SELECT MAX(version) FROM schema_version");
    const auto& cell = result.rows.at(0).at(0);
    return std::holds_alternative<std::int64_t>(cell) ? static_cast<int>(std::get<std::int64_t>(cell)) : 0;
}

StartupLock::StartupLock(const std::string& target)
{
    if (gsf::sql::engineOf(target) == Engine::PostgreSQL) {
        session_ = gsf::sql::openPostgres(target);
        // One key for this program's schema; the session's end lets it go.
        session_->Execute("SELECT pg_advisory_lock(7301125541)");
        return;
    }
    const auto parent = std::filesystem::path(target).parent_path();
    const std::string folder = parent.empty() ? "." : parent.string();
    folder_ = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folder_ < 0)
        throw gsf::sql::SqlError(gsf::sql::ErrorKind::Connection, "Não foi possível abrir a pasta do banco de dados " +
                                                                      folder + ": " + std::strerror(errno));
    while (::flock(folder_, LOCK_EX) != 0 && errno == EINTR) {}
}

StartupLock::~StartupLock()
{
    if (folder_ >= 0)
        ::close(folder_); // closing lets the lock go
}

void migrate(gsf::sql::Connection& connection)
{
    connection.ExecuteScript("CREATE TABLE IF NOT EXISTS schema_version (version INTEGER NOT NULL PRIMARY KEY)");
    gsf::sql::Transaction transaction(connection, true);
    // Several server processes may start together on one PostgreSQL database:
    // the first one migrates, the others wait and then find nothing to do.
    if (connection.GetEngine() == Engine::PostgreSQL)
        connection.ExecuteScript("LOCK TABLE schema_version IN EXCLUSIVE MODE");
    for (int version = schemaVersion(connection) + 1; version <= latestSchemaVersion(); ++version) {
        connection.ExecuteScript(forEngine(kMigrations[version - 1], connection.GetEngine()));
        connection.Execute("INSERT INTO schema_version (version) VALUES (?)", {std::int64_t{version}});
    }
    transaction.Commit();
}

} // namespace gsf::server
