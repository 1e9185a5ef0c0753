#pragma once

#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace gsf::sql {

enum class Engine { SQLite, PostgreSQL };

/// A parameter or a column value: null, an integer, a number or a text.
using SqlValue = std::variant<std::monostate, std::int64_t, double, std::string>;

/// What went wrong, as far as the caller needs to tell failures apart.
enum class ErrorKind {
    Other,
    UniqueViolation,      ///< a duplicate key
    ForeignKeyViolation,  ///< a referenced row is missing, or still referenced
    CheckViolation,
    Busy,                 ///< lock or serialization conflict: trying again may succeed
    Connection,           ///< the database cannot be reached or opened
};

/// Raised by every database operation; the message carries the engine's text.
class SqlError : public std::runtime_error {
public:
    SqlError(ErrorKind kind, const std::string& message) : std::runtime_error(message), kind_(kind) {}
    ErrorKind Kind() const { return kind_; }

private:
    ErrorKind kind_;
};

/// Rows of a query, every value typed by the engine (integers, numbers, texts, nulls).
struct ResultSet {
    std::vector<std::string> columns;
    std::vector<std::vector<SqlValue>> rows;
    std::int64_t rowsAffected = 0;  ///< for INSERT, UPDATE and DELETE

    bool IsEmpty() const { return rows.empty(); }
    /// Index of the column called @p name (letter case ignored), or -1.
    int ColumnIndex(std::string_view name) const;
};

/// The SQL text with its placeholders resolved for one engine.
///
/// Placeholders are `?` (positional) and `:NAME` (named; the same name may
/// appear several times). Quoted literals, quoted identifiers and `::` casts
/// are left alone.
struct ParsedSql {
    std::string text;                 ///< `?` for SQLite, `$1, $2, ...` for PostgreSQL
    std::vector<std::string> names;   ///< one per placeholder; "" for a positional one
};
ParsedSql parseSql(std::string_view sql, Engine engine);

/// A prepared statement of one connection. Values stay bound between runs.
class Statement {
public:
    virtual ~Statement() = default;

    /// Number of placeholders.
    int ParamCount() const { return static_cast<int>(names_.size()); }
    /// Binds the placeholder at @p position (1-based). @throws SqlError when out of range.
    void Bind(int position, SqlValue value);
    /// Binds every placeholder called @p name (without the colon, letter case ignored).
    /// @throws SqlError when the statement has no such parameter.
    void BindByName(std::string_view name, SqlValue value);
    /// Binds the placeholders in order. @throws SqlError when the count differs.
    void BindAll(std::vector<SqlValue> values);
    /// Runs the statement with the bound values.
    /// @throws SqlError on any failure, classified by ErrorKind.
    virtual ResultSet Execute() = 0;

protected:
    explicit Statement(std::vector<std::string> names);
    std::vector<std::string> names_;
    std::vector<SqlValue> values_;
};

/// One database connection. Not thread-safe: use one per thread.
class Connection {
public:
    virtual ~Connection() = default;
    virtual Engine GetEngine() const = 0;

    /// A prepared statement for @p sql; the connection keeps it for the next
    /// call with the same text. @throws SqlError when the text does not compile.
    virtual Statement& Prepare(const std::string& sql) = 0;
    /// Prepares (or reuses), binds @p params in order and runs @p sql.
    ResultSet Execute(const std::string& sql, std::vector<SqlValue> params = {});
    /// Runs several statements separated by semicolons, without parameters.
    virtual void ExecuteScript(const std::string& sql) = 0;

    /// Starts a transaction. @p write asks for the write lock up front where the
    /// engine needs it (SQLite), so two writers never deadlock on an upgrade.
    virtual void Begin(bool write) = 0;
    virtual void Commit() = 0;
    /// Never throws; a no-op outside a transaction.
    virtual void Rollback() noexcept = 0;
    virtual bool InTransaction() const = 0;

    /// `IS` on SQLite, `IS NOT DISTINCT FROM` on PostgreSQL: the null-safe equality.
    const char* NullSafeEqual() const;
};

/// Opens a SQLite database file (created when missing) in WAL mode with a busy
/// timeout and foreign keys on. @throws SqlError (Connection) when it cannot be opened.
std::unique_ptr<Connection> openSqlite(const std::string& path);
/// Opens a PostgreSQL connection from a libpq connection string or URI.
/// @throws SqlError (Connection) when it cannot connect.
std::unique_ptr<Connection> openPostgres(const std::string& conninfo);

/// The engine a database target names: a `postgres://` or `postgresql://` URI
/// or a `key=value` connection string is PostgreSQL; anything else a SQLite path.
Engine engineOf(std::string_view target);
/// Opens @p target with the engine engineOf() gives.
std::unique_ptr<Connection> openDatabase(const std::string& target);

/// Commits on Commit(), rolls back when destroyed otherwise.
class Transaction {
public:
    Transaction(Connection& connection, bool write);
    ~Transaction();
    Transaction(const Transaction&) = delete;
    Transaction& operator=(const Transaction&) = delete;
    void Commit();

private:
    Connection& connection_;
    bool done_ = false;
};

} // namespace gsf::sql
