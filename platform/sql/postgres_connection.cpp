#include "platform/sql/database.h"

#include <libpq-fe.h>

#include <cstdlib>
#include <cstring>

namespace gsf::sql {

namespace {

// Type oids from the server's catalogue (pg_type), stable across versions.
constexpr Oid kBool = 16, kInt8 = 20, kInt2 = 21, kInt4 = 23, kText = 25, kFloat4 = 700, kFloat8 = 701,
              kNumeric = 1700;

ErrorKind kindOf(const PGresult* res, PGconn* conn) {
    if (PQstatus(conn) != CONNECTION_OK) return ErrorKind::Connection;
    const char* state = res ? PQresultErrorField(res, PG_DIAG_SQLSTATE) : nullptr;
    if (!state) return ErrorKind::Other;
    const std::string s = state;
    if (s == "23505") return ErrorKind::UniqueViolation;
    if (s == "23503") return ErrorKind::ForeignKeyViolation;
    if (s == "23514" || s == "23502") return ErrorKind::CheckViolation;
    if (s == "40001" || s == "40P01") return ErrorKind::Serialization;
    if (s == "55P03") return ErrorKind::Busy;
    if (s.starts_with("08")) return ErrorKind::Connection;
    return ErrorKind::Other;
}

struct ResultGuard {
    PGresult* res;
    ~ResultGuard() { PQclear(res); }
};

void check(PGresult* res, PGconn* conn, const std::string& what) {
    const auto status = PQresultStatus(res);
    if (status == PGRES_COMMAND_OK || status == PGRES_TUPLES_OK) return;
    std::string message = PQerrorMessage(conn);
    while (!message.empty() && (message.back() == '\n' || message.back() == ' ')) message.pop_back();
    throw SqlError(kindOf(res, conn), what + ": " + message);
}

class PgConnection;

class PgStatement final : public Statement {
public:
    PgStatement(PGconn* conn, const ParsedSql& parsed) : Statement(parsed.names), conn_(conn), text_(parsed.text) {}

    ResultSet Execute() override {
        const size_t n = values_.size();
        std::vector<Oid> types(n, 0);
        std::vector<std::string> texts(n);
        std::vector<const char*> pointers(n, nullptr);
        for (size_t i = 0; i < n; ++i) {
            const SqlValue& v = values_[i];
            if (const auto* iv = std::get_if<std::int64_t>(&v)) {
                types[i] = kInt8;
                texts[i] = std::to_string(*iv);
            } else if (const auto* dv = std::get_if<double>(&v)) {
                types[i] = kFloat8;
                char buffer[32];
                std::snprintf(buffer, sizeof buffer, "%.17g", *dv);
                texts[i] = buffer;
            } else if (const auto* sv = std::get_if<std::string>(&v)) {
                types[i] = kText;
                texts[i] = *sv;
            } else {
                continue;  // null: no pointer, type left to the server
            }
            pointers[i] = texts[i].c_str();
        }
        ResultGuard guard{PQexecParams(conn_, text_.c_str(), static_cast<int>(n), types.data(), pointers.data(),
                                       nullptr, nullptr, 0)};
        check(guard.res, conn_, "Erro ao executar a instrução");
        ResultSet result;
        const int columns = PQnfields(guard.res);
        for (int c = 0; c < columns; ++c) result.columns.emplace_back(PQfname(guard.res, c));
        const int rows = PQntuples(guard.res);
        result.rows.reserve(static_cast<size_t>(rows));
        for (int r = 0; r < rows; ++r) {
            auto& row = result.rows.emplace_back();
            row.reserve(static_cast<size_t>(columns));
            for (int c = 0; c < columns; ++c) row.push_back(cell(guard.res, r, c));
        }
        const char* affected = PQcmdTuples(guard.res);
        result.rowsAffected = (affected && *affected) ? std::atoll(affected) : 0;
        return result;
    }

private:
    static SqlValue cell(PGresult* res, int r, int c) {
        if (PQgetisnull(res, r, c)) return std::monostate{};
        const char* text = PQgetvalue(res, r, c);
        switch (PQftype(res, c)) {
        case kInt2:
        case kInt4:
        case kInt8:
            return static_cast<std::int64_t>(std::atoll(text));
        case kFloat4:
        case kFloat8:
        case kNumeric:
            return std::strtod(text, nullptr);
        case kBool:
            return static_cast<std::int64_t>(text[0] == 't' ? 1 : 0);
        default:
            return std::string(text, static_cast<size_t>(PQgetlength(res, r, c)));
        }
    }

    PGconn* conn_;
    std::string text_;
};

class PgConnection final : public Connection {
public:
    explicit PgConnection(const std::string& conninfo) : conn_(PQconnectdb(conninfo.c_str())) {
        if (PQstatus(conn_) != CONNECTION_OK) {
            std::string message = conn_ ? PQerrorMessage(conn_) : "memória insuficiente";
            PQfinish(conn_);
            while (!message.empty() && message.back() == '\n') message.pop_back();
            throw SqlError(ErrorKind::Connection, "Não foi possível conectar ao PostgreSQL: " + message);
        }
        PQsetNoticeProcessor(conn_, [](void*, const char*) {}, nullptr);
        ExecuteScript("SET client_encoding TO 'UTF8'; SET extra_float_digits TO 3");
    }
    ~PgConnection() override { PQfinish(conn_); }
    PgConnection(const PgConnection&) = delete;
    PgConnection& operator=(const PgConnection&) = delete;

    Engine GetEngine() const override { return Engine::PostgreSQL; }

    Statement& Prepare(const std::string& sql) override {
        if (Statement* kept = statements_.Find(sql)) return *kept;
        return statements_.Keep(sql, std::make_unique<PgStatement>(conn_, parseSql(sql, Engine::PostgreSQL)));
    }
    std::size_t CachedStatements() const override { return statements_.Size(); }

    void ExecuteScript(const std::string& sql) override {
        ResultGuard guard{PQexec(conn_, sql.c_str())};
        check(guard.res, conn_, "Erro ao executar o script");
    }

    void Begin(bool) override { ExecuteScript("BEGIN"); }
    void Commit() override { ExecuteScript("COMMIT"); }
    void Rollback() noexcept override {
        if (InTransaction()) PQclear(PQexec(conn_, "ROLLBACK"));
    }
    // The server's own view: a failed statement leaves the transaction open
    // (in error) until it is rolled back.
    bool InTransaction() const override {
        const auto status = PQtransactionStatus(conn_);
        return status == PQTRANS_INTRANS || status == PQTRANS_INERROR || status == PQTRANS_ACTIVE;
    }
    bool IsUsable() const noexcept override {
        return PQstatus(conn_) == CONNECTION_OK && PQtransactionStatus(conn_) != PQTRANS_UNKNOWN;
    }

private:
    PGconn* conn_;
    StatementCache statements_{kStatementCacheSize};
};

} // namespace

std::unique_ptr<Connection> openPostgres(const std::string& conninfo) {
    return std::make_unique<PgConnection>(conninfo);
}

} // namespace gsf::sql
