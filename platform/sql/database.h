#pragma once

#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <unordered_map>
#include <variant>
#include <vector>

namespace gsf::sql {

enum class Engine { SQLite, PostgreSQL };

/// A parameter or a column value: null, an integer, a number or a text.
using SqlValue = std::variant<std::monostate, std::int64_t, double, std::string>;

/// What went wrong, as far as the caller needs to tell failures apart.
enum class ErrorKind {
    Other,
    UniqueViolation,     ///< a duplicate key
    ForeignKeyViolation, ///< a referenced row is missing, or still referenced
    CheckViolation,
    Serialization, ///< the transaction lost a race (serialization failure, deadlock)
    Busy,          ///< a lock could not be had in time: trying again may succeed
    Connection,    ///< the database cannot be reached or opened
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
    std::int64_t rowsAffected = 0; ///< for INSERT, UPDATE and DELETE

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
    std::string text;               ///< `?` for SQLite, `$1, $2, ...` for PostgreSQL
    std::vector<std::string> names; ///< one per placeholder; "" for a positional one
};
ParsedSql parseSql(std::string_view sql, Engine engine);

/// How a value of the current row of a query is held.
enum class CellKind { Null, Integer, Number, Text };

/// A prepared statement of one connection. Values stay bound between runs.
class Statement {
public:
    class Rows;
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
    /// Runs the statement with the bound values and reads its rows one at a
    /// time, without copying them (see Rows).
    /// @throws SqlError on any failure, classified by ErrorKind.
    Rows Query();
    /// Runs the statement with the bound values and collects every row.
    /// @throws SqlError on any failure, classified by ErrorKind.
    ResultSet Execute();

protected:
    explicit Statement(std::vector<std::string> names);

    // What an engine supplies for Query. start runs the statement with the
    // bound values; step moves to the next row (false past the last);
    // finish ends the run, whether every row was read or not. The cell
    // accessors read the current row and are called only with the kind
    // kind() gives.
    virtual void start() = 0;
    virtual bool step() = 0;
    virtual void finish() noexcept = 0;
    virtual int columnCount() const = 0;
    virtual std::string columnName(int column) const = 0;
    virtual CellKind kind(int column) const = 0;
    virtual std::int64_t integer(int column) const = 0;
    virtual double number(int column) const = 0;
    virtual std::string_view text(int column) const = 0;
    /// Rows changed by an INSERT, UPDATE or DELETE once its run is over.
    virtual std::int64_t affected() const = 0;

    std::vector<std::string> names_;
    std::vector<SqlValue> values_;
};

/// The rows of one run of a statement, read in place: a text stays valid
/// until the next call of Next. The run ends (the statement is reset, the
/// engine's read lock released) when this goes away, so a run abandoned
/// halfway by an exception holds nothing.
/// @warning a connection runs one statement at a time: nothing else may run
/// on it while a Rows is alive.
class Statement::Rows {
public:
    explicit Rows(Statement& statement) : statement_(&statement) { statement_->start(); }
    ~Rows()
    {
        if (statement_)
            statement_->finish();
    }
    Rows(Rows&& other) noexcept : statement_(other.statement_) { other.statement_ = nullptr; }
    Rows(const Rows&) = delete;
    Rows& operator=(const Rows&) = delete;
    Rows& operator=(Rows&&) = delete;

    /// Moves to the next row; false when there is none. @throws SqlError.
    bool Next() { return statement_->step(); }
    int ColumnCount() const { return statement_->columnCount(); }
    std::string ColumnName(int column) const { return statement_->columnName(column); }
    CellKind Kind(int column) const { return statement_->kind(column); }
    std::int64_t Integer(int column) const { return statement_->integer(column); }
    double Number(int column) const { return statement_->number(column); }
    std::string_view Text(int column) const { return statement_->text(column); }
    /// The value of a cell, copied.
    SqlValue Value(int column) const;
    /// Rows changed by an INSERT, UPDATE or DELETE, once Next returned false.
    std::int64_t Affected() const { return statement_->affected(); }

private:
    Statement* statement_;
};

/// One database connection. Not thread-safe: use one per thread.
class Connection {
public:
    /// Prepared statements a connection keeps at most; the least recently
    /// used one is dropped past it, so differently shaped statements cannot
    /// grow a long-lived connection without bound.
    static constexpr std::size_t kStatementCacheSize = 64;

    virtual ~Connection() = default;
    virtual Engine GetEngine() const = 0;

    /// A prepared statement for @p sql; the connection keeps it for the next
    /// call with the same text (up to kStatementCacheSize statements).
    /// @warning the reference is valid until the next Prepare or Execute.
    /// @throws SqlError when the text does not compile.
    virtual Statement& Prepare(const std::string& sql) = 0;
    /// Number of prepared statements kept.
    virtual std::size_t CachedStatements() const = 0;
    /// Prepares (or reuses), binds @p params in order and runs @p sql.
    ResultSet Execute(const std::string& sql, std::vector<SqlValue> params = {});
    /// Prepares (or reuses), binds @p params in order and runs @p sql, its
    /// rows read in place (Statement::Rows).
    Statement::Rows Query(const std::string& sql, std::vector<SqlValue> params = {});
    /// Runs several statements separated by semicolons, without parameters.
    virtual void ExecuteScript(const std::string& sql) = 0;

    /// Starts a transaction. @p write asks for the write lock up front where the
    /// engine needs it (SQLite), so two writers never deadlock on an upgrade.
    virtual void Begin(bool write) = 0;
    virtual void Commit() = 0;
    /// Never throws; a no-op outside a transaction.
    virtual void Rollback() noexcept = 0;
    virtual bool InTransaction() const = 0;
    /// Whether the connection can still serve statements; false once the link
    /// to the database is lost. A failed statement leaves it usable.
    virtual bool IsUsable() const noexcept = 0;

    /// `IS` on SQLite, `IS NOT DISTINCT FROM` on PostgreSQL: the null-safe equality.
    const char* NullSafeEqual() const;
};

/// The statements of one connection, the least recently used dropped past a
/// fixed count.
class StatementCache {
public:
    explicit StatementCache(std::size_t capacity) : capacity_(capacity) {}
    StatementCache(const StatementCache&) = delete;
    StatementCache& operator=(const StatementCache&) = delete;

    /// The statement kept for @p sql, or null; a hit makes it the most recent.
    Statement* Find(const std::string& sql);
    /// Keeps @p statement for @p sql as the most recent, dropping the least
    /// recent one when full. @return the statement kept.
    Statement& Keep(const std::string& sql, std::unique_ptr<Statement> statement);
    std::size_t Size() const { return entries_.size(); }
    void Clear();

private:
    struct Entry {
        std::unique_ptr<Statement> statement;
        std::uint64_t lastUse;
    };
    std::size_t capacity_;
    std::uint64_t clock_ = 0;
    std::unordered_map<std::string, Entry> entries_;
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
