#include "platform/sql/database.h"

#include <algorithm>
#include <cctype>

namespace gsf::sql {

namespace {

bool sameName(std::string_view a, std::string_view b)
{
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::toupper(static_cast<unsigned char>(x)) == std::toupper(static_cast<unsigned char>(y));
           });
}

bool isNameChar(char c)
{
    return std::isalnum(static_cast<unsigned char>(c)) || c == '_';
}

} // namespace

int ResultSet::ColumnIndex(std::string_view name) const
{
    for (size_t i = 0; i < columns.size(); ++i)
        if (sameName(columns[i], name))
            return static_cast<int>(i);
    return -1;
}

ParsedSql parseSql(std::string_view sql, Engine engine)
{
    ParsedSql out;
    out.text.reserve(sql.size() + 8);
    auto placeholder = [&](std::string name) {
        out.names.push_back(std::move(name));
        if (engine == Engine::PostgreSQL) {
            out.text += '$';
            out.text += std::to_string(out.names.size());
        } else {
            out.text += '?';
        }
    };
    for (size_t i = 0; i < sql.size(); ++i) {
        const char c = sql[i];
        if (c == '\'' || c == '"') {
            // Copy a quoted literal or identifier whole; a doubled quote stays inside.
            const size_t end = sql.find(c, i + 1);
            const size_t stop = end == std::string_view::npos ? sql.size() : end + 1;
            out.text.append(sql.substr(i, stop - i));
            i = stop - 1;
        } else if (c == '?') {
            placeholder("");
        } else if (c == ':' && i + 1 < sql.size() && sql[i + 1] == ':') {
            out.text += "::";
            ++i;
        } else if (c == ':' && i + 1 < sql.size() && isNameChar(sql[i + 1])) {
            size_t j = i + 1;
            while (j < sql.size() && isNameChar(sql[j]))
                ++j;
            placeholder(std::string(sql.substr(i + 1, j - i - 1)));
            i = j - 1;
        } else {
            out.text += c;
        }
    }
    return out;
}

Statement::Statement(std::vector<std::string> names) : names_(std::move(names)), values_(names_.size()) {}

void Statement::Bind(int position, SqlValue value)
{
    if (position < 1 || position > ParamCount())
        throw SqlError(ErrorKind::Other, "Parâmetro " + std::to_string(position) + " inexistente.");
    values_[static_cast<size_t>(position - 1)] = std::move(value);
}

void Statement::BindByName(std::string_view name, SqlValue value)
{
    bool found = false;
    for (size_t i = 0; i < names_.size(); ++i) {
        if (sameName(names_[i], name)) {
            values_[i] = value;
            found = true;
        }
    }
    if (!found)
        throw SqlError(ErrorKind::Other, "Parâmetro " + std::string(name) + " inexistente.");
}

void Statement::BindAll(std::vector<SqlValue> values)
{
    if (values.size() != values_.size())
        throw SqlError(ErrorKind::Other, "A instrução espera " + std::to_string(values_.size()) +
                                             " parâmetros e recebeu " + std::to_string(values.size()) + ".");
    values_ = std::move(values);
}

Statement::Rows Statement::Query()
{
    return Rows(*this);
}

ResultSet Statement::Execute()
{
    Rows rows(*this);
    ResultSet result;
    const int count = rows.ColumnCount();
    result.columns.reserve(static_cast<size_t>(count));
    for (int c = 0; c < count; ++c)
        result.columns.push_back(rows.ColumnName(c));
    while (rows.Next()) {
        auto& row = result.rows.emplace_back();
        row.reserve(static_cast<size_t>(count));
        for (int c = 0; c < count; ++c)
            row.push_back(rows.Value(c));
    }
    result.rowsAffected = rows.Affected();
    return result;
}

SqlValue Statement::Rows::Value(int column) const
{
    switch (Kind(column)) {
    case CellKind::Null: return std::monostate{};
    case CellKind::Integer: return Integer(column);
    case CellKind::Number: return Number(column);
    case CellKind::Text: return std::string(Text(column));
    }
    return std::monostate{};
}

Statement* StatementCache::Find(const std::string& sql)
{
    const auto it = entries_.find(sql);
    if (it == entries_.end())
        return nullptr;
    it->second.lastUse = ++clock_;
    return it->second.statement.get();
}

Statement& StatementCache::Keep(const std::string& sql, std::unique_ptr<Statement> statement)
{
    if (entries_.size() >= capacity_ && !entries_.count(sql)) {
        const auto oldest = std::min_element(entries_.begin(), entries_.end(), [](const auto& a, const auto& b) {
            return a.second.lastUse < b.second.lastUse;
        });
        entries_.erase(oldest);
    }
    Entry& entry = entries_[sql];
    entry.statement = std::move(statement);
    entry.lastUse = ++clock_;
    return *entry.statement;
}

void StatementCache::Clear()
{
    entries_.clear();
}

ResultSet Connection::Execute(const std::string& sql, std::vector<SqlValue> params)
{
    Statement& st = Prepare(sql);
    st.BindAll(std::move(params));
    return st.Execute();
}

Statement::Rows Connection::Query(const std::string& sql, std::vector<SqlValue> params)
{
    Statement& st = Prepare(sql);
    st.BindAll(std::move(params));
    return st.Query();
}

const char* Connection::NullSafeEqual() const
{
    return GetEngine() == Engine::PostgreSQL ? "IS NOT DISTINCT FROM" : "IS";
}

Engine engineOf(std::string_view target)
{
    if (target.starts_with("postgres://") || target.starts_with("postgresql://"))
        return Engine::PostgreSQL;
    // A libpq keyword string always has "key=value"; a file path has no reason to.
    const size_t eq = target.find('=');
    if (eq != std::string_view::npos && eq > 0 && target.find('/') > eq)
        return Engine::PostgreSQL;
    return Engine::SQLite;
}

std::unique_ptr<Connection> openDatabase(const std::string& target)
{
    return engineOf(target) == Engine::PostgreSQL ? openPostgres(target) : openSqlite(target);
}

Transaction::Transaction(Connection& connection, bool write) : connection_(connection)
{
    connection_.Begin(write);
}

Transaction::~Transaction()
{
    if (!done_)
        connection_.Rollback();
}

void Transaction::Commit()
{
    connection_.Commit();
    done_ = true;
}

} // namespace gsf::sql
