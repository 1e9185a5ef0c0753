#include "server/backup.h"

#include "server/schema.h"

#include <sqlite3.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <stdexcept>
#include <thread>

#include <fcntl.h>
#include <unistd.h>

namespace gsf::server {

namespace {

[[noreturn]] void fail(const std::string& message)
{
    throw std::runtime_error(message);
}

// One SQLite handle, closed when it goes.
class Handle {
public:
    Handle(const std::string& path, int flags)
    {
        if (sqlite3_open_v2(path.c_str(), &db_, flags, nullptr) != SQLITE_OK) {
            const std::string reason = db_ ? sqlite3_errmsg(db_) : "memória insuficiente";
            sqlite3_close(db_);
            fail("Não foi possível abrir o banco de dados " + path + ": " + reason);
        }
        sqlite3_extended_result_codes(db_, 1);
        sqlite3_busy_timeout(db_, 10000);
    }
    ~Handle() { sqlite3_close(db_); }
    Handle(const Handle&) = delete;
    Handle& operator=(const Handle&) = delete;

    sqlite3* get() const { return db_; }
    std::string error() const { return sqlite3_errmsg(db_); }

    void run(const std::string& sql, const std::string& what)
    {
        char* message = nullptr;
        if (sqlite3_exec(db_, sql.c_str(), nullptr, nullptr, &message) != SQLITE_OK) {
            const std::string reason = message ? message : error();
            sqlite3_free(message);
            fail(what + ": " + reason);
        }
    }

    // The first column of the first row of @p sql, as text; empty when none.
    std::string text(const std::string& sql)
    {
        sqlite3_stmt* statement = nullptr;
        if (sqlite3_prepare_v2(db_, sql.c_str(), -1, &statement, nullptr) != SQLITE_OK)
            return "";
        std::string out;
        if (sqlite3_step(statement) == SQLITE_ROW)
            if (const auto* cell = sqlite3_column_text(statement, 0))
                out = reinterpret_cast<const char*>(cell);
        sqlite3_finalize(statement);
        return out;
    }

private:
    sqlite3* db_ = nullptr;
};

// Copies all of @p from into @p to in one step: the source is read inside
// one read transaction, so what lands is one committed state of it, and the
// destination is written in one write transaction. Writers of a WAL source go
// on meanwhile; a lock held by another connection is waited for.
void copy(Handle& from, Handle& to, const std::string& what)
{
    sqlite3_backup* backup = sqlite3_backup_init(to.get(), "main", from.get(), "main");
    if (!backup)
        fail(what + ": " + to.error());
    int rc = SQLITE_OK;
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    do {
        rc = sqlite3_backup_step(backup, -1);
        if (rc == SQLITE_BUSY || rc == SQLITE_LOCKED) {
            if (std::chrono::steady_clock::now() > until)
                break;
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
    } while (rc == SQLITE_OK || rc == SQLITE_BUSY || rc == SQLITE_LOCKED);
    sqlite3_backup_finish(backup);
    if (rc != SQLITE_DONE)
        fail(what + ": " +
             (rc == SQLITE_BUSY || rc == SQLITE_LOCKED ? "o banco de dados continuou bloqueado"
                                                       : std::string(sqlite3_errstr(rc))));
}

void syncPath(const std::string& path, bool directory)
{
    const int fd = ::open(path.c_str(), (directory ? O_DIRECTORY : 0) | O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return;
    ::fsync(fd);
    ::close(fd);
}

std::string folderOf(const std::string& path)
{
    const auto parent = std::filesystem::path(path).parent_path();
    return parent.empty() ? "." : parent.string();
}

void removeQuietly(const std::string& path)
{
    std::error_code ignored;
    for (const char* suffix : {"", "-journal", "-wal", "-shm"})
        std::filesystem::remove(path + suffix, ignored);
}

// A sound database of this server, with a schema this program knows.
void checkBackup(Handle& backup, const std::string& file)
{
    const std::string check = backup.text("PRAGMA quick_check");
    if (check != "ok")
        fail("O arquivo " + file + " não é um backup íntegro do banco de dados" + (check.empty() ? "." : ": " + check));
    const std::string version = backup.text("SELECT MAX(version) FROM schema_version");
    if (version.empty() || backup.text("SELECT version FROM change_counter WHERE id = 1").empty())
        fail("O arquivo " + file + " não é um backup do banco de dados do servidor de aplicação.");
    if (std::stoi(version) > latestSchemaVersion())
        fail("O backup " + file + " tem a versão " + version + " do esquema, mais nova que a deste programa (" +
             std::to_string(latestSchemaVersion()) + ").");
}

} // namespace

void backupDatabase(const std::string& database, const std::string& file)
{
    if (!std::filesystem::exists(database))
        fail("Banco de dados não encontrado: " + database);
    Handle source(database, SQLITE_OPEN_READWRITE);
    const std::string partial = file + ".parcial";
    removeQuietly(partial);
    try {
        {
            Handle target(partial, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE);
            copy(source, target, "Falha ao copiar o banco de dados para " + file);
            // The copy carries the source's WAL mode; a backup is one file.
            target.run("PRAGMA journal_mode=DELETE", "Falha ao gravar o backup " + file);
            const std::string check = target.text("PRAGMA quick_check");
            if (check != "ok")
                fail("O backup " + file + " não ficou íntegro: " + check);
        }
        syncPath(partial, false);
        std::filesystem::rename(partial, file);
        syncPath(folderOf(file), true);
    } catch (const std::filesystem::filesystem_error& e) {
        removeQuietly(partial);
        fail("Não foi possível gravar o backup " + file + ": " + e.code().message());
    } catch (...) {
        removeQuietly(partial);
        throw;
    }
}

void restoreDatabase(const std::string& file, const std::string& database)
{
    if (!std::filesystem::exists(file))
        fail("Backup não encontrado: " + file);
    Handle backup(file, SQLITE_OPEN_READONLY);
    checkBackup(backup, file);

    Handle target(database, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE);
    const std::string current = target.text("SELECT version FROM change_counter WHERE id = 1");
    // The backup is staged in a copy whose change counter is set past both
    // the backup's and the database's, then copied over the database in one
    // transaction: the counter never goes back, and a server that keeps
    // answers under the old counter never serves one of them again.
    const std::string staged = database + ".restauracao";
    removeQuietly(staged);
    try {
        {
            Handle stage(staged, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE);
            copy(backup, stage, "Falha ao ler o backup " + file);
            const long long before = current.empty() ? 0 : std::stoll(current);
            stage.run("UPDATE change_counter SET version = MAX(version, " + std::to_string(before) + ") + 1",
                      "Falha ao preparar a restauração");
            copy(stage, target, "Falha ao restaurar o banco de dados " + database);
        }
        target.run("PRAGMA journal_mode=WAL", "Falha ao restaurar o banco de dados " + database);
    } catch (...) {
        removeQuietly(staged);
        throw;
    }
    removeQuietly(staged);
}

} // namespace gsf::server
