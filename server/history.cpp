#include "server/history.h"

#include "platform/data/number_format.h"
#include "records/records.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <ctime>
#include <map>
#include <sstream>

namespace gsf::server::history {

using gsf::sql::SqlValue;
using Json = nlohmann::ordered_json;

namespace {

struct ThreadState {
    std::optional<Author> author;
    bool unrecorded = false;
};

thread_local ThreadState current;

// What is read of each table for one group: its stored columns, the group's
// three key columns first, then the rest of the key (the service, the
// interval's ID), then the values.
struct Source {
    const gsf::records::Table& table;
    std::vector<std::string> columns;
    size_t keyColumns = 0;
    std::string select;
};

Source sourceOf(const gsf::records::Table& table, const char* extraKey)
{
    using gsf::rec::GrupServ;
    Source source{table, {GrupServ::CDFILIAL.name, GrupServ::CDCLIENTE.name, GrupServ::CDGRSERVFAT.name}, 0, ""};
    for (const auto& f : table.fields)
        if (f.stored && f.key &&
            std::find(source.columns.begin(), source.columns.end(), f.name) == source.columns.end())
            source.columns.emplace_back(f.name);
    if (extraKey)
        source.columns.emplace_back(extraKey);
    source.keyColumns = source.columns.size();
    for (const auto& f : table.fields)
        if (f.stored && !f.key)
            source.columns.emplace_back(f.name);
    std::string list, order;
    for (const auto& c : source.columns)
        list += (list.empty() ? "" : ", ") + c;
    for (size_t k = 0; k < source.keyColumns; ++k)
        order += (order.empty() ? "" : ", ") + source.columns[k];
    source.select = "SELECT " + list + " FROM " + table.table +
                    " WHERE CDFILIAL = ? AND CDCLIENTE = ? AND CDGRSERVFAT = ? ORDER BY " + order;
    return source;
}

const std::vector<Source>& sources()
{
    static const std::vector<Source> all = {sourceOf(gsf::records::grupServ(), nullptr),
                                            sourceOf(gsf::records::servClie(), nullptr),
                                            sourceOf(gsf::records::corrPrecGrup(), "ID")};
    return all;
}

Json toJson(const SqlValue& value)
{
    if (const auto* i = std::get_if<std::int64_t>(&value))
        return *i;
    if (const auto* d = std::get_if<double>(&value))
        return *d;
    if (const auto* s = std::get_if<std::string>(&value))
        return *s;
    return nullptr;
}

std::string dump(const Json& json)
{
    return json.dump(-1, ' ', false, Json::error_handler_t::replace);
}

// Values compare as the database gives them back; SQLite may hand a whole
// number stored in a REAL column back as an integer.
bool same(const SqlValue& a, const SqlValue& b)
{
    const auto number = [](const SqlValue& v) -> std::optional<double> {
        if (const auto* i = std::get_if<std::int64_t>(&v))
            return static_cast<double>(*i);
        if (const auto* d = std::get_if<double>(&v))
            return *d;
        return std::nullopt;
    };
    if (const auto x = number(a), y = number(b); x && y)
        return *x == *y;
    return a == b;
}

} // namespace

AuthorScope::AuthorScope(Author author) : previous_(std::move(current.author))
{
    current.author = std::move(author);
}

AuthorScope::~AuthorScope()
{
    current.author = std::move(previous_);
}

Unrecorded::Unrecorded() : previous_(current.unrecorded)
{
    current.unrecorded = true;
}

Unrecorded::~Unrecorded()
{
    current.unrecorded = previous_;
}

std::vector<GroupRef> groupsOf(const gsf::data::Delta& delta)
{
    using gsf::rec::GrupServ;
    const int branch = delta.indexOf(GrupServ::CDFILIAL.name), client = delta.indexOf(GrupServ::CDCLIENTE.name),
              group = delta.indexOf(GrupServ::CDGRSERVFAT.name);
    std::vector<GroupRef> groups;
    if (branch < 0 || client < 0 || group < 0)
        return groups;
    const auto text = [](const std::vector<gsf::data::Value>& row, int i) {
        const auto* s =
            static_cast<size_t>(i) < row.size() ? std::get_if<std::string>(&row[static_cast<size_t>(i)]) : nullptr;
        return s ? *s : std::string();
    };
    for (const auto& change : delta.changes)
        for (const auto* row : {&change.oldValues, &change.newValues}) {
            if (row->empty())
                continue;
            GroupRef ref{text(*row, branch), text(*row, client), text(*row, group)};
            if (std::find(groups.begin(), groups.end(), ref) == groups.end())
                groups.push_back(std::move(ref));
        }
    return groups;
}

Recorder::Recorder(gsf::sql::Connection& db, std::string method, std::vector<GroupRef> groups)
    : db_(db), method_(std::move(method)), groups_(std::move(groups)), recording_(!current.unrecorded)
{
    if (recording_)
        before_ = read();
}

std::vector<Recorder::Row> Recorder::read() const
{
    std::vector<Row> rows;
    for (const GroupRef& group : groups_)
        for (const Source& source : sources()) {
            const auto result = db_.Execute(source.select, {group.branch, group.client, group.group});
            for (const auto& values : result.rows) {
                Row row{source.table.table, source.table.table, source.columns, values, source.keyColumns, group};
                for (size_t k = 0; k < source.keyColumns; ++k)
                    row.identity += '\x1f' + dump(toJson(values[k]));
                rows.push_back(std::move(row));
            }
        }
    return rows;
}

void Recorder::Finish()
{
    if (!recording_)
        return;
    const std::vector<Row> after = read();
    std::map<std::string, const Row*> earlier, later;
    for (const Row& row : before_)
        earlier.emplace(row.identity, &row);
    for (const Row& row : after)
        later.emplace(row.identity, &row);

    const Author author = current.author.value_or(Author{});
    const std::string at = timestamp(std::chrono::system_clock::now());
    const auto record = [&](const Row* old, const Row* now) {
        const Row& row = now ? *now : *old;
        Json key = Json::object(), oldValues = Json::object(), newValues = Json::object();
        for (size_t c = 0; c < row.columns.size(); ++c) {
            if (c < row.keyColumns)
                key[row.columns[c]] = toJson(row.values[c]);
            if (old)
                oldValues[row.columns[c]] = toJson(old->values[c]);
            if (now)
                newValues[row.columns[c]] = toJson(now->values[c]);
        }
        const std::string operation = !old ? "I" : !now ? "D" : "U";
        db_.Execute("INSERT INTO change_history (changed_at, user_name, token_name, request_id, method, operation, "
                    "table_name, branch, client, service_group, row_key, old_values, new_values) "
                    "VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)",
                    {at, author.user, author.token, author.requestId.empty() ? SqlValue{} : SqlValue{author.requestId},
                     method_, operation, row.table, row.group.branch, row.group.client, row.group.group, dump(key),
                     old ? SqlValue{dump(oldValues)} : SqlValue{}, now ? SqlValue{dump(newValues)} : SqlValue{}});
    };
    // Removed rows first, then what changed or came in, each in the order read.
    for (const Row& row : before_)
        if (!later.contains(row.identity))
            record(&row, nullptr);
    for (const Row& row : after) {
        const auto was = earlier.find(row.identity);
        if (was == earlier.end()) {
            record(nullptr, &row);
            continue;
        }
        bool changed = false;
        for (size_t c = 0; c < row.values.size() && !changed; ++c)
            changed = !same(row.values[c], was->second->values[c]);
        if (changed)
            record(was->second, &row);
    }
}

std::string timestamp(std::chrono::system_clock::time_point at)
{
    const auto micros = std::chrono::duration_cast<std::chrono::microseconds>(at.time_since_epoch()).count();
    const std::time_t seconds = static_cast<std::time_t>(micros / 1000000);
    std::tm utc{};
    gmtime_r(&seconds, &utc);
    char text[96];
    std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02d.%06dZ", utc.tm_year + 1900, utc.tm_mon + 1,
                  utc.tm_mday, utc.tm_hour, utc.tm_min, utc.tm_sec, static_cast<int>(micros % 1000000));
    return text;
}

std::int64_t purge(gsf::sql::Connection& db, int days)
{
    if (days <= 0)
        return 0;
    const std::string cutoff = timestamp(std::chrono::system_clock::now() - std::chrono::hours(24) * days);
    std::int64_t removed = 0;
    for (;;) {
        gsf::sql::Transaction transaction(db, true);
        const auto result = db.Execute("DELETE FROM change_history WHERE id IN (SELECT id FROM change_history WHERE "
                                       "changed_at < ? ORDER BY id LIMIT 5000)",
                                       {cutoff});
        transaction.Commit();
        removed += result.rowsAffected;
        if (result.rowsAffected < 5000)
            return removed;
    }
}

std::vector<Entry> entries(gsf::sql::Connection& db, const Filter& filter)
{
    std::string sql = "SELECT changed_at, user_name, token_name, request_id, method, operation, table_name, branch, "
                      "client, service_group, row_key, old_values, new_values FROM change_history WHERE 1 = 1";
    std::vector<SqlValue> params;
    const auto where = [&](const char* column, const std::string& value, const char* op = " = ?") {
        if (value.empty())
            return;
        sql += std::string(" AND ") + column + op;
        params.emplace_back(value);
    };
    where("branch", filter.branch);
    where("client", filter.client);
    where("service_group", filter.group);
    where("changed_at", filter.since, " >= ?");
    sql += " ORDER BY id";
    const auto result = db.Execute(sql, std::move(params));
    std::vector<Entry> out;
    out.reserve(result.rows.size());
    const auto text = [](const SqlValue& v) {
        const auto* s = std::get_if<std::string>(&v);
        return s ? *s : std::string();
    };
    for (const auto& r : result.rows) {
        const std::string operation = text(r[5]);
        out.push_back({text(r[0]), text(r[1]), text(r[2]), text(r[3]), text(r[4]),
                       operation.empty() ? '?' : operation[0], text(r[6]), text(r[7]), text(r[8]), text(r[9]),
                       text(r[10]), text(r[11]), text(r[12])});
    }
    return out;
}

// --- dates typed by the operator ---

namespace {

bool digits(const std::string& text, size_t at, size_t count, int& value)
{
    if (at + count > text.size())
        return false;
    value = 0;
    for (size_t i = at; i < at + count; ++i) {
        if (text[i] < '0' || text[i] > '9')
            return false;
        value = value * 10 + (text[i] - '0');
    }
    return true;
}

int daysIn(int year, int month)
{
    static const int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    return month == 2 && leap ? 29 : days[month - 1];
}

} // namespace

std::string parseSince(const std::string& text)
{
    int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
    size_t at = 0;
    if (text.size() >= 10 && text[4] == '-' && text[7] == '-') {
        if (!digits(text, 0, 4, year) || !digits(text, 5, 2, month) || !digits(text, 8, 2, day))
            return "";
    } else if (text.size() >= 10 && text[2] == '/' && text[5] == '/') {
        if (!digits(text, 0, 2, day) || !digits(text, 3, 2, month) || !digits(text, 6, 4, year))
            return "";
    } else {
        return "";
    }
    at = 10;
    if (at < text.size()) {
        if (text[at] != 'T' && text[at] != ' ')
            return "";
        if (!digits(text, at + 1, 2, hour) || text.size() < at + 6 || text[at + 3] != ':' ||
            !digits(text, at + 4, 2, minute))
            return "";
        at += 6;
        if (at < text.size() && (text[at] != ':' || !digits(text, at + 1, 2, second) || text.size() != at + 3))
            return "";
    }
    if (year < 1970 || month < 1 || month > 12 || day < 1 || day > daysIn(year, month) || hour > 23 || minute > 59 ||
        second > 59)
        return "";
    char out[24];
    std::snprintf(out, sizeof out, "%04d-%02d-%02dT%02d:%02d:%02d", year, month, day, hour, minute, second);
    return out;
}

// --- listing ---

namespace {

const char* operationWord(char operation)
{
    switch (operation) {
    case 'I': return "inclusão";
    case 'U': return "alteração";
    case 'D': return "exclusão";
    default: return "?";
    }
}

const gsf::records::Field* fieldOf(const std::string& table, const std::string& column)
{
    for (const Source& source : sources())
        if (table == source.table.table)
            return source.table.find(column);
    return nullptr;
}

// A value as the screen shows it: numbers in the field's format, a missing
// value as "(vazio)".
std::string shown(const std::string& table, const std::string& column, const Json& value)
{
    if (value.is_null())
        return "(vazio)";
    if (value.is_string())
        return value.get<std::string>();
    if (value.is_number()) {
        const auto* field = fieldOf(table, column);
        const double number = value.get<double>();
        if (field && field->isNumber() && *field->format)
            return gsf::data::formatNumber(number, field->format);
        return value.is_number_integer() ? std::to_string(value.get<std::int64_t>()) : gsf::data::plainNumber(number);
    }
    return value.dump();
}

Json parsed(const std::string& text)
{
    if (text.empty())
        return Json::object();
    Json json = Json::parse(text, nullptr, false);
    return json.is_object() ? json : Json::object();
}

// The row beyond its group: the service of an assignment, the ID of an interval.
std::string recordWords(const Entry& e)
{
    const Json key = parsed(e.key);
    std::string out;
    for (const auto& [column, value] : key.items()) {
        using gsf::rec::GrupServ;
        if (column == GrupServ::CDFILIAL.name || column == GrupServ::CDCLIENTE.name ||
            column == GrupServ::CDGRSERVFAT.name)
            continue;
        out += (out.empty() ? "" : " ") + (column == "ID" ? "intervalo " + shown(e.table, column, value)
                                                          : "serviço " + shown(e.table, column, value));
    }
    return out;
}

std::string changeWords(const Entry& e)
{
    const Json key = parsed(e.key), before = parsed(e.oldValues), after = parsed(e.newValues);
    std::string out;
    const auto add = [&](const std::string& text) { out += (out.empty() ? "" : "; ") + text; };
    const Json& shownRow = e.operation == 'D' ? before : after;
    for (const auto& [column, value] : shownRow.items()) {
        if (key.contains(column))
            continue;
        if (e.operation == 'U') {
            const Json& old = before.contains(column) ? before[column] : Json();
            if (old == value)
                continue;
            add(column + ": " + shown(e.table, column, old) + " → " + shown(e.table, column, value));
        } else if (!value.is_null()) {
            add(column + "=" + shown(e.table, column, value));
        }
    }
    return out;
}

std::string clock(const std::string& at)
{
    // 2024-05-01T12:00:00.123456Z -> 2024-05-01 12:00:00
    std::string out = at.substr(0, 19);
    if (out.size() > 10)
        out[10] = ' ';
    return out;
}

size_t width(const std::string& text)
{
    size_t n = 0;
    for (unsigned char c : text)
        n += (c & 0xC0) != 0x80 ? 1 : 0;
    return n;
}

std::string csvCell(const std::string& text)
{
    if (text.find_first_of(",\"\r\n") == std::string::npos)
        return text;
    std::string out = "\"";
    for (char c : text)
        out += c == '"' ? std::string("\"\"") : std::string(1, c);
    return out + "\"";
}

} // namespace

std::string formatTable(const std::vector<Entry>& entries)
{
    if (entries.empty())
        return "Nenhuma alteração registrada.\n";
    std::vector<std::vector<std::string>> lines = {{"Data e hora (UTC)", "Usuário", "Acesso", "Método", "Operação",
                                                    "Tabela", "Filial", "Cliente", "Grupo", "Registro", "Alterações"}};
    for (const Entry& e : entries)
        lines.push_back({clock(e.at), e.user.empty() ? "-" : e.user, e.token.empty() ? "-" : e.token, e.method,
                         operationWord(e.operation), e.table, e.branch, e.client, e.group, recordWords(e),
                         changeWords(e)});
    std::vector<size_t> widths(lines.front().size(), 0);
    for (const auto& line : lines)
        for (size_t c = 0; c < line.size(); ++c)
            widths[c] = std::max(widths[c], width(line[c]));
    std::ostringstream out;
    for (const auto& line : lines) {
        std::string text;
        for (size_t c = 0; c < line.size(); ++c) {
            text += line[c];
            if (c + 1 < line.size())
                text += std::string(widths[c] - width(line[c]) + 2, ' ');
        }
        while (!text.empty() && text.back() == ' ')
            text.pop_back();
        out << text << "\n";
    }
    out << entries.size() << (entries.size() == 1 ? " alteração.\n" : " alterações.\n");
    return out.str();
}

std::string formatCsv(const std::vector<Entry>& entries)
{
    std::ostringstream out;
    out << "data_hora_utc,usuario,chave_acesso,id_requisicao,metodo,operacao,tabela,filial,cliente,grupo,registro,"
           "valores_anteriores,valores_novos\r\n";
    for (const Entry& e : entries) {
        const std::vector<std::string> cells = {
            e.at,     e.user,  e.token, e.requestId, e.method,   operationWord(e.operation), e.table, e.branch,
            e.client, e.group, e.key,   e.oldValues, e.newValues};
        for (size_t c = 0; c < cells.size(); ++c)
            out << (c ? "," : "") << csvCell(cells[c]);
        out << "\r\n";
    }
    return out.str();
}

} // namespace gsf::server::history
