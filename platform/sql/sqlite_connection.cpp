#include "platform/sql/database.h"

#include <sqlite3.h>

namespace gsf::sql {

namespace {

ErrorKind kindOf(int extendedCode)
{
    switch (extendedCode) {
    case SQLITE_CONSTRAINT_UNIQUE:
    case SQLITE_CONSTRAINT_PRIMARYKEY: return ErrorKind::UniqueViolation;
    case SQLITE_CONSTRAINT_FOREIGNKEY: return ErrorKind::ForeignKeyViolation;
    case SQLITE_CONSTRAINT_CHECK:
    case SQLITE_CONSTRAINT_NOTNULL: return ErrorKind::CheckViolation;
    default: break;
    }
    switch (extendedCode & 0xff) {
    case SQLITE_BUSY:
    case SQLITE_LOCKED: return ErrorKind::Busy;
    case SQLITE_CANTOPEN:
    case SQLITE_NOTADB: return ErrorKind::Connection;
    default: return ErrorKind::Other;
    }
}

[[noreturn]] void fail(sqlite3* db, const std::string& what)
{
    throw SqlError(kindOf(sqlite3_extended_errcode(db)), what + ": " + sqlite3_errmsg(db));
}

class SqliteStatement final : public Statement {
public:
    SqliteStatement(sqlite3* db, const ParsedSql& parsed) : Statement(parsed.names), db_(db)
    {
        if (sqlite3_prepare_v2(db_, parsed.text.c_str(), static_cast<int>(parsed.text.size()), &stmt_, nullptr) !=
            SQLITE_OK)
            fail(db_, "Erro ao preparar a instrução");
    }
    ~SqliteStatement() override { sqlite3_finalize(stmt_); }
    SqliteStatement(const SqliteStatement&) = delete;
    SqliteStatement& operator=(const SqliteStatement&) = delete;

protected:
    void start() override
    {
        sqlite3_reset(stmt_);
        sqlite3_clear_bindings(stmt_);
        for (size_t i = 0; i < values_.size(); ++i)
            bindOne(static_cast<int>(i + 1), values_[i]);
        affected_ = 0;
    }

    bool step() override
    {
        const int rc = sqlite3_step(stmt_);
        if (rc == SQLITE_ROW)
            return true;
        if (rc != SQLITE_DONE) {
            sqlite3_reset(stmt_);
            fail(db_, "Erro ao executar a instrução");
        }
        affected_ = sqlite3_column_count(stmt_) == 0 ? sqlite3_changes64(db_) : 0;
        return false;
    }

    void finish() noexcept override { sqlite3_reset(stmt_); }

    int columnCount() const override { return sqlite3_column_count(stmt_); }
    std::string columnName(int c) const override { return sqlite3_column_name(stmt_, c); }

    CellKind kind(int c) const override
    {
        switch (sqlite3_column_type(stmt_, c)) {
        case SQLITE_NULL: return CellKind::Null;
        case SQLITE_INTEGER: return CellKind::Integer;
        case SQLITE_FLOAT: return CellKind::Number;
        default: return CellKind::Text;
        }
    }
    std::int64_t integer(int c) const override { return sqlite3_column_int64(stmt_, c); }
    double number(int c) const override { return sqlite3_column_double(stmt_, c); }
    std::string_view text(int c) const override
    {
        const auto* data = reinterpret_cast<const char*>(sqlite3_column_text(stmt_, c));
        return {data ? data : "", static_cast<size_t>(sqlite3_column_bytes(stmt_, c))};
    }
    std::int64_t affected() const override { return affected_; }

private:
    void bindOne(int position, const SqlValue& value)
    {
        int rc = SQLITE_OK;
        if (std::holds_alternative<std::monostate>(value))
            rc = sqlite3_bind_null(stmt_, position);
        else if (const auto* i = std::get_if<std::int64_t>(&value))
            rc = sqlite3_bind_int64(stmt_, position, *i);
        else if (const auto* d = std::get_if<double>(&value))
            rc = sqlite3_bind_double(stmt_, position, *d);
        else {
            const auto& s = std::get<std::string>(value);
            rc = sqlite3_bind_text(stmt_, position, s.data(), static_cast<int>(s.size()), SQLITE_TRANSIENT);
        }
        if (rc != SQLITE_OK)
            fail(db_, "Erro ao associar o parâmetro " + std::to_string(position));
    }

    sqlite3* db_;
    sqlite3_stmt* stmt_ = nullptr;
    std::int64_t affected_ = 0;
};

class SqliteConnection final : public Connection {
public:
    explicit SqliteConnection(const std::string& path)
    {
        const int flags = SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX;
        if (sqlite3_open_v2(path.c_str(), &db_, flags, nullptr) != SQLITE_OK) {
            const std::string message = db_ ? sqlite3_errmsg(db_) : "memória insuficiente";
            sqlite3_close(db_);
            throw SqlError(ErrorKind::Connection, "Não foi possível abrir o banco de dados " + path + ": " + message);
        }
        sqlite3_extended_result_codes(db_, 1);
        sqlite3_busy_timeout(db_, 10000);
        try {
            ExecuteScript("PRAGMA journal_mode=WAL; PRAGMA synchronous=NORMAL; PRAGMA foreign_keys=ON; PRAGMA "
                          "mmap_size=268435456;");
        } catch (...) {
            sqlite3_close(db_);
            throw;
        }
    }
    ~SqliteConnection() override
    {
        statements_.Clear();
        sqlite3_close(db_);
    }
    SqliteConnection(const SqliteConnection&) = delete;
    SqliteConnection& operator=(const SqliteConnection&) = delete;

    Engine GetEngine() const override { return Engine::SQLite; }

    Statement& Prepare(const std::string& sql) override
    {
        if (Statement* kept = statements_.Find(sql))
            return *kept;
        return statements_.Keep(sql, std::make_unique<SqliteStatement>(db_, parseSql(sql, Engine::SQLite)));
    }
    std::size_t CachedStatements() const override { return statements_.Size(); }

    void ExecuteScript(const std::string& sql) override
    {
        char* error = nullptr;
        if (sqlite3_exec(db_, sql.c_str(), nullptr, nullptr, &error) != SQLITE_OK) {
            const std::string message = error ? error : "erro desconhecido";
            sqlite3_free(error);
            throw SqlError(kindOf(sqlite3_extended_errcode(db_)), "Erro ao executar o script: " + message);
        }
    }

    // IMMEDIATE takes the write lock at once: a deferred transaction that reads
    // first and writes later can fail with SQLITE_BUSY without waiting.
    void Begin(bool write) override { ExecuteScript(write ? "BEGIN IMMEDIATE" : "BEGIN"); }
    void Commit() override { ExecuteScript("COMMIT"); }
    void Rollback() noexcept override
    {
        if (!sqlite3_get_autocommit(db_))
            sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
    }
    bool InTransaction() const override { return !sqlite3_get_autocommit(db_); }
    // A file database stays reachable once open; a failed statement leaves it usable.
    bool IsUsable() const noexcept override { return db_ != nullptr; }

private:
    sqlite3* db_ = nullptr;
    StatementCache statements_{kStatementCacheSize};
};

} // namespace

std::unique_ptr<Connection> openSqlite(const std::string& path)
{
    return std::make_unique<SqliteConnection>(path);
}

} // namespace gsf::sql
