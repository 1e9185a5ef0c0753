#include "platform/sql/database.h"

#include <libpq-fe.h>

#include <charconv>
#include <cstdlib>
#include <cstring>

namespace gsf::sql {

namespace {

// Type oids from the server's catalogue (pg_type), stable across versions.
constexpr Oid kBool = 16, kInt8 = 20, kInt2 = 21, kInt4 = 23, kFloat4 = 700, kFloat8 = 701, kNumeric = 1700;

ErrorKind kindOf(const PGresult* res, PGconn* conn)
{
    if (PQstatus(conn) != CONNECTION_OK)
        return ErrorKind::Connection;
    const char* state = res ? PQresultErrorField(res, PG_DIAG_SQLSTATE) : nullptr;
    if (!state)
        return ErrorKind::Other;
    const std::string s = state;
    if (s == "23505")
        return ErrorKind::UniqueViolation;
    if (s == "23503")
        return ErrorKind::ForeignKeyViolation;
    if (s == "23514" || s == "23502")
        return ErrorKind::CheckViolation;
    if (s == "40001" || s == "40P01")
        return ErrorKind::Serialization;
    if (s == "55P03")
        return ErrorKind::Busy;
    if (s.starts_with("08"))
        return ErrorKind::Connection;
    return ErrorKind::Other;
}

struct ResultGuard {
    PGresult* res;
    ~ResultGuard() { PQclear(res); }
};

void check(PGresult* res, PGconn* conn, const std::string& what)
{
    const auto status = PQresultStatus(res);
    if (status == PGRES_COMMAND_OK || status == PGRES_TUPLES_OK)
        return;
    std::string message = PQerrorMessage(conn);
    while (!message.empty() && (message.back() == '\n' || message.back() == ' '))
        message.pop_back();
    throw SqlError(kindOf(res, conn), what + ": " + message);
}

// A statement prepared once on the server under a name of its own and run
// by that name, so that a run sends only the values: the server neither
// parses nor plans the text again. Parameter types are left to the server,
// which takes each from where the placeholder stands.
class PgStatement final : public Statement {
public:
    PgStatement(PGconn* conn, const ParsedSql& parsed, std::string name, const bool& closing)
        : Statement(parsed.names), conn_(conn), name_(std::move(name)), closing_(closing)
    {
        ResultGuard guard{PQprepare(conn_, name_.c_str(), parsed.text.c_str(), 0, nullptr)};
        check(guard.res, conn_, "Erro ao preparar a instrução");
    }
    ~PgStatement() override
    {
        finish();
        // Past the statement cache's bound the server's copy goes too; it goes
        // anyway with the session. A failure (an aborted transaction, a lost
        // link) only leaves it there until the session ends.
        if (!closing_)
            PQclear(PQexec(conn_, ("DEALLOCATE " + name_).c_str()));
    }
    PgStatement(const PgStatement&) = delete;
    PgStatement& operator=(const PgStatement&) = delete;

protected:
    void start() override
    {
        finish();
        const size_t n = values_.size();
        texts_.resize(n);
        pointers_.assign(n, nullptr);
        for (size_t i = 0; i < n; ++i) {
            const SqlValue& v = values_[i];
            if (const auto* iv = std::get_if<std::int64_t>(&v)) {
                texts_[i] = std::to_string(*iv);
            } else if (const auto* dv = std::get_if<double>(&v)) {
                char buffer[32];
                const auto end = std::to_chars(buffer, buffer + sizeof buffer, *dv).ptr;
                texts_[i].assign(buffer, end);
            } else if (const auto* sv = std::get_if<std::string>(&v)) {
                texts_[i] = *sv;
            } else {
                continue; // null: no pointer
            }
            pointers_[i] = texts_[i].c_str();
        }
        res_ = PQexecPrepared(conn_, name_.c_str(), static_cast<int>(n), pointers_.data(), nullptr, nullptr, 0);
        try {
            check(res_, conn_, "Erro ao executar a instrução");
        } catch (...) {
            finish();
            throw;
        }
        rows_ = PQntuples(res_);
        row_ = -1;
    }

    bool step() override { return ++row_ < rows_; }

    void finish() noexcept override
    {
        PQclear(res_);
        res_ = nullptr;
        rows_ = 0;
        row_ = -1;
    }

    int columnCount() const override { return res_ ? PQnfields(res_) : 0; }
    std::string columnName(int c) const override { return PQfname(res_, c); }

    CellKind kind(int c) const override
    {
        if (PQgetisnull(res_, row_, c))
            return CellKind::Null;
        switch (PQftype(res_, c)) {
        case kInt2:
        case kInt4:
        case kInt8:
        case kBool: return CellKind::Integer;
        case kFloat4:
        case kFloat8:
        case kNumeric: return CellKind::Number;
        default: return CellKind::Text;
        }
    }
    std::int64_t integer(int c) const override
    {
        const char* value = PQgetvalue(res_, row_, c);
        if (PQftype(res_, c) == kBool)
            return value[0] == 't' ? 1 : 0;
        return std::atoll(value);
    }
    double number(int c) const override
    {
        const char* value = PQgetvalue(res_, row_, c);
        double out = 0;
        const auto [end, error] = std::from_chars(value, value + PQgetlength(res_, row_, c), out);
        // "Infinity" and "NaN" are not numbers std::from_chars reads.
        return error == std::errc() ? out : std::strtod(value, nullptr);
    }
    std::string_view text(int c) const override
    {
        return {PQgetvalue(res_, row_, c), static_cast<size_t>(PQgetlength(res_, row_, c))};
    }
    std::int64_t affected() const override
    {
        const char* count = res_ ? PQcmdTuples(res_) : nullptr;
        return (count && *count) ? std::atoll(count) : 0;
    }

private:
    PGconn* conn_;
    std::string name_;
    const bool& closing_;
    PGresult* res_ = nullptr;
    int rows_ = 0;
    int row_ = -1;
    std::vector<std::string> texts_;
    std::vector<const char*> pointers_;
};

class PgConnection final : public Connection {
public:
    explicit PgConnection(const std::string& conninfo) : conn_(PQconnectdb(conninfo.c_str()))
    {
        if (PQstatus(conn_) != CONNECTION_OK) {
            std::string message = conn_ ? PQerrorMessage(conn_) : "memória insuficiente";
            PQfinish(conn_);
            while (!message.empty() && message.back() == '\n')
                message.pop_back();
            throw SqlError(ErrorKind::Connection, "Não foi possível conectar ao PostgreSQL: " + message);
        }
        PQsetNoticeProcessor(
            conn_, [](void*, const char*) {}, nullptr);
        ExecuteScript("SET client_encoding TO 'UTF8'; SET extra_float_digits TO 3");
    }
    ~PgConnection() override
    {
        closing_ = true;
        statements_.Clear();
        PQfinish(conn_);
    }
    PgConnection(const PgConnection&) = delete;
    PgConnection& operator=(const PgConnection&) = delete;

    Engine GetEngine() const override { return Engine::PostgreSQL; }

    Statement& Prepare(const std::string& sql) override
    {
        if (Statement* kept = statements_.Find(sql))
            return *kept;
        return statements_.Keep(sql, std::make_unique<PgStatement>(conn_, parseSql(sql, Engine::PostgreSQL),
                                                                   "gsf_" + std::to_string(++prepared_), closing_));
    }
    std::size_t CachedStatements() const override { return statements_.Size(); }

    void ExecuteScript(const std::string& sql) override
    {
        ResultGuard guard{PQexec(conn_, sql.c_str())};
        check(guard.res, conn_, "Erro ao executar o script");
    }

    void Begin(bool) override { ExecuteScript("BEGIN"); }
    void Commit() override { ExecuteScript("COMMIT"); }
    void Rollback() noexcept override
    {
        if (InTransaction())
            PQclear(PQexec(conn_, "ROLLBACK"));
    }
    // The server's own view: a failed statement leaves the transaction open
    // (in error) until it is rolled back.
    bool InTransaction() const override
    {
        const auto status = PQtransactionStatus(conn_);
        return status == PQTRANS_INTRANS || status == PQTRANS_INERROR || status == PQTRANS_ACTIVE;
    }
    bool IsUsable() const noexcept override
    {
        return PQstatus(conn_) == CONNECTION_OK && PQtransactionStatus(conn_) != PQTRANS_UNKNOWN;
    }

private:
    PGconn* conn_;
    bool closing_ = false;
    std::uint64_t prepared_ = 0; ///< statements prepared so far: each gets a name of its own
    StatementCache statements_{kStatementCacheSize};
};

} // namespace

std::unique_ptr<Connection> openPostgres(const std::string& conninfo)
{
    return std::make_unique<PgConnection>(conninfo);
}

} // namespace gsf::sql
