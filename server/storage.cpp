#include "server/storage.h"

#include "server/arguments.h"
#include "server/registration.h"
#include "server/schema.h"
#include "server/shared_read.h"

#include "records/correction_table.h"
#include "records/delta_check.h"
#include "records/records.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <exception>
#include <optional>
#include <thread>
#include <unordered_map>

namespace gsf::server {

using gsf::data::Delta;
using gsf::data::FieldType;
using gsf::data::Packet;
using gsf::data::PacketField;
using gsf::data::Value;
using gsf::rec::CorrPrecGrup;
using gsf::rec::GrupServ;
using gsf::rec::ServClie;
using gsf::sql::SqlValue;

namespace {

// The columns of every packet, as the records declare them.
const std::vector<PacketField> kCliente = gsf::records::cliente().packetFields();
const std::vector<PacketField> kParamFilial = gsf::records::paramFilial().packetFields();
const std::vector<PacketField> kGrupServ = gsf::records::grupServ().packetFields();
const std::vector<PacketField> kVerifGrupServ = gsf::records::verifGrupServ().packetFields();
const std::vector<PacketField> kServClie = gsf::records::servClie().packetFields();
const std::vector<PacketField> kCorrPrecGrup = gsf::records::corrPrecGrup().packetFields();
const std::vector<PacketField> kIntervMaior = gsf::records::intervMaior().packetFields();
const std::vector<PacketField> kPesqServ = gsf::records::pesqServ().packetFields();
const std::vector<PacketField> kVerifServ = gsf::records::verifServ().packetFields();

SqlValue toSql(const Value& v) {
    if (const auto* d = std::get_if<double>(&v)) return *d;
    if (const auto* s = std::get_if<std::string>(&v)) return *s;
    return std::monostate{};
}

// The rows of a query written as a packet of @p fields as they are stepped:
// nothing is copied on the way but the bytes of the packet itself.
void writePacket(gsf::sql::Statement::Rows& rows, const std::vector<PacketField>& fields, std::string& out) {
    gsf::data::PacketWriter writer(out, fields);
    const int width = static_cast<int>(fields.size());
    while (rows.Next()) {
        writer.BeginRow();
        for (int c = 0; c < width; ++c) {
            switch (rows.Kind(c)) {
            case gsf::sql::CellKind::Null: writer.Null(); break;
            case gsf::sql::CellKind::Integer: writer.Number(static_cast<double>(rows.Integer(c))); break;
            case gsf::sql::CellKind::Number: writer.Number(rows.Number(c)); break;
            case gsf::sql::CellKind::Text: writer.Text(rows.Text(c)); break;
            }
        }
        writer.EndRow();
    }
    writer.End();
}

std::string columnList(const std::vector<PacketField>& fields, const char* alias = "") {
    std::string out;
    for (const auto& f : fields) out += (out.empty() ? "" : ", ") + std::string(alias) + f.name;
    return out;
}

} // namespace

// How a delta maps onto one table.
struct Storage::TableSpec {
    const gsf::records::Table& table;
    const char* duplicateMessage;  ///< a key already taken
    const char* method;            ///< the remote method that sends it
};

Storage::Lease::Lease(Storage& o, std::unique_ptr<gsf::sql::Connection> c) : owner(&o), connection(std::move(c)) {}

Storage::Lease::~Lease() {
    if (!connection) return;
    try {
        owner->giveBack(std::move(connection));
    } catch (...) {
        // Only the pool's own bookkeeping can fail here; the connection is dropped.
    }
}

Storage::Storage(std::string target, bool seedDemo)
    : target_(std::move(target)), engine_(gsf::sql::engineOf(target_)), versions_(std::make_unique<VersionReads>()) {
    const StartupLock lock(target_);
    auto connection = open();
    migrate(*connection);
    idle_.push_back(std::move(connection));
    if (seedDemo) SeedDemo();
}

Storage::~Storage() = default;

std::unique_ptr<gsf::sql::Connection> Storage::open() {
    auto connection = gsf::sql::openDatabase(target_);
    ++opened_;
    return connection;
}

Storage::Lease Storage::borrow() {
    {
        std::unique_lock lock(mutex_);
        returned_.wait(lock, [this] { return limit_ == 0 || lent_ < limit_; });
        ++lent_;
        if (!idle_.empty()) {
            auto connection = std::move(idle_.back());
            idle_.pop_back();
            return Lease(*this, std::move(connection));
        }
    }
    try {
        return Lease(*this, open());
    } catch (...) {
        std::lock_guard lock(mutex_);
        --lent_;
        returned_.notify_one();
        throw;
    }
}

void Storage::giveBack(std::unique_ptr<gsf::sql::Connection> connection) {
    // The slot is freed whatever happens to the connection: a rollback that
    // throws drops the connection, never a place in the pool.
    bool usable = false;
    try {
        if (connection->InTransaction()) connection->Rollback();
        usable = connection->IsUsable();
    } catch (...) {
    }
    std::lock_guard lock(mutex_);
    --lent_;
    returned_.notify_one();
    if (usable) idle_.push_back(std::move(connection));
}

void Storage::SetConnectionLimit(std::size_t limit) {
    std::lock_guard lock(mutex_);
    limit_ = limit;
    returned_.notify_all();
}

int Storage::SchemaVersion() {
    auto db = borrow();
    return schemaVersion(*db);
}

// On PostgreSQL a read of the version is a round trip to the server: the
// calls that want one at the same time share it.
struct Storage::VersionReads : SharedRead<std::int64_t> {};

std::int64_t Storage::ChangeVersion() {
    if (engine_ != gsf::sql::Engine::PostgreSQL) return readVersion();
    return versions_->Current([this] { return readVersion(); });
}

std::int64_t Storage::readVersion() {
    static const std::string sql = "SELECT version FROM change_counter WHERE id = 1";
    auto db = borrow();
    auto rows = db->Query(sql);
    if (!rows.Next() || rows.Kind(0) != gsf::sql::CellKind::Integer)
        throw gsf::sql::SqlError(gsf::sql::ErrorKind::Other, "Contador de alterações ausente.");
    return rows.Integer(0);
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

void Storage::read(const std::vector<PacketField>& fields, const std::string& sql, std::vector<SqlValue> params,
                   std::string& out) {
    auto db = borrow();
    auto rows = db->Query(sql, std::move(params));
    writePacket(rows, fields, out);
}

void Storage::GetPesqClie(const std::string& registration, const std::string& branch, std::string& out) {
    static const std::string select = "SELECT " + columnList(kCliente) + " FROM CLIENTE WHERE CDFILIAL = ?";
    static const std::string all = select + " ORDER BY CDCLIENTE";
    static const std::string one = select + " AND NRINSJURCLIE = ? ORDER BY CDCLIENTE";
    std::string wanted = registration;
    for (char& c : wanted) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    if (wanted.empty()) return read(kCliente, all, {branch}, out);
    read(kCliente, one, {branch, wanted}, out);
}

void Storage::GetParamFilial(const std::string& branch, std::string& out) {
    read(kParamFilial, "SELECT CDTIPOFATUR, DSPARAMFATFI FROM PARAMFATFILI WHERE CDFILIAL = ?", {branch}, out);
}

void Storage::GetGrupServ(const std::string& branch, const std::string& client, std::string& out) {
    static const std::string sql = "SELECT " + columnList(kGrupServ) +
                                   " FROM GRUPSERVFAT WHERE CDFILIAL = ? AND CDCLIENTE = ? ORDER BY CDGRSERVFAT";
    read(kGrupServ, sql, {branch, client}, out);
}

void Storage::GetVerifGrupServ(const std::string& branch, const std::string& client, const std::string& group,
                               std::string& out) {
    read(kVerifGrupServ, "SELECT CDFILIAL FROM GRUPSERVFAT WHERE CDFILIAL = ? AND CDCLIENTE = ? AND CDGRSERVFAT = ?",
         {branch, client, group}, out);
}

void Storage::GetServClie(const std::string& branch, const std::string& client, const std::string& group,
                          std::string& out) {
    static const std::string sql =
        "SELECT G.CDSERVFILI, S.NMSERVICO, G.IDCORREFET, G.CDGRSERVFAT, G.CDFILIAL, G.CDCLIENTE "
        "FROM SERVGRUPFAT G LEFT JOIN SERVFILI S ON S.CDFILIAL = G.CDFILIAL AND S.CDSERVFILI = G.CDSERVFILI "
        "WHERE G.CDFILIAL = ? AND G.CDCLIENTE = ? AND G.CDGRSERVFAT = ? ORDER BY G.CDSERVFILI";
    read(kServClie, sql, {branch, client, group}, out);
}

void Storage::GetCorrPrecGrup(const std::string& branch, const std::string& client, const std::string& group,
                              std::string& out) {
    // Ascending by end, an open (null) end first, so the last row holds the
    // largest end, the one GetIntervMaior reports.
    static const std::string sql =
        "SELECT " + columnList(kCorrPrecGrup) +
        " FROM CORRPRECGRUP WHERE CDFILIAL = ? AND CDCLIENTE = ? AND CDGRSERVFAT = ? "
        "ORDER BY CASE WHEN VRPEFIMGRUP IS NULL THEN 0 ELSE 1 END, VRPEFIMGRUP, VRPEINICGRUP, ID";
    read(kCorrPrecGrup, sql, {branch, client, group}, out);
}

void Storage::GetIntervMaior(const std::string& branch, const std::string& client, const std::string& group,
                             std::string& out) {
    // MAX over no rows is one null row; HAVING turns it into no row at all.
    read(kIntervMaior,
         "SELECT MAX(VRPEFIMGRUP) AS VRPEFIMGRUP FROM CORRPRECGRUP WHERE CDFILIAL = ? AND CDCLIENTE = ? AND "
         "CDGRSERVFAT = ? HAVING COUNT(*) > 0",
         {branch, client, group}, out);
}

void Storage::GetPesqServ(const std::string& branch, const std::string& client, const std::string& service,
                          std::string& out) {
    static const std::string select =
        "SELECT S.CDSERVFILI, S.NMSERVICO FROM SERVCLIE C JOIN SERVFILI S ON S.CDFILIAL = C.CDFILIAL AND "
        "S.CDSERVFILI = C.CDSERVFILI WHERE C.CDFILIAL = ? AND C.CDCLIENTE = ?";
    static const std::string all = select + " ORDER BY S.CDSERVFILI";
    static const std::string one = select + " AND C.CDSERVFILI = ?";
    if (service.empty()) return read(kPesqServ, all, {branch, client}, out);
    read(kPesqServ, one, {branch, client, service}, out);
}

void Storage::GetVerifServ(const std::string& branch, const std::string& service, const std::string& client,
                           const std::string&, std::string& out) {
    // A service is billed through one group of a client at most, so any group counts.
    read(kVerifServ, "SELECT CDSERVFILI FROM SERVGRUPFAT WHERE CDFILIAL = ? AND CDCLIENTE = ? AND CDSERVFILI = ?",
         {branch, client, service}, out);
}

// The decoded forms: the same packets, read back.

namespace {

template <typename Write>
Packet decoded(const Write& write) {
    std::string out;
    write(out);
    return gsf::data::decodePacket(out);
}

} // namespace

Packet Storage::GetPesqClie(const std::string& registration, const std::string& branch) {
    return decoded([&](std::string& out) { GetPesqClie(registration, branch, out); });
}

Packet Storage::GetParamFilial(const std::string& branch) {
    return decoded([&](std::string& out) { GetParamFilial(branch, out); });
}

Packet Storage::GetGrupServ(const std::string& branch, const std::string& client) {
    return decoded([&](std::string& out) { GetGrupServ(branch, client, out); });
}

Packet Storage::GetVerifGrupServ(const std::string& branch, const std::string& client, const std::string& group) {
    return decoded([&](std::string& out) { GetVerifGrupServ(branch, client, group, out); });
}

Packet Storage::GetServClie(const std::string& branch, const std::string& client, const std::string& group) {
    return decoded([&](std::string& out) { GetServClie(branch, client, group, out); });
}

Packet Storage::GetCorrPrecGrup(const std::string& branch, const std::string& client, const std::string& group) {
    return decoded([&](std::string& out) { GetCorrPrecGrup(branch, client, group, out); });
}

Packet Storage::GetIntervMaior(const std::string& branch, const std::string& client, const std::string& group) {
    return decoded([&](std::string& out) { GetIntervMaior(branch, client, group, out); });
}

Packet Storage::GetPesqServ(const std::string& branch, const std::string& client, const std::string& service) {
    return decoded([&](std::string& out) { GetPesqServ(branch, client, service, out); });
}

Packet Storage::GetVerifServ(const std::string& branch, const std::string& service, const std::string& client,
                             const std::string& group) {
    return decoded([&](std::string& out) { GetVerifServ(branch, service, client, group, out); });
}

// --- deltas ---

namespace {

using gsf::data::Change;
using gsf::data::ChangeKind;
using gsf::records::Interval;

const char* const kChangedMeanwhile =
    "O registro foi alterado ou excluído por outro usuário. Recarregue os dados e tente novamente.";

// A constraint the database raised inside a write: one raised because another
// writer got there first is a refusal; anything else goes on as it is.
// Called from inside a catch handler.
[[noreturn]] void raced(const gsf::sql::SqlError& e, const std::string& duplicateMessage) {
    switch (e.Kind()) {
    case gsf::sql::ErrorKind::UniqueViolation: duplicate(duplicateMessage);
    case gsf::sql::ErrorKind::ForeignKeyViolation:
    case gsf::sql::ErrorKind::Serialization: conflict(kChangedMeanwhile);
    default: throw;
    }
}

const Value& valueOf(const Delta& delta, const std::vector<Value>& row, gsf::data::FieldKey field) {
    static const Value none;
    const int i = delta.indexOf(field.name);
    return i < 0 ? none : row[static_cast<size_t>(i)];
}

std::string textOf(const Delta& delta, const std::vector<Value>& row, gsf::data::FieldKey field) {
    const auto* s = std::get_if<std::string>(&valueOf(delta, row, field));
    return s ? *s : std::string();
}

std::optional<double> numberOf(const Value& v) {
    if (const auto* d = std::get_if<double>(&v)) return *d;
    return std::nullopt;
}

std::optional<double> numberOf(const SqlValue& v) {
    if (const auto* d = std::get_if<double>(&v)) return *d;
    if (const auto* i = std::get_if<std::int64_t>(&v)) return static_cast<double>(*i);
    return std::nullopt;
}

struct GroupKey {
    std::string branch, client, group;
    bool operator==(const GroupKey&) const = default;
};

GroupKey groupOf(const Delta& delta, const std::vector<Value>& row) {
    return {textOf(delta, row, GrupServ::CDFILIAL), textOf(delta, row, GrupServ::CDCLIENTE),
            textOf(delta, row, GrupServ::CDGRSERVFAT)};
}

bool exists(gsf::sql::Connection& db, const std::string& sql, std::vector<SqlValue> params) {
    return !db.Execute(sql, std::move(params)).IsEmpty();
}

bool groupExists(gsf::sql::Connection& db, const GroupKey& key) {
    return exists(db, "SELECT 1 FROM GRUPSERVFAT WHERE CDFILIAL = ? AND CDCLIENTE = ? AND CDGRSERVFAT = ?",
                  {key.branch, key.client, key.group});
}

std::string groupWords(const GroupKey& key) {
    return "grupo " + key.group + " não cadastrado para o cliente " + key.client + " da filial " + key.branch + ".";
}

// The rows an inserted row refers to, checked so that a missing one is named;
// a foreign key that fails later means another writer removed it meanwhile.
void requireParents(gsf::sql::Connection& db, const std::string& table, const Delta& delta,
                    const std::vector<Value>& row, const std::string& name) {
    const GroupKey key = groupOf(delta, row);
    if (table == "GRUPSERVFAT") {
        if (!exists(db, "SELECT 1 FROM CLIENTE WHERE CDFILIAL = ? AND CDCLIENTE = ?",
                    {key.branch, key.client}))
            unprocessable(name + ": cliente " + key.client + " não cadastrado na filial " + key.branch + ".");
        return;
    }
    if (!groupExists(db, key)) unprocessable(name + ": " + groupWords(key));
    if (table == "SERVGRUPFAT") {
        const std::string service = textOf(delta, row, ServClie::CDSERVFILI);
        if (!exists(db, "SELECT 1 FROM SERVCLIE WHERE CDFILIAL = ? AND CDCLIENTE = ? AND CDSERVFILI = ?",
                    {key.branch, key.client, service}))
            unprocessable(name + ": serviço " + service + " não disponível para o cliente " + key.client + ".");
    }
}

// A group may name as its correction service only one of its own services.
void checkCorrectionService(gsf::sql::Connection& db, const Delta& delta, const Change& change,
                            const std::string& name) {
    const Value& service = valueOf(delta, change.newValues, GrupServ::CDSERAJEFEGSF);
    if (gsf::data::isNull(service)) return;
    if (change.kind == ChangeKind::Update &&
        gsf::data::sameValue(service, valueOf(delta, change.oldValues, GrupServ::CDSERAJEFEGSF)))
        return;
    const GroupKey key = groupOf(delta, change.newValues);
    const std::string code = std::get<std::string>(service);
    if (!exists(db,
                "SELECT 1 FROM SERVGRUPFAT WHERE CDFILIAL = ? AND CDCLIENTE = ? AND CDGRSERVFAT = ? AND "
                "CDSERVFILI = ?",
                {key.branch, key.client, key.group, code}))
        unprocessable(name + ": o campo CDSERAJEFEGSF (serviço de correção de efetivos) indica o serviço " + code +
                      ", que não pertence ao grupo " + key.group + ".");
}

// What a delta did to correction tables, checked once every change is applied.
struct IntervalChanges {
    struct Touched {
        GroupKey group;
        std::int64_t id;  ///< inserted or updated row
        std::string name;
    };
    struct Removed {
        GroupKey group;
        Interval interval;  ///< as it was before the delta
        std::string name;
        const char* hint;   ///< what the person may do instead
    };
    std::vector<GroupKey> groups;
    std::vector<Touched> touched;
    std::vector<Removed> removed;

    void addGroup(const GroupKey& key) {
        if (std::find(groups.begin(), groups.end(), key) == groups.end()) groups.push_back(key);
    }
};

Interval intervalOf(const Delta& delta, const std::vector<Value>& row, std::int64_t id) {
    return {numberOf(valueOf(delta, row, CorrPrecGrup::VRPEINICGRUP)),
            numberOf(valueOf(delta, row, CorrPrecGrup::VRPEFIMGRUP)),
            numberOf(valueOf(delta, row, CorrPrecGrup::VRPECORRGRUP)), id};
}

std::vector<Interval> readTable(gsf::sql::Connection& db, const GroupKey& key) {
    const auto result = db.Execute("SELECT ID, VRPEINICGRUP, VRPEFIMGRUP, VRPECORRGRUP FROM CORRPRECGRUP WHERE "
                                   "CDFILIAL = ? AND CDCLIENTE = ? AND CDGRSERVFAT = ?",
                                   {key.branch, key.client, key.group});
    std::vector<Interval> table;
    table.reserve(result.rows.size());
    for (const auto& row : result.rows)
        table.push_back({numberOf(row[1]), numberOf(row[2]), numberOf(row[3]), std::get<std::int64_t>(row[0])});
    gsf::records::sortIntervals(table);
    return table;
}

// Each inserted or altered interval must meet its neighbours as the table now
// stands, and the neighbours of a removed one (or of an altered one, where it
// was) must meet each other; joins the delta did not touch are left as they
// are, so an older damaged table can still be repaired piece by piece.
void checkShapes(gsf::sql::Connection& db, const IntervalChanges& changes) {
    const auto refuse = [](const std::string& name, const std::string& problem, const char* where) {
        unprocessable(name + ": a tabela de correção ficaria com " + problem + where);
    };
    for (const GroupKey& key : changes.groups) {
        const std::vector<Interval> table = readTable(db, key);
        std::unordered_map<std::int64_t, size_t> positions;
        for (size_t i = 0; i < table.size(); ++i) positions.emplace(table[i].id, i);
        for (const auto& t : changes.touched) {
            if (!(t.group == key)) continue;
            const auto at = positions.find(t.id);
            if (at == positions.end()) continue;  // removed again later in the same delta
            const size_t pos = at->second;
            if (const auto problem = gsf::records::joinProblem(table, pos); !problem.empty())
                refuse(t.name, problem, pos == 0 ? " no início da tabela." : " junto ao intervalo anterior.");
            if (const auto problem = gsf::records::joinProblem(table, pos + 1); !problem.empty())
                refuse(t.name, problem, " junto ao intervalo seguinte.");
        }
        for (const auto& r : changes.removed) {
            if (!(r.group == key)) continue;
            const auto at = std::lower_bound(table.begin(), table.end(), r.interval, gsf::records::intervalBefore);
            if (const auto problem = gsf::records::joinProblem(table, static_cast<size_t>(at - table.begin()));
                !problem.empty())
                refuse(r.name, problem, r.hint);
        }
    }
}

// Applies the changes of one checked delta to its table, in order, inside
// the write transaction: the one place where a delta row reaches the
// database. A row to update or delete is found through its key columns (an
// index serves them; keys are never null) and must still hold every
// original value, compared null-safely, or the change fails as changed
// meanwhile.
class DeltaApplier {
public:
    DeltaApplier(gsf::sql::Connection& db, const gsf::records::Table& table, const Delta& delta)
        : db_(db), table_(table), delta_(delta), name_(table.table), intervals_(name_ == "CORRPRECGRUP") {
        // The stored columns the delta carries, in the table's order.
        for (const auto& f : table.fields) {
            const int i = delta.indexOf(f.name);
            if (f.stored && i >= 0) columns_.push_back({f.name, static_cast<size_t>(i), f.key});
        }
        std::string names, marks, set, match;
        for (const Column& c : columns_) {
            names += (names.empty() ? "" : ", ") + c.name;
            marks += marks.empty() ? "?" : ", ?";
            if (!c.key) set += (set.empty() ? "" : ", ") + c.name + " = ?";
            match += (match.empty() ? "" : " AND ") + c.name + (c.key ? " = ?" : std::string(" ") + db.NullSafeEqual() + " ?");
        }
        std::string where = match;
        if (intervals_) {
            // Identical intervals may exist: touch one of them, and match the
            // values again so a concurrent change is still seen after the lock.
            where = "ID = (SELECT MIN(ID) FROM " + name_ + " WHERE " + match + ") AND " + match;
        }
        const std::string returning = intervals_ ? " RETURNING ID" : "";
        insert_ = "INSERT INTO " + name_ + " (" + names + ") VALUES (" + marks + ")" + returning;
        update_ = "UPDATE " + name_ + " SET " + set + " WHERE " + where + returning;
        delete_ = "DELETE FROM " + name_ + " WHERE " + where + returning;
    }

    void apply(size_t n) {
        const Change& change = delta_.changes[n];
        const std::string name = gsf::records::changeName(table_, delta_, n);
        const auto& row = change.kind == ChangeKind::Insert ? change.newValues : change.oldValues;
        if (change.kind == ChangeKind::Insert) requireParents(db_, name_, delta_, row, name);
        if (name_ == "GRUPSERVFAT" && change.kind != ChangeKind::Delete)
            checkCorrectionService(db_, delta_, change, name);
        if (intervals_) tracked_.addGroup(groupOf(delta_, row));

        std::vector<SqlValue> params;
        params.reserve(2 * columns_.size() + (intervals_ ? columns_.size() : 0));
        const auto values = [&](const std::vector<Value>& from, bool keys) {
            for (const Column& c : columns_)
                if (keys || !c.key) params.push_back(toSql(from[c.index]));
        };
        if (change.kind == ChangeKind::Update) values(change.newValues, false);
        if (change.kind != ChangeKind::Insert) {
            values(change.oldValues, true);
            if (intervals_) values(change.oldValues, true);
        } else {
            values(change.newValues, true);
        }
        const std::string& sql =
            change.kind == ChangeKind::Insert ? insert_ : change.kind == ChangeKind::Update ? update_ : delete_;
        const auto result = db_.Execute(sql, std::move(params));
        const auto affected = intervals_ ? static_cast<std::int64_t>(result.rows.size()) : result.rowsAffected;
        if (change.kind != ChangeKind::Insert && affected == 0) conflict(kChangedMeanwhile);

        if (intervals_) {
            const std::int64_t id = std::get<std::int64_t>(result.rows.at(0).at(0));
            const GroupKey key = groupOf(delta_, row);
            if (change.kind != ChangeKind::Insert)
                tracked_.removed.push_back({key, intervalOf(delta_, change.oldValues, id), name,
                                            change.kind == ChangeKind::Delete
                                                ? "; só o último intervalo pode ser excluído."
                                                : " onde o intervalo estava."});
            if (change.kind != ChangeKind::Delete) tracked_.touched.push_back({key, id, name});
        }
        if (name_ == "SERVGRUPFAT" && change.kind == ChangeKind::Delete) {
            // A group must not keep naming a correction service it no longer has.
            const GroupKey key = groupOf(delta_, row);
            db_.Execute("UPDATE GRUPSERVFAT SET CDSERAJEFEGSF = NULL WHERE CDFILIAL = ? AND CDCLIENTE = ? AND "
                        "CDGRSERVFAT = ? AND CDSERAJEFEGSF = ?",
                        {key.branch, key.client, key.group, textOf(delta_, row, ServClie::CDSERVFILI)});
        }
    }

    /// The checks that need every change in place.
    void finish() {
        if (intervals_) checkShapes(db_, tracked_);
    }

private:
    struct Column {
        std::string name;
        size_t index;  ///< in the delta's rows
        bool key;
    };

    gsf::sql::Connection& db_;
    const gsf::records::Table& table_;
    const Delta& delta_;
    const std::string name_;
    const bool intervals_;
    std::vector<Column> columns_;
    std::string insert_, update_, delete_;
    IntervalChanges tracked_;
};

} // namespace

namespace {
thread_local WriteHook* currentWriteHook = nullptr;
}

ScopedWriteHook::ScopedWriteHook(WriteHook& hook) : previous_(currentWriteHook) { currentWriteHook = &hook; }

ScopedWriteHook::~ScopedWriteHook() { currentWriteHook = previous_; }

void Storage::write(const WriteOf& what, const std::string& duplicateMessage,
                    const std::function<void(gsf::sql::Connection&)>& body) {
    WriteHook* hook = currentWriteHook;
    auto db = borrow();
    try {
        gsf::sql::Transaction transaction(*db, true);
        // Writers run one at a time, so what a write checks (a free key, a
        // group that exists, the neighbours of an interval) still holds when it
        // commits. SQLite's write transaction already holds the database's
        // lock; on PostgreSQL every writer takes the change counter's row first,
        // the lock its triggers would take at the first write anyway, so no two
        // writers ever wait on each other in a cycle.
        if (db->GetEngine() == gsf::sql::Engine::PostgreSQL)
            db->Execute("SELECT version FROM change_counter WHERE id = 1 FOR UPDATE");
        if (hook && !hook->Before(*db)) return;
        history::Recorder recorder(*db, what.method, what.groups);
        body(*db);
        recorder.Finish();
        if (hook) hook->After(*db);
        transaction.Commit();
    } catch (const gsf::sql::SqlError& e) {
        raced(e, duplicateMessage);
    }
}

void Storage::applyDelta(const TableSpec& spec, const Delta& sent) {
    const gsf::records::Table& table = spec.table;
    Delta delta;
    try {
        delta = gsf::records::checkDelta(table, sent);
    } catch (const gsf::records::Refusal& refusal) {
        if (refusal.GetKind() == gsf::records::Refusal::Kind::Malformed)
            badRequest(std::string("Argumento 1 (delta) inválido: ") + refusal.what());
        unprocessable(refusal.what());
    }
    write({spec.method, history::groupsOf(delta)}, spec.duplicateMessage, [&](gsf::sql::Connection& db) {
        DeltaApplier applier(db, table, delta);
        for (size_t n = 0; n < delta.changes.size(); ++n) {
            if (deltaPause_.load().count() > 0) std::this_thread::sleep_for(deltaPause_.load());
            applier.apply(n);
        }
        applier.finish();
    });
}

void Storage::UpdGrupServ(const Delta& delta) {
    static const TableSpec spec{gsf::records::grupServ(), "Grupo de serviço para faturamento já cadastrado.",
                                "UpdGrupServ"};
    applyDelta(spec, delta);
}

void Storage::UpdServClie(const Delta& delta) {
    static const TableSpec spec{gsf::records::servClie(), "Serviço já cadastrado em um grupo deste cliente.",
                                "UpdServClie"};
    applyDelta(spec, delta);
}

void Storage::UpdCorrPrecGrup(const Delta& delta) {
    static const TableSpec spec{gsf::records::corrPrecGrup(), "Intervalo já cadastrado.",
                                "UpdCorrPrecGrup"};
    applyDelta(spec, delta);
}

// --- procedures ---

namespace {

void requireGroup(gsf::sql::Connection& db, const std::string& branch, const std::string& client,
                  const std::string& group) {
    if (!groupExists(db, {branch, client, group})) unprocessable("Grupo de serviço " + group +
                                                                 " não cadastrado para o cliente " + client +
                                                                 " da filial " + branch + ".");
}

const char* const kServiceTaken = "Serviço já cadastrado em um grupo deste cliente.";

} // namespace

void Storage::ProAtualizaGrupo(const std::string& branch, const std::string& client, const std::string& group,
                               const std::string& service) {
    write({"ProAtualizaGrupo", {{branch, client, group}}}, kServiceTaken, [&](gsf::sql::Connection& db) {
        requireGroup(db, branch, client, group);
        if (!exists(db, "SELECT 1 FROM SERVCLIE WHERE CDFILIAL = ? AND CDCLIENTE = ? AND CDSERVFILI = ?",
                    {branch, client, service}))
            unprocessable("Serviço " + service + " não disponível para o cliente.");
        // The service may be assigned already (the post that follows an
        // assignment sends it again): the insert then does nothing, and the
        // assignment found decides.
        db.Execute("INSERT INTO SERVGRUPFAT (CDFILIAL, CDCLIENTE, CDGRSERVFAT, CDSERVFILI) VALUES (?, ?, ?, ?) "
                   "ON CONFLICT DO NOTHING",
                   {branch, client, group, service});
        const auto current = db.Execute(
            "SELECT CDGRSERVFAT FROM SERVGRUPFAT WHERE CDFILIAL = ? AND CDCLIENTE = ? AND CDSERVFILI = ?",
            {branch, client, service});
        if (current.IsEmpty()) conflict(kChangedMeanwhile);
        if (const auto& holder = std::get<std::string>(current.rows[0][0]); holder != group)
            duplicate("Serviço " + service + " já cadastrado no grupo " + holder + " deste cliente.");
    });
}

void Storage::ProAtualizaServ(const std::string& branch, const std::string& client, const std::string& group,
                              const std::string& service) {
    write({"ProAtualizaServ", {{branch, client, group}}}, kServiceTaken, [&](gsf::sql::Connection& db) {
        requireGroup(db, branch, client, group);
        const std::vector<SqlValue> keys = {branch, client, group};
        if (!exists(db,
                    "SELECT 1 FROM SERVGRUPFAT WHERE CDFILIAL = ? AND CDCLIENTE = ? AND CDGRSERVFAT = ? AND "
                    "CDSERVFILI = ?",
                    {branch, client, group, service}))
            unprocessable("Serviço " + service + " não cadastrado para o grupo " + group + ".");
        db.Execute("UPDATE GRUPSERVFAT SET CDSERAJEFEGSF = ? WHERE CDFILIAL = ? AND CDCLIENTE = ? AND CDGRSERVFAT = ?",
                   {service, branch, client, group});
        db.Execute("UPDATE SERVGRUPFAT SET IDCORREFET = NULL WHERE CDFILIAL = ? AND CDCLIENTE = ? AND CDGRSERVFAT = ?",
                   keys);
        db.Execute("UPDATE SERVGRUPFAT SET IDCORREFET = 'Sim' WHERE CDFILIAL = ? AND CDCLIENTE = ? AND "
                   "CDGRSERVFAT = ? AND CDSERVFILI = ?",
                   {branch, client, group, service});
    });
}

void Storage::ProLimpaServ(const std::string& branch, const std::string& client, const std::string& group) {
    write({"ProLimpaServ", {{branch, client, group}}}, kServiceTaken, [&](gsf::sql::Connection& db) {
        requireGroup(db, branch, client, group);
        const std::vector<SqlValue> keys = {branch, client, group};
        db.Execute("UPDATE GRUPSERVFAT SET CDSERAJEFEGSF = NULL WHERE CDFILIAL = ? AND CDCLIENTE = ? AND CDGRSERVFAT = ?",
                   keys);
        db.Execute("UPDATE SERVGRUPFAT SET IDCORREFET = NULL WHERE CDFILIAL = ? AND CDCLIENTE = ? AND CDGRSERVFAT = ?",
                   keys);
    });
}

void Storage::ProDeletaServ(const std::string& branch, const std::string& client, const std::string& group,
                            const std::string& service) {
    write({"ProDeletaServ", {{branch, client, group}}}, kServiceTaken, [&](gsf::sql::Connection& db) {
        requireGroup(db, branch, client, group);
        const std::vector<SqlValue> keys = {branch, client, group, service};
        db.Execute("DELETE FROM SERVGRUPFAT WHERE CDFILIAL = ? AND CDCLIENTE = ? AND CDGRSERVFAT = ? AND CDSERVFILI = ?",
                   keys);
        db.Execute("UPDATE GRUPSERVFAT SET CDSERAJEFEGSF = NULL WHERE CDFILIAL = ? AND CDCLIENTE = ? AND "
                   "CDGRSERVFAT = ? AND CDSERAJEFEGSF = ?",
                   keys);
    });
}

void Storage::ProDelServ(const std::string& branch, const std::string& client, const std::string& group) {
    write({"ProDelServ", {{branch, client, group}}}, kServiceTaken, [&](gsf::sql::Connection& db) {
        requireGroup(db, branch, client, group);
        const std::vector<SqlValue> keys = {branch, client, group};
        db.Execute("DELETE FROM SERVGRUPFAT WHERE CDFILIAL = ? AND CDCLIENTE = ? AND CDGRSERVFAT = ?", keys);
        db.Execute("UPDATE GRUPSERVFAT SET CDSERAJEFEGSF = NULL WHERE CDFILIAL = ? AND CDCLIENTE = ? AND CDGRSERVFAT = ?",
                   keys);
    });
}

// --- existing data ---

std::vector<DamagedTable> findDamagedCorrectionTables(gsf::sql::Connection& connection) {
    const auto result = connection.Execute("SELECT CDFILIAL, CDCLIENTE, CDGRSERVFAT, ID, VRPEINICGRUP, VRPEFIMGRUP, "
                                           "VRPECORRGRUP FROM CORRPRECGRUP ORDER BY CDFILIAL, CDCLIENTE, CDGRSERVFAT");
    std::vector<DamagedTable> damaged;
    const auto text = [](const SqlValue& v) {
        const auto* s = std::get_if<std::string>(&v);
        return s ? *s : std::string();
    };
    for (size_t r = 0; r < result.rows.size();) {
        const auto& first = result.rows[r];
        DamagedTable group{text(first[0]), text(first[1]), text(first[2]), {}};
        std::vector<Interval> intervals;
        for (; r < result.rows.size() && text(result.rows[r][0]) == group.branch &&
               text(result.rows[r][1]) == group.client && text(result.rows[r][2]) == group.group;
             ++r) {
            const auto& row = result.rows[r];
            intervals.push_back({numberOf(row[4]), numberOf(row[5]), numberOf(row[6]), std::get<std::int64_t>(row[3])});
        }
        group.problems = gsf::records::tableProblems(std::move(intervals));
        if (!group.problems.empty()) damaged.push_back(std::move(group));
    }
    return damaged;
}

} // namespace gsf::server
