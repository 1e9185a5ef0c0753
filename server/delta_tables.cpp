#include "server/delta_tables.h"

#include "server/arguments.h"
#include "server/storage.h"
#include "server/write_support.h"

#include "records/correction_table.h"

#include <algorithm>
#include <unordered_map>

namespace gsf::server {

using gsf::data::ChangeKind;
using gsf::data::Delta;
using gsf::data::Value;
using gsf::records::Interval;

namespace {

std::string groupWords(const GroupKey& key)
{
    return "grupo " + key.group + " não cadastrado para o cliente " + key.client + " da filial " + key.branch + ".";
}

// The group of an inserted row, checked so that a missing one is named; a
// foreign key that fails later means another writer removed it meanwhile.
void requireGroupOf(gsf::sql::Connection& db, const DeltaRow& row)
{
    const GroupKey key = groupOf(row.delta, row.Row());
    if (!groupExists(db, key))
        unprocessable(row.name + ": " + groupWords(key));
}

// --- groups ---

class GroupRules : public TableRules {
public:
    void Before(gsf::sql::Connection& db, const DeltaRow& row) override
    {
        if (row.Kind() == ChangeKind::Insert)
            requireClient(db, row);
        if (row.Kind() != ChangeKind::Delete)
            checkCorrectionService(db, row);
    }

private:
    static void requireClient(gsf::sql::Connection& db, const DeltaRow& row)
    {
        const GroupKey key = groupOf(row.delta, row.Row());
        if (!exists(db, "SELECT 1 FROM CLIENTE WHERE CDFILIAL = ? AND CDCLIENTE = ?", {key.branch, key.client}))
            unprocessable(row.name + ": cliente " + key.client + " não cadastrado na filial " + key.branch + ".");
    }

    // A group may name as its correction service only one of its own services.
    static void checkCorrectionService(gsf::sql::Connection& db, const DeltaRow& row)
    {
        const Value& service = valueOf(row.delta, row.change.newValues, "CDSERAJEFEGSF");
        if (gsf::data::isNull(service))
            return;
        if (row.Kind() == ChangeKind::Update &&
            gsf::data::sameValue(service, valueOf(row.delta, row.change.oldValues, "CDSERAJEFEGSF")))
            return;
        const GroupKey key = groupOf(row.delta, row.change.newValues);
        const std::string code = std::get<std::string>(service);
        if (!exists(db,
                    "SELECT 1 FROM SERVGRUPFAT WHERE CDFILIAL = ? AND CDCLIENTE = ? AND CDGRSERVFAT = ? AND "
                    "CDSERVFILI = ?",
                    {key.branch, key.client, key.group, code}))
            unprocessable(row.name + ": o campo CDSERAJEFEGSF (serviço de correção de efetivos) indica o serviço " +
                          code + ", que não pertence ao grupo " + key.group + ".");
    }
};

// --- services of a group ---

class ServiceRules : public TableRules {
public:
    void Before(gsf::sql::Connection& db, const DeltaRow& row) override
    {
        if (row.Kind() != ChangeKind::Insert)
            return;
        requireGroupOf(db, row);
        const GroupKey key = groupOf(row.delta, row.Row());
        const std::string service = textOf(row.delta, row.Row(), "CDSERVFILI");
        if (!exists(db, "SELECT 1 FROM SERVCLIE WHERE CDFILIAL = ? AND CDCLIENTE = ? AND CDSERVFILI = ?",
                    {key.branch, key.client, service}))
            unprocessable(row.name + ": serviço " + service + " não disponível para o cliente " + key.client + ".");
    }

    void After(gsf::sql::Connection& db, const DeltaRow& row) override
    {
        if (row.Kind() != ChangeKind::Delete)
            return;
        // A group must not keep naming a correction service it no longer has.
        const GroupKey key = groupOf(row.delta, row.Row());
        db.Execute("UPDATE GRUPSERVFAT SET CDSERAJEFEGSF = NULL WHERE CDFILIAL = ? AND CDCLIENTE = ? AND "
                   "CDGRSERVFAT = ? AND CDSERAJEFEGSF = ?",
                   {key.branch, key.client, key.group, textOf(row.delta, row.Row(), "CDSERVFILI")});
    }
};

// --- correction tables ---

Interval intervalOf(const Delta& delta, const std::vector<Value>& row, std::int64_t id)
{
    return {numberOf(valueOf(delta, row, "VRPEINICGRUP")), numberOf(valueOf(delta, row, "VRPEFIMGRUP")),
            numberOf(valueOf(delta, row, "VRPECORRGRUP")), id};
}

std::vector<Interval> readTable(gsf::sql::Connection& db, const GroupKey& key)
{
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

// Gathers what a delta does to correction tables, and judges their shape once
// every change is in place: each inserted or altered interval must meet its
// neighbours as the table now stands, and the neighbours of a removed one (or
// of an altered one, where it was) must meet each other. Joins the delta did
// not touch are left as they are, so an older damaged table can still be
// repaired piece by piece.
class CorrectionRules : public TableRules {
public:
    void Before(gsf::sql::Connection& db, const DeltaRow& row) override
    {
        if (row.Kind() == ChangeKind::Insert)
            requireGroupOf(db, row);
        const GroupKey key = groupOf(row.delta, row.Row());
        if (std::find(groups_.begin(), groups_.end(), key) == groups_.end())
            groups_.push_back(key);
    }

    void After(gsf::sql::Connection&, const DeltaRow& row) override
    {
        const GroupKey key = groupOf(row.delta, row.Row());
        if (row.Kind() != ChangeKind::Insert)
            removed_.push_back({key, intervalOf(row.delta, row.change.oldValues, row.rowId), row.name,
                                row.Kind() == ChangeKind::Delete ? "; só o último intervalo pode ser excluído."
                                                                 : " onde o intervalo estava."});
        if (row.Kind() != ChangeKind::Delete)
            touched_.push_back({key, row.rowId, row.name});
    }

    void Finish(gsf::sql::Connection& db) override
    {
        for (const GroupKey& key : groups_)
            checkShape(readTable(db, key), key);
    }

private:
    struct Touched {
        GroupKey group;
        std::int64_t id; ///< inserted or updated row
        std::string name;
    };
    struct Removed {
        GroupKey group;
        Interval interval; ///< as it was before the delta
        std::string name;
        const char* hint; ///< what the person may do instead
    };

    [[noreturn]] static void refuse(const std::string& name, const std::string& problem, const char* where)
    {
        unprocessable(name + ": a tabela de correção ficaria com " + problem + where);
    }

    void checkShape(const std::vector<Interval>& table, const GroupKey& key) const
    {
        std::unordered_map<std::int64_t, size_t> positions;
        for (size_t i = 0; i < table.size(); ++i)
            positions.emplace(table[i].id, i);
        for (const auto& t : touched_) {
            if (!(t.group == key))
                continue;
            const auto at = positions.find(t.id);
            if (at == positions.end())
                continue; // removed again later in the same delta
            const size_t pos = at->second;
            if (const auto problem = gsf::records::joinProblem(table, pos); !problem.empty())
                refuse(t.name, problem, pos == 0 ? " no início da tabela." : " junto ao intervalo anterior.");
            if (const auto problem = gsf::records::joinProblem(table, pos + 1); !problem.empty())
                refuse(t.name, problem, " junto ao intervalo seguinte.");
        }
        for (const auto& r : removed_) {
            if (!(r.group == key))
                continue;
            const auto at = std::lower_bound(table.begin(), table.end(), r.interval, gsf::records::intervalBefore);
            if (const auto problem = gsf::records::joinProblem(table, static_cast<size_t>(at - table.begin()));
                !problem.empty())
                refuse(r.name, problem, r.hint);
        }
    }

    std::vector<GroupKey> groups_;
    std::vector<Touched> touched_;
    std::vector<Removed> removed_;
};

template <typename Rules>
std::unique_ptr<TableRules> make()
{
    return std::make_unique<Rules>();
}

} // namespace

const DeltaTable& groupDeltas()
{
    static const DeltaTable table{gsf::records::grupServ(), "UpdGrupServ",
                                  "Grupo de serviço para faturamento já cadastrado.", nullptr, &make<GroupRules>};
    return table;
}

const DeltaTable& serviceDeltas()
{
    static const DeltaTable table{gsf::records::servClie(), "UpdServClie",
                                  "Serviço já cadastrado em um grupo deste cliente.", nullptr, &make<ServiceRules>};
    return table;
}

const DeltaTable& correctionDeltas()
{
    static const DeltaTable table{gsf::records::corrPrecGrup(), "UpdCorrPrecGrup", "Intervalo já cadastrado.", "ID",
                                  &make<CorrectionRules>};
    return table;
}

// --- existing data ---

std::vector<DamagedTable> findDamagedCorrectionTables(gsf::sql::Connection& connection)
{
    const auto result = connection.Execute("SELECT CDFILIAL, CDCLIENTE, CDGRSERVFAT, ID, VRPEINICGRUP, VRPEFIMGRUP, "
                                           "VRPECORRGRUP FROM CORRPRECGRUP ORDER BY CDFILIAL, CDCLIENTE, CDGRSERVFAT");
    std::vector<DamagedTable> damaged;
    const auto text = [](const gsf::sql::SqlValue& v) {
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
        if (!group.problems.empty())
            damaged.push_back(std::move(group));
    }
    return damaged;
}

} // namespace gsf::server
