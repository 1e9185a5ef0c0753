#pragma once

#include "platform/data/packet.h"
#include "platform/sql/database.h"
#include "server/history.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace gsf::server {

struct DeltaTable;

/// What a request adds to every write transaction it runs, inside that
/// transaction: on PostgreSQL after the writers' lock is taken, so what it
/// reads there no other writer can change before the commit.
class WriteHook {
public:
    virtual ~WriteHook() = default;
    /// Before the change. @return false to leave the change out and commit
    /// nothing. May throw a ServiceError to refuse the call.
    virtual bool Before(gsf::sql::Connection& db) = 0;
    /// After the change, before the commit; what it writes commits with it.
    virtual void After(gsf::sql::Connection& db) = 0;
};

/// Installs @p hook for the writes that run on this thread while it lives.
class ScopedWriteHook {
public:
    explicit ScopedWriteHook(WriteHook& hook);
    ~ScopedWriteHook();
    ScopedWriteHook(const ScopedWriteHook&) = delete;
    ScopedWriteHook& operator=(const ScopedWriteHook&) = delete;

private:
    WriteHook* previous_;
};

/// The data of the billing service groups, on SQLite or PostgreSQL.
///
/// Thread-safe: each call borrows a connection from a small pool. Arguments
/// are expected already checked for length and characters (see arguments.h);
/// deltas are checked here against the declarations of their table
/// (records/), row by row, and against the rows they touch.
/// Every method may throw ServiceError (a refusal to show the person) or
/// gsf::sql::SqlError (a database failure). A constraint the database raises
/// because another writer got there first is a ServiceError 409.
class Storage {
public:
    /// Opens @p target (SQLite path or PostgreSQL connection string) and
    /// brings the schema to the latest version; with @p seedDemo, seeds the
    /// demo data into a database that has no branch yet. Both run under the
    /// database's StartupLock, so storages may be opened at once by any
    /// number of processes.
    /// @throws gsf::sql::SqlError when the database cannot be opened or migrated.
    explicit Storage(std::string target, bool seedDemo = false);
    ~Storage();
    Storage(const Storage&) = delete;
    Storage& operator=(const Storage&) = delete;

    gsf::sql::Engine GetEngine() const { return engine_; }
    /// Schema version after the migrations.
    int SchemaVersion();

    /// The database's change version: it goes up with every committed write to
    /// its data, by any connection or process (triggers keep it), and never
    /// goes back. Read by one small query begun after the call; on PostgreSQL,
    /// callers that wait at the same time share one such query.
    std::int64_t ChangeVersion();

    /// Seeds the documented demo data when the database has no branch yet.
    /// @return true when it seeded.
    bool SeedDemo();

    // --- reference data (branches, clients, services), for seeding and tests ---
    void AddBranch(const std::string& branch, const std::string& name);
    /// @throws ServiceError (422) for a registration number whose check digits are wrong.
    void AddClient(const std::string& branch, const std::string& client, const std::string& registration,
                   const std::string& personType, const std::string& legalName, const std::string& tradeName);
    void AddService(const std::string& branch, const std::string& service, const std::string& name);
    /// Allows @p client to be billed for @p service.
    void AllowService(const std::string& branch, const std::string& client, const std::string& service);
    void SetBranchParams(const std::string& branch, const std::string& billingType, const std::string& params);

    // --- the remote methods ---
    // Each Get method writes its packet into @p out, straight from the rows
    // of its query as they are read; @p out is cleared first and its
    // capacity reused. The forms without @p out return the same packet
    // decoded, for seeding and checks.
    void GetPesqClie(const std::string& registration, const std::string& branch, std::string& out);
    void GetParamFilial(const std::string& branch, std::string& out);
    void GetGrupServ(const std::string& branch, const std::string& client, std::string& out);
    void GetVerifGrupServ(const std::string& branch, const std::string& client, const std::string& group,
                          std::string& out);
    void GetServClie(const std::string& branch, const std::string& client, const std::string& group, std::string& out);
    void GetCorrPrecGrup(const std::string& branch, const std::string& client, const std::string& group,
                         std::string& out);
    void GetIntervMaior(const std::string& branch, const std::string& client, const std::string& group,
                        std::string& out);
    void GetPesqServ(const std::string& branch, const std::string& client, const std::string& service,
                     std::string& out);
    void GetVerifServ(const std::string& branch, const std::string& service, const std::string& client,
                      const std::string& group, std::string& out);
    gsf::data::Packet GetPesqClie(const std::string& registration, const std::string& branch);
    gsf::data::Packet GetParamFilial(const std::string& branch);
    gsf::data::Packet GetGrupServ(const std::string& branch, const std::string& client);
    gsf::data::Packet GetVerifGrupServ(const std::string& branch, const std::string& client, const std::string& group);
    gsf::data::Packet GetServClie(const std::string& branch, const std::string& client, const std::string& group);
    gsf::data::Packet GetCorrPrecGrup(const std::string& branch, const std::string& client, const std::string& group);
    gsf::data::Packet GetIntervMaior(const std::string& branch, const std::string& client, const std::string& group);
    gsf::data::Packet GetPesqServ(const std::string& branch, const std::string& client, const std::string& service);
    gsf::data::Packet GetVerifServ(const std::string& branch, const std::string& service, const std::string& client,
                                   const std::string& group);
    /// Apply a delta in one transaction; nothing is applied when any change fails.
    /// Every row must pass the single-row rules of its table; every update and
    /// deletion carries the original value of every column: the stored row is
    /// found by its key and every other column compared null-safely. New numbers are stored rounded as they are shown.
    /// @throws ServiceError 400 for a malformed delta, 409 "conflict" for a row
    /// changed or removed meanwhile, 409 "duplicate" for a duplicate key, 422
    /// for a row that breaks a rule (a required field, a range, a changed key,
    /// a correction service the group does not have, a correction table left
    /// with a gap or an overlap) or names a missing group, client or service.
    void UpdGrupServ(const gsf::data::Delta& delta);
    void UpdServClie(const gsf::data::Delta& delta);
    void UpdCorrPrecGrup(const gsf::data::Delta& delta);
    /// The procedures refuse (422) a group that does not exist for the branch and client.
    void ProAtualizaGrupo(const std::string& branch, const std::string& client, const std::string& group,
                          const std::string& service);
    void ProAtualizaServ(const std::string& branch, const std::string& client, const std::string& group,
                         const std::string& service);
    void ProLimpaServ(const std::string& branch, const std::string& client, const std::string& group);
    void ProDeletaServ(const std::string& branch, const std::string& client, const std::string& group,
                       const std::string& service);
    void ProDelServ(const std::string& branch, const std::string& client, const std::string& group);

    /// Database connections opened since the storage was created (the pool
    /// reuses them; a connection is dropped only when it is broken).
    std::size_t ConnectionsOpened() const { return opened_.load(); }
    /// At most @p limit connections in use at once (0, the default: no limit);
    /// a call past it waits for one to come back.
    void SetConnectionLimit(std::size_t limit);

    /// Pause between the changes of a delta; lets a test stop the process in
    /// the middle of one. Zero (the default) in normal use.
    void SetDeltaPause(std::chrono::microseconds pause) { deltaPause_ = pause; }

    struct Lease;

private:
    struct VersionReads;
    std::int64_t readVersion();
    Lease borrow();
    std::unique_ptr<gsf::sql::Connection> open();
    void giveBack(std::unique_ptr<gsf::sql::Connection> connection);
    /// What a write is, for the change history: the remote method and the
    /// groups whose rows it may touch.
    struct WriteOf {
        const char* method;
        std::vector<history::GroupRef> groups;
    };
    /// Runs @p body in one write transaction on a pooled connection, with
    /// what it changed in the groups of @p what recorded in the change history
    /// in the same transaction; a constraint raised because another writer
    /// got there first becomes a ServiceError 409 (@p duplicateMessage for a
    /// key already taken).
    void write(const WriteOf& what, const std::string& duplicateMessage,
               const std::function<void(gsf::sql::Connection&)>& body);
    void applyDelta(const DeltaTable& table, const gsf::data::Delta& sent);
    /// Runs @p sql and writes its rows as a packet of @p fields into @p out.
    void read(const std::vector<gsf::data::PacketField>& fields, const std::string& sql,
              std::vector<gsf::sql::SqlValue> params, std::string& out);

    std::string target_;
    gsf::sql::Engine engine_;
    std::mutex mutex_;
    std::vector<std::unique_ptr<gsf::sql::Connection>> idle_;
    std::condition_variable returned_;
    std::size_t lent_ = 0; ///< connections in use
    std::size_t limit_ = 0;
    std::atomic<std::size_t> opened_{0};
    std::atomic<std::chrono::microseconds> deltaPause_{std::chrono::microseconds(0)};
    std::unique_ptr<VersionReads> versions_;
};

/// A group whose correction table has a gap, an overlap or values out of bounds.
struct DamagedTable {
    std::string branch, client, group;
    std::vector<std::string> problems; ///< Portuguese, one per problem
};

/// Reads every correction table of the database on @p connection (nothing is
/// written) and lists the damaged ones, ordered by branch, client and group.
/// @throws gsf::sql::SqlError when the tables cannot be read.
std::vector<DamagedTable> findDamagedCorrectionTables(gsf::sql::Connection& connection);

/// A pooled connection, returned to the pool when destroyed (its open
/// transaction rolled back); dropped instead when the connection itself is
/// broken. A refusal or a failed statement leaves it usable.
struct Storage::Lease {
    Lease(Storage& owner, std::unique_ptr<gsf::sql::Connection> connection);
    ~Lease();
    Lease(Lease&&) = default;
    Lease(const Lease&) = delete;
    Lease& operator=(const Lease&) = delete;
    gsf::sql::Connection* operator->() const { return connection.get(); }
    gsf::sql::Connection& operator*() const { return *connection; }

    Storage* owner;
    std::unique_ptr<gsf::sql::Connection> connection;
};

} // namespace gsf::server
