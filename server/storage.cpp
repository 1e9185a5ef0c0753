#include "server/storage.h"

#include "server/arguments.h"
#include "server/registration.h"
#include "server/schema.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <exception>
#include <optional>
#include <thread>

namespace gsf::server {

using gsf::data::Delta;
using gsf::data::FieldType;
using gsf::data::Packet;
using gsf::data::PacketField;
using gsf::data::Value;
using gsf::sql::SqlValue;

namespace {

constexpr FieldType S = FieldType::String;
constexpr FieldType F = FieldType::Float;

const std::vector<PacketField> kCliente = {
    {"NRINSJURCLIE", S, 20}, {"NMRAZSOCCLIE", S, 50}, {"CDCLIENTE", S, 21}, {"IDTPIJURCLIE", S, 1}, {"NMFANTCLIE", S, 50}};
const std::vector<PacketField> kParamFilial = {{"CDTIPOFATUR", S, 3}, {"DSPARAMFATFI", S, 200}};
const std::vector<PacketField> kGrupServ = {
    {"CDFILIAL", S, 4},       {"CDCLIENTE", S, 21},     {"CDGRSERVFAT", S, 3},    {"DSGRSERVFAT", S, 30},
    {"QTEFETMINIGSF", F, 0},  {"QTEFMINDOMGSF", F, 0},  {"QTEFMINSEGGSF", F, 0},  {"QTEFMINTERGSF", F, 0},
    {"QTEFMINQUAGSF", F, 0},  {"QTEFMINQUIGSF", F, 0},  {"QTEFMINSEXGSF", F, 0},  {"QTEFMINSABGSF", F, 0},
    {"QTEFMINFERGSF", F, 0},  {"CDSERAJEFEGSF", S, 5}};
const std::vector<PacketField> kVerifGrupServ = {{"CDFILIAL", S, 4}};
const std::vector<PacketField> kServClie = {{"CDSERVFILI", S, 5},   {"NMSERVICO", S, 40},
                                            {"IDCORREFET", FieldType::FixedString, 3},
                                            {"CDGRSERVFAT", S, 3}, {"CDFILIAL", S, 4}, {"CDCLIENTE", S, 21}};
const std::vector<PacketField> kCorrPrecGrup = {{"CDFILIAL", S, 4},     {"CDCLIENTE", S, 21},
                                                {"VRPEINICGRUP", F, 0}, {"VRPEFIMGRUP", F, 0},
                                                {"VRPECORRGRUP", F, 0}, {"CDGRSERVFAT", S, 3}};
const std::vector<PacketField> kIntervMaior = {{"VRPEFIMGRUP", F, 0}};
const std::vector<PacketField> kPesqServ = {{"CDSERVFILI", S, 5}, {"NMSERVICO", S, 40}};
const std::vector<PacketField> kVerifServ = {{"CDSERVFILI", S, 5}};

Value toValue(const SqlValue& v) {
    if (const auto* i = std::get_if<std::int64_t>(&v)) return static_cast<double>(*i);
    if (const auto* d = std::get_if<double>(&v)) return *d;
    if (const auto* s = std::get_if<std::string>(&v)) return *s;
    return std::monostate{};
}

SqlValue toSql(const Value& v) {
    if (const auto* d = std::get_if<double>(&v)) return *d;
    if (const auto* s = std::get_if<std::string>(&v)) return *s;
    return std::monostate{};
}

Packet packetOf(const std::vector<PacketField>& fields, const gsf::sql::ResultSet& result) {
    Packet packet{fields, {}};
    packet.rows.reserve(result.rows.size());
    for (const auto& row : result.rows) {
        auto& out = packet.rows.emplace_back();
        out.reserve(row.size());
        for (const auto& cell : row) out.push_back(toValue(cell));
    }
    return packet;
}

std::string columnList(const std::vector<PacketField>& fields, const char* alias = "") {
    std::string out;
    for (const auto& f : fields) out += (out.empty() ? "" : ", ") + std::string(alias) + f.name;
    return out;
}

bool blank(const std::string& text) { return text.find_first_not_of(' ') == std::string::npos; }

} // namespace

// How a delta's fields map onto one table.
struct Storage::TableSpec {
    const char* method;
    const char* table;
    const std::vector<PacketField>* fields;
    std::vector<std::string> stored;  ///< fields that are columns of the table
    std::vector<std::string> keys;    ///< key fields: required, checked as arguments
    bool hasId;                       ///< no natural key: rows matched through ID
    const char* duplicateMessage;
    const char* missingParentMessage;
};

namespace {

const std::vector<std::string> kGroupKeys = {"CDFILIAL", "CDCLIENTE", "CDGRSERVFAT"};

ArgKind keyKind(const std::string& field) {
    if (field == "CDFILIAL") return ArgKind::Branch;
    if (field == "CDCLIENTE") return ArgKind::Client;
    if (field == "CDGRSERVFAT") return ArgKind::Group;
    return ArgKind::Service;
}

} // namespace

Storage::Lease::Lease(Storage& o, std::unique_ptr<gsf::sql::Connection> c)
    : owner(&o), connection(std::move(c)), exceptionsAtStart(std::uncaught_exceptions()) {}

Storage::Lease::~Lease() {
    if (connection && std::uncaught_exceptions() == exceptionsAtStart) owner->giveBack(std::move(connection));
}

Storage::Storage(std::string target) : target_(std::move(target)), engine_(gsf::sql::engineOf(target_)) {
    auto connection = gsf::sql::openDatabase(target_);
    migrate(*connection);
    idle_.push_back(std::move(connection));
}

Storage::~Storage() = default;

Storage::Lease Storage::borrow() {
    {
        std::lock_guard lock(mutex_);
        if (!idle_.empty()) {
            auto connection = std::move(idle_.back());
            idle_.pop_back();
            return Lease(*this, std::move(connection));
        }
    }
    return Lease(*this, gsf::sql::openDatabase(target_));
}

void Storage::giveBack(std::unique_ptr<gsf::sql::Connection> connection) {
    if (connection->InTransaction()) connection->Rollback();
    std::lock_guard lock(mutex_);
    idle_.push_back(std::move(connection));
}

int Storage::SchemaVersion() {
    auto db = borrow();
    return schemaVersion(*db);
}

std::int64_t Storage::ChangeVersion() {
    const auto result = borrow()->Execute("SELECT version FROM change_counter WHERE id = 1");
    return std::get<std::int64_t>(result.rows.at(0).at(0));
}

// --- reference data ---

void Storage::AddBranch(const std::string& branch, const std::string& name) {
    borrow()->Execute("INSERT INTO FILIAL (CDFILIAL, NMFILIAL) VALUES (?, ?)", {branch, name});
}

void Storage::AddClient(const std::string& branch, const std::string& client, const std::string& registration,
                        const std::string& personType, const std::string& legalName, const std::string& tradeName) {
    if (const auto problem = registrationProblem(registration, personType); !problem.empty()) unprocessable(problem);
    borrow()->Execute("INSERT INTO CLIENTE (CDFILIAL, CDCLIENTE, NRINSJURCLIE, IDTPIJURCLIE, NMRAZSOCCLIE, NMFANTCLIE) "
                      "VALUES (?, ?, ?, ?, ?, ?)",
                      {branch, client, registration, personType, legalName, tradeName});
}

void Storage::AddService(const std::string& branch, const std::string& service, const std::string& name) {
    borrow()->Execute("INSERT INTO SERVFILI (CDFILIAL, CDSERVFILI, NMSERVICO) VALUES (?, ?, ?)", {branch, service, name});
}

void Storage::AllowService(const std::string& branch, const std::string& client, const std::string& service) {
    borrow()->Execute("INSERT INTO SERVCLIE (CDFILIAL, CDCLIENTE, CDSERVFILI) VALUES (?, ?, ?)", {branch, client, service});
}

void Storage::SetBranchParams(const std::string& branch, const std::string& billingType, const std::string& params) {
    auto db = borrow();
    gsf::sql::Transaction transaction(*db, true);
    db->Execute("DELETE FROM PARAMFATFILI WHERE CDFILIAL = ?", {branch});
    db->Execute("INSERT INTO PARAMFATFILI (CDFILIAL, CDTIPOFATUR, DSPARAMFATFI) VALUES (?, ?, ?)",
                {branch, billingType, params});
    transaction.Commit();
}

// --- queries ---

Packet Storage::GetPesqClie(const std::string& registration, const std::string& branch) {
    const std::string select = "SELECT " + columnList(kCliente) + " FROM CLIENTE WHERE CDFILIAL = ?";
    std::string wanted = registration;
    for (char& c : wanted) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    auto db = borrow();
    if (wanted.empty()) return packetOf(kCliente, db->Execute(select + " ORDER BY CDCLIENTE", {branch}));
    return packetOf(kCliente, db->Execute(select + " AND NRINSJURCLIE = ? ORDER BY CDCLIENTE", {branch, wanted}));
}

Packet Storage::GetParamFilial(const std::string& branch) {
    return packetOf(kParamFilial,
                    borrow()->Execute("SELECT CDTIPOFATUR, DSPARAMFATFI FROM PARAMFATFILI WHERE CDFILIAL = ?", {branch}));
}

Packet Storage::GetGrupServ(const std::string& branch, const std::string& client) {
    static const std::string sql = "SELECT " + columnList(kGrupServ) +
                                   " FROM GRUPSERVFAT WHERE CDFILIAL = ? AND CDCLIENTE = ? ORDER BY CDGRSERVFAT";
    return packetOf(kGrupServ, borrow()->Execute(sql, {branch, client}));
}

Packet Storage::GetVerifGrupServ(const std::string& branch, const std::string& client, const std::string& group) {
    return packetOf(kVerifGrupServ,
                    borrow()->Execute("SELECT CDFILIAL FROM GRUPSERVFAT WHERE CDFILIAL = ? AND CDCLIENTE = ? AND "
                                      "CDGRSERVFAT = ?",
                                      {branch, client, group}));
}

Packet Storage::GetServClie(const std::string& branch, const std::string& client, const std::string& group) {
    static const std::string sql =
        "SELECT G.CDSERVFILI, S.NMSERVICO, G.IDCORREFET, G.CDGRSERVFAT, G.CDFILIAL, G.CDCLIENTE "
        "FROM SERVGRUPFAT G LEFT JOIN SERVFILI S ON S.CDFILIAL = G.CDFILIAL AND S.CDSERVFILI = G.CDSERVFILI "
        "WHERE G.CDFILIAL = ? AND G.CDCLIENTE = ? AND G.CDGRSERVFAT = ? ORDER BY G.CDSERVFILI";
    return packetOf(kServClie, borrow()->Execute(sql, {branch, client, group}));
}

Packet Storage::GetCorrPrecGrup(const std::string& branch, const std::string& client, const std::string& group) {
    // Ascending by end, an open (null) end first, so the last row holds the
    // largest end, the one GetIntervMaior reports.
    static const std::string sql =
        "SELECT " + columnList(kCorrPrecGrup) +
        " FROM CORRPRECGRUP WHERE CDFILIAL = ? AND CDCLIENTE = ? AND CDGRSERVFAT = ? "
        "ORDER BY CASE WHEN VRPEFIMGRUP IS NULL THEN 0 ELSE 1 END, VRPEFIMGRUP, VRPEINICGRUP, ID";
    return packetOf(kCorrPrecGrup, borrow()->Execute(sql, {branch, client, group}));
}

Packet Storage::GetIntervMaior(const std::string& branch, const std::string& client, const std::string& group) {
    // MAX over no rows is one null row; HAVING turns it into no row at all.
    return packetOf(kIntervMaior,
                    borrow()->Execute("SELECT MAX(VRPEFIMGRUP) AS VRPEFIMGRUP FROM CORRPRECGRUP WHERE CDFILIAL = ? "
                                      "AND CDCLIENTE = ? AND CDGRSERVFAT = ? HAVING COUNT(*) > 0",
                                      {branch, client, group}));
}

Packet Storage::GetPesqServ(const std::string& branch, const std::string& client, const std::string& service) {
    const std::string select =
        "SELECT S.CDSERVFILI, S.NMSERVICO FROM SERVCLIE C JOIN SERVFILI S ON S.CDFILIAL = C.CDFILIAL AND "
        "S.CDSERVFILI = C.CDSERVFILI WHERE C.CDFILIAL = ? AND C.CDCLIENTE = ?";
    auto db = borrow();
    if (service.empty()) return packetOf(kPesqServ, db->Execute(select + " ORDER BY S.CDSERVFILI", {branch, client}));
    return packetOf(kPesqServ, db->Execute(select + " AND C.CDSERVFILI = ?", {branch, client, service}));
}

Packet Storage::GetVerifServ(const std::string& branch, const std::string& service, const std::string& client,
                             const std::string&) {
    // A service is billed through one group of a client at most, so any group counts.
    return packetOf(kVerifServ, borrow()->Execute("SELECT CDSERVFILI FROM SERVGRUPFAT WHERE CDFILIAL = ? AND "
                                                  "CDCLIENTE = ? AND CDSERVFILI = ?",
                                                  {branch, client, service}));
}

// --- deltas ---

namespace {

struct Mapping {
    std::vector<int> deltaIndex;  // per stored column: index in the delta, -1 when absent
    std::vector<std::string> columns;
};

void checkValue(const PacketField& spec, const Value& value, bool key, const std::string& where) {
    if (gsf::data::isNull(value)) {
        if (key) badRequest(where + "o campo " + spec.name + " é obrigatório.");
        return;
    }
    if (spec.type == FieldType::Float) {
        const auto* d = std::get_if<double>(&value);
        if (!d) badRequest(where + "o campo " + spec.name + " deve ser numérico.");
        if (!std::isfinite(*d)) badRequest(where + "o campo " + spec.name + " deve ser um número finito.");
        return;
    }
    const auto* s = std::get_if<std::string>(&value);
    if (!s) badRequest(where + "o campo " + spec.name + " deve ser um texto.");
    const std::string problem = key ? argumentProblem(keyKind(spec.name), *s) : textProblem(*s, spec.size);
    if (!problem.empty()) badRequest(where + "campo " + spec.name + ": " + problem);
    if (key && blank(*s)) badRequest(where + "o campo " + spec.name + " é obrigatório.");
}

} // namespace

void Storage::applyDelta(const TableSpec& spec, const Delta& delta) {
    const std::string prefix = "Argumento 1 (delta) inválido: ";
    // The delta's fields must be fields of the dataset, with its types and sizes.
    for (const auto& f : delta.fields) {
        const auto it = std::find_if(spec.fields->begin(), spec.fields->end(),
                                     [&](const PacketField& known) { return known.name == f.name; });
        if (it == spec.fields->end()) badRequest(prefix + "campo desconhecido " + f.name + ".");
        const bool textual = it->type != FieldType::Float;
        if ((f.type == FieldType::Float) == textual)
            badRequest(prefix + "o campo " + f.name + " deve ser do tipo " + gsf::data::fieldTypeName(it->type) + ".");
        if (textual && (f.size <= 0 || f.size > it->size))
            badRequest(prefix + "o campo " + f.name + " tem no máximo " + std::to_string(it->size) + " caracteres.");
    }
    Mapping map;
    for (const auto& column : spec.stored) {
        map.columns.push_back(column);
        map.deltaIndex.push_back(delta.indexOf(column));
    }
    for (const auto& key : spec.keys)
        if (delta.indexOf(key) < 0) badRequest(prefix + "falta o campo " + key + ".");

    const size_t width = delta.fields.size();
    for (size_t n = 0; n < delta.changes.size(); ++n) {
        const auto& change = delta.changes[n];
        const std::string where = prefix + "alteração " + std::to_string(n + 1) + ": ";
        const bool needsOld = change.kind != gsf::data::ChangeKind::Insert;
        const bool needsNew = change.kind != gsf::data::ChangeKind::Delete;
        if ((needsOld && change.oldValues.size() != width) || (needsNew && change.newValues.size() != width))
            badRequest(where + "número de valores diferente do número de campos.");
        for (size_t i = 0; i < width; ++i) {
            const auto& field = *std::find_if(spec.fields->begin(), spec.fields->end(),
                                              [&](const PacketField& k) { return k.name == delta.fields[i].name; });
            const bool key = std::find(spec.keys.begin(), spec.keys.end(), field.name) != spec.keys.end();
            // Original values were read from the database: only their kind is checked.
            if (needsOld && !gsf::data::isNull(change.oldValues[i]) &&
                std::holds_alternative<double>(change.oldValues[i]) != (field.type == FieldType::Float))
                badRequest(where + "valor original do campo " + field.name + " com tipo errado.");
            if (needsNew) checkValue(field, change.newValues[i], key, where);
        }
    }

    auto db = borrow();
    const std::string eq = std::string(" ") + db->NullSafeEqual() + " ?";
    gsf::sql::Transaction transaction(*db, true);
    auto matchClause = [&](const gsf::data::Change& change, std::vector<SqlValue>& params) {
        std::string where;
        for (size_t c = 0; c < map.columns.size(); ++c) {
            if (map.deltaIndex[c] < 0) continue;
            where += (where.empty() ? "" : " AND ") + map.columns[c] + eq;
            params.push_back(toSql(change.oldValues[static_cast<size_t>(map.deltaIndex[c])]));
        }
        return where;
    };
    for (const auto& change : delta.changes) {
        if (deltaPause_.load().count() > 0) std::this_thread::sleep_for(deltaPause_.load());
        std::vector<SqlValue> params;
        std::string sql;
        if (change.kind == gsf::data::ChangeKind::Insert) {
            std::string names, marks;
            for (size_t c = 0; c < map.columns.size(); ++c) {
                if (map.deltaIndex[c] < 0) continue;
                names += (names.empty() ? "" : ", ") + map.columns[c];
                marks += marks.empty() ? "?" : ", ?";
                params.push_back(toSql(change.newValues[static_cast<size_t>(map.deltaIndex[c])]));
            }
            sql = "INSERT INTO " + std::string(spec.table) + " (" + names + ") VALUES (" + marks + ")";
        } else {
            std::string set;
            if (change.kind == gsf::data::ChangeKind::Update) {
                for (size_t c = 0; c < map.columns.size(); ++c) {
                    if (map.deltaIndex[c] < 0) continue;
                    set += (set.empty() ? "" : ", ") + map.columns[c] + " = ?";
                    params.push_back(toSql(change.newValues[static_cast<size_t>(map.deltaIndex[c])]));
                }
            }
            std::string where = matchClause(change, params);
            if (spec.hasId) {
                // Identical intervals may exist: touch one of them, and match the
                // values again so a concurrent change is still seen after the lock.
                std::vector<SqlValue> again;
                where = "ID = (SELECT MIN(ID) FROM " + std::string(spec.table) + " WHERE " + matchClause(change, again) +
                        ") AND " + where;
                params.insert(params.end() - static_cast<long>(again.size()), again.begin(), again.end());
            }
            sql = change.kind == gsf::data::ChangeKind::Update
                      ? "UPDATE " + std::string(spec.table) + " SET " + set + " WHERE " + where
                      : "DELETE FROM " + std::string(spec.table) + " WHERE " + where;
        }
        try {
            const auto result = db->Execute(sql, std::move(params));
            if (change.kind != gsf::data::ChangeKind::Insert && result.rowsAffected == 0)
                conflict("O registro foi alterado ou excluído por outro usuário. Recarregue os dados e tente novamente.");
        } catch (const gsf::sql::SqlError& e) {
            if (e.Kind() == gsf::sql::ErrorKind::UniqueViolation) duplicate(spec.duplicateMessage);
            if (e.Kind() == gsf::sql::ErrorKind::ForeignKeyViolation) unprocessable(spec.missingParentMessage);
            throw;
        }
        if (std::string(spec.table) == "SERVGRUPFAT" && change.kind == gsf::data::ChangeKind::Delete) {
            // A group must not keep naming a correction service it no longer has.
            const int s = delta.indexOf("CDSERVFILI"), b = delta.indexOf("CDFILIAL"), c = delta.indexOf("CDCLIENTE"),
                      g = delta.indexOf("CDGRSERVFAT");
            db->Execute("UPDATE GRUPSERVFAT SET CDSERAJEFEGSF = NULL WHERE CDFILIAL = ? AND CDCLIENTE = ? AND "
                        "CDGRSERVFAT = ? AND CDSERAJEFEGSF = ?",
                        {toSql(change.oldValues[static_cast<size_t>(b)]), toSql(change.oldValues[static_cast<size_t>(c)]),
                         toSql(change.oldValues[static_cast<size_t>(g)]),
                         toSql(change.oldValues[static_cast<size_t>(s)])});
        }
    }
    try {
        transaction.Commit();
    } catch (const gsf::sql::SqlError& e) {
        // SQLite checks deferred constraints only at commit.
        if (e.Kind() == gsf::sql::ErrorKind::ForeignKeyViolation) unprocessable(spec.missingParentMessage);
        throw;
    }
}

void Storage::UpdGrupServ(const Delta& delta) {
    static const TableSpec spec{"UpdGrupServ", "GRUPSERVFAT", &kGrupServ,
                                [] {
                                    std::vector<std::string> all;
                                    for (const auto& f : kGrupServ) all.push_back(f.name);
                                    return all;
                                }(),
                                kGroupKeys, false,
                                "Grupo de serviço para faturamento já cadastrado.",
                                "Cliente não cadastrado na filial informada."};
    applyDelta(spec, delta);
}

void Storage::UpdServClie(const Delta& delta) {
    static const TableSpec spec{"UpdServClie", "SERVGRUPFAT", &kServClie,
                                {"CDFILIAL", "CDCLIENTE", "CDGRSERVFAT", "CDSERVFILI", "IDCORREFET"},
                                {"CDFILIAL", "CDCLIENTE", "CDGRSERVFAT", "CDSERVFILI"}, false,
                                "Serviço já cadastrado em um grupo deste cliente.",
                                "Grupo de serviço não cadastrado ou serviço não disponível para o cliente."};
    applyDelta(spec, delta);
}

void Storage::UpdCorrPrecGrup(const Delta& delta) {
    static const TableSpec spec{"UpdCorrPrecGrup", "CORRPRECGRUP", &kCorrPrecGrup,
                                {"CDFILIAL", "CDCLIENTE", "CDGRSERVFAT", "VRPEINICGRUP", "VRPEFIMGRUP", "VRPECORRGRUP"},
                                kGroupKeys, true, "Intervalo já cadastrado.", "Grupo de serviço não cadastrado."};
    applyDelta(spec, delta);
}

// --- procedures ---

namespace {

void requireGroup(gsf::sql::Connection& db, const std::string& branch, const std::string& client,
                  const std::string& group) {
    if (db.Execute("SELECT 1 FROM GRUPSERVFAT WHERE CDFILIAL = ? AND CDCLIENTE = ? AND CDGRSERVFAT = ?",
                   {branch, client, group})
            .IsEmpty())
        unprocessable("Grupo de serviço " + group + " não cadastrado para o cliente.");
}

} // namespace

void Storage::ProAtualizaGrupo(const std::string& branch, const std::string& client, const std::string& group,
                               const std::string& service) {
    auto db = borrow();
    gsf::sql::Transaction transaction(*db, true);
    requireGroup(*db, branch, client, group);
    if (db->Execute("SELECT 1 FROM SERVCLIE WHERE CDFILIAL = ? AND CDCLIENTE = ? AND CDSERVFILI = ?",
                    {branch, client, service})
            .IsEmpty())
        unprocessable("Serviço " + service + " não disponível para o cliente.");
    const auto current = db->Execute(
        "SELECT CDGRSERVFAT FROM SERVGRUPFAT WHERE CDFILIAL = ? AND CDCLIENTE = ? AND CDSERVFILI = ?",
        {branch, client, service});
    if (current.IsEmpty()) {
        db->Execute("INSERT INTO SERVGRUPFAT (CDFILIAL, CDCLIENTE, CDGRSERVFAT, CDSERVFILI) VALUES (?, ?, ?, ?)",
                    {branch, client, group, service});
    } else if (std::get<std::string>(current.rows[0][0]) != group) {
        duplicate("Serviço " + service + " já cadastrado no grupo " + std::get<std::string>(current.rows[0][0]) +
                  " deste cliente.");
    }
    transaction.Commit();
}

void Storage::ProAtualizaServ(const std::string& branch, const std::string& client, const std::string& group,
                              const std::string& service) {
    auto db = borrow();
    gsf::sql::Transaction transaction(*db, true);
    requireGroup(*db, branch, client, group);
    const std::vector<SqlValue> keys = {branch, client, group};
    if (db->Execute("SELECT 1 FROM SERVGRUPFAT WHERE CDFILIAL = ? AND CDCLIENTE = ? AND CDGRSERVFAT = ? AND "
                    "CDSERVFILI = ?",
                    {branch, client, group, service})
            .IsEmpty())
        unprocessable("Serviço " + service + " não cadastrado para o grupo " + group + ".");
    db->Execute("UPDATE GRUPSERVFAT SET CDSERAJEFEGSF = ? WHERE CDFILIAL = ? AND CDCLIENTE = ? AND CDGRSERVFAT = ?",
                {service, branch, client, group});
    db->Execute("UPDATE SERVGRUPFAT SET IDCORREFET = NULL WHERE CDFILIAL = ? AND CDCLIENTE = ? AND CDGRSERVFAT = ?",
                keys);
    db->Execute("UPDATE SERVGRUPFAT SET IDCORREFET = 'Sim' WHERE CDFILIAL = ? AND CDCLIENTE = ? AND CDGRSERVFAT = ? "
                "AND CDSERVFILI = ?",
                {branch, client, group, service});
    transaction.Commit();
}

void Storage::ProLimpaServ(const std::string& branch, const std::string& client, const std::string& group) {
    auto db = borrow();
    gsf::sql::Transaction transaction(*db, true);
    const std::vector<SqlValue> keys = {branch, client, group};
    db->Execute("UPDATE GRUPSERVFAT SET CDSERAJEFEGSF = NULL WHERE CDFILIAL = ? AND CDCLIENTE = ? AND CDGRSERVFAT = ?",
                keys);
    db->Execute("UPDATE SERVGRUPFAT SET IDCORREFET = NULL WHERE CDFILIAL = ? AND CDCLIENTE = ? AND CDGRSERVFAT = ?",
                keys);
    transaction.Commit();
}

void Storage::ProDeletaServ(const std::string& branch, const std::string& client, const std::string& group,
                            const std::string& service) {
    auto db = borrow();
    gsf::sql::Transaction transaction(*db, true);
    const std::vector<SqlValue> keys = {branch, client, group, service};
    db->Execute("DELETE FROM SERVGRUPFAT WHERE CDFILIAL = ? AND CDCLIENTE = ? AND CDGRSERVFAT = ? AND CDSERVFILI = ?",
                keys);
    db->Execute("UPDATE GRUPSERVFAT SET CDSERAJEFEGSF = NULL WHERE CDFILIAL = ? AND CDCLIENTE = ? AND "
                "CDGRSERVFAT = ? AND CDSERAJEFEGSF = ?",
                keys);
    transaction.Commit();
}

void Storage::ProDelServ(const std::string& branch, const std::string& client, const std::string& group) {
    auto db = borrow();
    gsf::sql::Transaction transaction(*db, true);
    const std::vector<SqlValue> keys = {branch, client, group};
    db->Execute("DELETE FROM SERVGRUPFAT WHERE CDFILIAL = ? AND CDCLIENTE = ? AND CDGRSERVFAT = ?", keys);
    db->Execute("UPDATE GRUPSERVFAT SET CDSERAJEFEGSF = NULL WHERE CDFILIAL = ? AND CDCLIENTE = ? AND CDGRSERVFAT = ?",
                keys);
    transaction.Commit();
}

} // namespace gsf::server
