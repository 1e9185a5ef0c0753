#include "server/storage.h"

#include "server/arguments.h"
#include "server/delta_tables.h"
#include "server/registration.h"
#include "server/schema.h"
#include "server/shared_read.h"
#include "server/write_support.h"

#include "records/records.h"

#include <cctype>
#include <thread>

namespace gsf::server {

using gsf::data::Delta;
using gsf::data::Packet;
using gsf::data::PacketField;
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

// The rows of a query written as a packet of @p fields as they are stepped:
// nothing is copied on the way but the bytes of the packet itself.
void writePacket(gsf::sql::Statement::Rows& rows, const std::vector<PacketField>& fields, std::string& out)
{
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

// The select list of a packet, in the order the records declare its columns:
// every column of the queried table from @p own (an alias with its dot, or
// empty), the ones shown only from the table joined as @p joined.
std::string columnList(const gsf::records::Table& table, const char* own = "", const char* joined = "")
{
    std::string out;
    for (const auto& f : table.fields)
        out += (out.empty() ? "" : ", ") + std::string(f.stored ? own : joined) + f.name;
    return out;
}

} // namespace

Storage::Lease::Lease(Storage& o, std::unique_ptr<gsf::sql::Connection> c) : owner(&o), connection(std::move(c)) {}

Storage::Lease::~Lease()
{
    if (!connection)
        return;
    try {
        owner->giveBack(std::move(connection));
    } catch (...) {
        // Only the pool's own bookkeeping can fail here; the connection is dropped.
    }
}

Storage::Storage(std::string target, bool seedDemo)
    : target_(std::move(target)), engine_(gsf::sql::engineOf(target_)), versions_(std::make_unique<VersionReads>())
{
    const StartupLock lock(target_);
    auto connection = open();
    migrate(*connection);
    idle_.push_back(std::move(connection));
    if (seedDemo)
        SeedDemo();
}

Storage::~Storage() = default;

std::unique_ptr<gsf::sql::Connection> Storage::open()
{
    auto connection = gsf::sql::openDatabase(target_);
    ++opened_;
    return connection;
}

Storage::Lease Storage::borrow()
{
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

void Storage::giveBack(std::unique_ptr<gsf::sql::Connection> connection)
{
    // The slot is freed whatever happens to the connection: a rollback that
    // throws drops the connection, never a place in the pool.
    bool usable = false;
    try {
        if (connection->InTransaction())
            connection->Rollback();
        usable = connection->IsUsable();
    } catch (...) {}
    std::lock_guard lock(mutex_);
    --lent_;
    returned_.notify_one();
    if (usable)
        idle_.push_back(std::move(connection));
}

void Storage::SetConnectionLimit(std::size_t limit)
{
    std::lock_guard lock(mutex_);
    limit_ = limit;
    returned_.notify_all();
}

int Storage::SchemaVersion()
{
    auto db = borrow();
    return schemaVersion(*db);
}

// On PostgreSQL a read of the version is a round trip to the server: the
// calls that want one at the same time share it.
struct Storage::VersionReads : SharedRead<std::int64_t> {};

std::int64_t Storage::ChangeVersion()
{
    if (engine_ != gsf::sql::Engine::PostgreSQL)
        return readVersion();
    return versions_->Current([this] { return readVersion(); });
}

std::int64_t Storage::readVersion()
{
    static const std::string sql = "SELECT version FROM change_counter WHERE id = 1";
    auto db = borrow();
    auto rows = db->Query(sql);
    if (!rows.Next() || rows.Kind(0) != gsf::sql::CellKind::Integer)
        throw gsf::sql::SqlError(gsf::sql::ErrorKind::Other, "Contador de alterações ausente.");
    return rows.Integer(0);
}

// --- reference data ---

void Storage::AddBranch(const std::string& branch, const std::string& name)
{
    borrow()->Execute("INSERT INTO FILIAL (CDFILIAL, NMFILIAL) VALUES (?, ?)", {branch, name});
}

void Storage::AddClient(const std::string& branch, const std::string& client, const std::string& registration,
                        const std::string& personType, const std::string& legalName, const std::string& tradeName)
{
    if (const auto problem = registrationProblem(registration, personType); !problem.empty())
        unprocessable(problem);
    borrow()->Execute("INSERT INTO CLIENTE (CDFILIAL, CDCLIENTE, NRINSJURCLIE, IDTPIJURCLIE, NMRAZSOCCLIE, NMFANTCLIE) "
                      "VALUES (?, ?, ?, ?, ?, ?)",
                      {branch, client, registration, personType, legalName, tradeName});
}

void Storage::AddService(const std::string& branch, const std::string& service, const std::string& name)
{
    borrow()->Execute("INSERT INTO SERVFILI (CDFILIAL, CDSERVFILI, NMSERVICO) VALUES (?, ?, ?)",
                      {branch, service, name});
}

void Storage::AllowService(const std::string& branch, const std::string& client, const std::string& service)
{
    borrow()->Execute("INSERT INTO SERVCLIE (CDFILIAL, CDCLIENTE, CDSERVFILI) VALUES (?, ?, ?)",
                      {branch, client, service});
}

void Storage::SetBranchParams(const std::string& branch, const std::string& billingType, const std::string& params)
{
    auto db = borrow();
    gsf::sql::Transaction transaction(*db, true);
    db->Execute("DELETE FROM PARAMFATFILI WHERE CDFILIAL = ?", {branch});
    db->Execute("INSERT INTO PARAMFATFILI (CDFILIAL, CDTIPOFATUR, DSPARAMFATFI) VALUES (?, ?, ?)",
                {branch, billingType, params});
    transaction.Commit();
}

// --- queries ---

void Storage::read(const std::vector<PacketField>& fields, const std::string& sql, std::vector<SqlValue> params,
                   std::string& out)
{
    auto db = borrow();
    auto rows = db->Query(sql, std::move(params));
    writePacket(rows, fields, out);
}

void Storage::GetPesqClie(const std::string& registration, const std::string& branch, std::string& out)
{
    static const std::string select =
        "SELECT " + columnList(gsf::records::cliente()) + " FROM CLIENTE WHERE CDFILIAL = ?";
    static const std::string all = select + " ORDER BY CDCLIENTE";
    static const std::string one = select + " AND NRINSJURCLIE = ? ORDER BY CDCLIENTE";
    std::string wanted = registration;
    for (char& c : wanted)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    if (wanted.empty())
        return read(kCliente, all, {branch}, out);
    read(kCliente, one, {branch, wanted}, out);
}

void Storage::GetParamFilial(const std::string& branch, std::string& out)
{
    static const std::string sql =
        "SELECT " + columnList(gsf::records::paramFilial()) + " FROM PARAMFATFILI WHERE CDFILIAL = ?";
    read(kParamFilial, sql, {branch}, out);
}

void Storage::GetGrupServ(const std::string& branch, const std::string& client, std::string& out)
{
    static const std::string sql = "SELECT " + columnList(gsf::records::grupServ()) +
                                   " FROM GRUPSERVFAT WHERE CDFILIAL = ? AND CDCLIENTE = ? ORDER BY CDGRSERVFAT";
    read(kGrupServ, sql, {branch, client}, out);
}

void Storage::GetVerifGrupServ(const std::string& branch, const std::string& client, const std::string& group,
                               std::string& out)
{
    static const std::string sql = "SELECT " + columnList(gsf::records::verifGrupServ()) +
                                   " FROM GRUPSERVFAT WHERE CDFILIAL = ? AND CDCLIENTE = ? AND CDGRSERVFAT = ?";
    read(kVerifGrupServ, sql, {branch, client, group}, out);
}

void Storage::GetServClie(const std::string& branch, const std::string& client, const std::string& group,
                          std::string& out)
{
    static const std::string sql =
        "SELECT " + columnList(gsf::records::servClie(), "G.", "S.") +
        " FROM SERVGRUPFAT G LEFT JOIN SERVFILI S ON S.CDFILIAL = G.CDFILIAL AND S.CDSERVFILI = G.CDSERVFILI "
        "WHERE G.CDFILIAL = ? AND G.CDCLIENTE = ? AND G.CDGRSERVFAT = ? ORDER BY G.CDSERVFILI";
    read(kServClie, sql, {branch, client, group}, out);
}

void Storage::GetCorrPrecGrup(const std::string& branch, const std::string& client, const std::string& group,
                              std::string& out)
{
    // Ascending by end, an open (null) end first, so the last row holds the
    // largest end, the one GetIntervMaior reports.
    static const std::string sql =
        "SELECT " + columnList(gsf::records::corrPrecGrup()) +
        " FROM CORRPRECGRUP WHERE CDFILIAL = ? AND CDCLIENTE = ? AND CDGRSERVFAT = ? "
        "ORDER BY CASE WHEN VRPEFIMGRUP IS NULL THEN 0 ELSE 1 END, VRPEFIMGRUP, VRPEINICGRUP, ID";
    read(kCorrPrecGrup, sql, {branch, client, group}, out);
}

void Storage::GetIntervMaior(const std::string& branch, const std::string& client, const std::string& group,
                             std::string& out)
{
    // MAX over no rows is one null row; HAVING turns it into no row at all.
    read(kIntervMaior,
         "SELECT MAX(VRPEFIMGRUP) AS VRPEFIMGRUP FROM CORRPRECGRUP WHERE CDFILIAL = ? AND CDCLIENTE = ? AND "
         "CDGRSERVFAT = ? HAVING COUNT(*) > 0",
         {branch, client, group}, out);
}

void Storage::GetPesqServ(const std::string& branch, const std::string& client, const std::string& service,
                          std::string& out)
{
    static const std::string select = "SELECT " + columnList(gsf::records::pesqServ(), "S.") +
                                      " FROM SERVCLIE C JOIN SERVFILI S ON S.CDFILIAL = C.CDFILIAL AND "
                                      "S.CDSERVFILI = C.CDSERVFILI WHERE C.CDFILIAL = ? AND C.CDCLIENTE = ?";
    static const std::string all = select + " ORDER BY S.CDSERVFILI";
    static const std::string one = select + " AND C.CDSERVFILI = ?";
    if (service.empty())
        return read(kPesqServ, all, {branch, client}, out);
    read(kPesqServ, one, {branch, client, service}, out);
}

void Storage::GetVerifServ(const std::string& branch, const std::string& service, const std::string& client,
                           const std::string&, std::string& out)
{
    // A service is billed through one group of a client at most, so any group counts.
    static const std::string sql = "SELECT " + columnList(gsf::records::verifServ()) +
                                   " FROM SERVGRUPFAT WHERE CDFILIAL = ? AND CDCLIENTE = ? AND CDSERVFILI = ?";
    read(kVerifServ, sql, {branch, client, service}, out);
}

// The decoded forms: the same packets, read back.

namespace {

template <typename Write>
Packet decoded(const Write& write)
{
    std::string out;
    write(out);
    return gsf::data::decodePacket(out);
}

} // namespace

Packet Storage::GetPesqClie(const std::string& registration, const std::string& branch)
{
    return decoded([&](std::string& out) { GetPesqClie(registration, branch, out); });
}

Packet Storage::GetParamFilial(const std::string& branch)
{
    return decoded([&](std::string& out) { GetParamFilial(branch, out); });
}

Packet Storage::GetGrupServ(const std::string& branch, const std::string& client)
{
    return decoded([&](std::string& out) { GetGrupServ(branch, client, out); });
}

Packet Storage::GetVerifGrupServ(const std::string& branch, const std::string& client, const std::string& group)
{
    return decoded([&](std::string& out) { GetVerifGrupServ(branch, client, group, out); });
}

Packet Storage::GetServClie(const std::string& branch, const std::string& client, const std::string& group)
{
    return decoded([&](std::string& out) { GetServClie(branch, client, group, out); });
}

Packet Storage::GetCorrPrecGrup(const std::string& branch, const std::string& client, const std::string& group)
{
    return decoded([&](std::string& out) { GetCorrPrecGrup(branch, client, group, out); });
}

Packet Storage::GetIntervMaior(const std::string& branch, const std::string& client, const std::string& group)
{
    return decoded([&](std::string& out) { GetIntervMaior(branch, client, group, out); });
}

Packet Storage::GetPesqServ(const std::string& branch, const std::string& client, const std::string& service)
{
    return decoded([&](std::string& out) { GetPesqServ(branch, client, service, out); });
}

Packet Storage::GetVerifServ(const std::string& branch, const std::string& service, const std::string& client,
                             const std::string& group)
{
    return decoded([&](std::string& out) { GetVerifServ(branch, service, client, group, out); });
}

// --- writes ---

namespace {
thread_local WriteHook* currentWriteHook = nullptr;
}

ScopedWriteHook::ScopedWriteHook(WriteHook& hook) : previous_(currentWriteHook)
{
    currentWriteHook = &hook;
}

ScopedWriteHook::~ScopedWriteHook()
{
    currentWriteHook = previous_;
}

void Storage::write(const WriteOf& what, const std::string& duplicateMessage,
                    const std::function<void(gsf::sql::Connection&)>& body)
{
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
        if (hook && !hook->Before(*db))
            return;
        history::Recorder recorder(*db, what.method, what.groups);
        body(*db);
        recorder.Finish();
        if (hook)
            hook->After(*db);
        transaction.Commit();
    } catch (const gsf::sql::SqlError& e) {
        raced(e, duplicateMessage);
    }
}

// A delta in steps: checked against its table's declarations, then applied
// change by change with the table's rules in one write, which records the
// change history.
void Storage::applyDelta(const DeltaTable& table, const Delta& sent)
{
    const Delta delta = checkedDelta(table, sent);
    write({table.method, history::groupsOf(delta)}, table.duplicateMessage, [&](gsf::sql::Connection& db) {
        applyChanges(db, table, delta, [this] {
            if (deltaPause_.load().count() > 0)
                std::this_thread::sleep_for(deltaPause_.load());
        });
    });
}

void Storage::UpdGrupServ(const Delta& delta)
{
    applyDelta(groupDeltas(), delta);
}

void Storage::UpdServClie(const Delta& delta)
{
    applyDelta(serviceDeltas(), delta);
}

void Storage::UpdCorrPrecGrup(const Delta& delta)
{
    applyDelta(correctionDeltas(), delta);
}

// --- procedures ---

namespace {

void requireGroup(gsf::sql::Connection& db, const std::string& branch, const std::string& client,
                  const std::string& group)
{
    if (!groupExists(db, {branch, client, group}))
        unprocessable("Grupo de serviço " + group + " não cadastrado para o cliente " + client + " da filial " +
                      branch + ".");
}

const char* const kServiceTaken = "Serviço já cadastrado em um grupo deste cliente.";

} // namespace

void Storage::ProAtualizaGrupo(const std::string& branch, const std::string& client, const std::string& group,
                               const std::string& service)
{
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
        const auto current =
            db.Execute("SELECT CDGRSERVFAT FROM SERVGRUPFAT WHERE CDFILIAL = ? AND CDCLIENTE = ? AND CDSERVFILI = ?",
                       {branch, client, service});
        if (current.IsEmpty())
            conflict(kChangedMeanwhile);
        if (const auto& holder = std::get<std::string>(current.rows[0][0]); holder != group)
            duplicate("Serviço " + service + " já cadastrado no grupo " + holder + " deste cliente.");
    });
}

void Storage::ProAtualizaServ(const std::string& branch, const std::string& client, const std::string& group,
                              const std::string& service)
{
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

void Storage::ProLimpaServ(const std::string& branch, const std::string& client, const std::string& group)
{
    write({"ProLimpaServ", {{branch, client, group}}}, kServiceTaken, [&](gsf::sql::Connection& db) {
        requireGroup(db, branch, client, group);
        const std::vector<SqlValue> keys = {branch, client, group};
        db.Execute(
            "UPDATE GRUPSERVFAT SET CDSERAJEFEGSF = NULL WHERE CDFILIAL = ? AND CDCLIENTE = ? AND CDGRSERVFAT = ?",
            keys);
        db.Execute("UPDATE SERVGRUPFAT SET IDCORREFET = NULL WHERE CDFILIAL = ? AND CDCLIENTE = ? AND CDGRSERVFAT = ?",
                   keys);
    });
}

void Storage::ProDeletaServ(const std::string& branch, const std::string& client, const std::string& group,
                            const std::string& service)
{
    write({"ProDeletaServ", {{branch, client, group}}}, kServiceTaken, [&](gsf::sql::Connection& db) {
        requireGroup(db, branch, client, group);
        const std::vector<SqlValue> keys = {branch, client, group, service};
        db.Execute(
            "DELETE FROM SERVGRUPFAT WHERE CDFILIAL = ? AND CDCLIENTE = ? AND CDGRSERVFAT = ? AND CDSERVFILI = ?",
            keys);
        db.Execute("UPDATE GRUPSERVFAT SET CDSERAJEFEGSF = NULL WHERE CDFILIAL = ? AND CDCLIENTE = ? AND "
                   "CDGRSERVFAT = ? AND CDSERAJEFEGSF = ?",
                   keys);
    });
}

void Storage::ProDelServ(const std::string& branch, const std::string& client, const std::string& group)
{
    write({"ProDelServ", {{branch, client, group}}}, kServiceTaken, [&](gsf::sql::Connection& db) {
        requireGroup(db, branch, client, group);
        const std::vector<SqlValue> keys = {branch, client, group};
        db.Execute("DELETE FROM SERVGRUPFAT WHERE CDFILIAL = ? AND CDCLIENTE = ? AND CDGRSERVFAT = ?", keys);
        db.Execute(
            "UPDATE GRUPSERVFAT SET CDSERAJEFEGSF = NULL WHERE CDFILIAL = ? AND CDCLIENTE = ? AND CDGRSERVFAT = ?",
            keys);
    });
}

} // namespace gsf::server
