#include "server/storage.h"

#include "records/demo_setup.h"
#include "records/records.h"

#include <array>

namespace gsf::server {

namespace {

using gsf::data::Change;
using gsf::data::ChangeKind;
using gsf::data::Delta;
using gsf::data::Value;

Delta groupInsert(const std::string& branch, const std::string& client, const std::string& group,
                  const std::string& description, double daily, const std::vector<double>& days)
{
    using gsf::rec::GrupServ;
    const gsf::records::Table& t = gsf::records::grupServ();
    Delta delta;
    delta.fields = {t.packetField(GrupServ::CDFILIAL), t.packetField(GrupServ::CDCLIENTE),
                    t.packetField(GrupServ::CDGRSERVFAT), t.packetField(GrupServ::DSGRSERVFAT),
                    t.packetField(GrupServ::QTEFETMINIGSF)};
    std::vector<Value> values = {branch, client, group, description, daily};
    for (size_t d = 0; d < 8; ++d) {
        delta.fields.push_back(t.packetField(gsf::records::kDayMinimums[d]));
        values.emplace_back(d < days.size() ? days[d] : daily);
    }
    delta.changes.push_back(Change{ChangeKind::Insert, {}, std::move(values)});
    return delta;
}

Delta intervals(const std::string& branch, const std::string& client, const std::string& group,
                const std::vector<std::array<double, 3>>& table)
{
    Delta delta;
    // Every field, in the table's order.
    delta.fields = gsf::records::corrPrecGrup().packetFields();
    for (const auto& [start, end, correction] : table)
        delta.changes.push_back(Change{ChangeKind::Insert, {}, {branch, client, start, end, correction, group}});
    return delta;
}

} // namespace

bool Storage::SeedDemo()
{
    if (!borrow()->Execute("SELECT 1 FROM FILIAL").IsEmpty())
        return false;
    const history::Unrecorded startingPoint;

    AddBranch("0001", "Filial Centro");
    AddBranch("0002", "Filial Norte");
    AddBranch("0003", "Filial Sul");
    SetBranchParams("0001", records::kDemoBillingType, "EXCDIA=1;TABCORR=2");
    SetBranchParams("0002", "", "");
    SetBranchParams("0003", records::kDemoBillingType, "EXCDIA=01;TABCORR=2 ");

    AddService("0001", "00010", "Vigilância diurna");
    AddService("0001", "00020", "Vigilância noturna");
    AddService("0001", "00030", "Portaria");
    AddService("0001", "00040", "Limpeza");
    AddService("0001", "00050", "Recepção");
    AddService("0002", "00010", "Vigilância diurna");
    AddService("0002", "00020", "Limpeza");
    AddService("0002", "00030", "Jardinagem");
    AddService("0003", "00010", "Vigilância");
    AddService("0003", "00020", "Limpeza");

    AddClient("0001", "000001", "52998224725", "F", "Maria da Silva", "Maria Silva");
    AddClient("0001", "000002", "11222333000181", "J", "Comércio Exemplo Ltda", "Exemplo");
    AddClient("0001", "000003", "12ABC34501DE35", "J", "Alfa Numérica Serviços S.A.", "Alfa");
    AddClient("0001", "000004", "12345678909", "F", "João Pereira", "João");
    AddClient("0002", "000001", "45678912000155", "J", "Indústria Norte Ltda", "Norte");
    AddClient("0002", "000002", "98765432100", "F", "Ana Souza", "Ana");
    AddClient("0003", "000001", "A1B2C3D4000193", "J", "Distribuidora Sul Ltda", "Sul");

    const std::vector<std::array<std::string, 3>> allowed = {
        {"0001", "000001", "00040"}, {"0001", "000001", "00050"}, {"0001", "000002", "00010"},
        {"0001", "000002", "00020"}, {"0001", "000002", "00030"}, {"0001", "000002", "00040"},
        {"0001", "000002", "00050"}, {"0001", "000003", "00010"}, {"0001", "000003", "00050"},
        {"0001", "000004", "00030"}, {"0001", "000004", "00040"}, {"0002", "000001", "00010"},
        {"0002", "000001", "00020"}, {"0002", "000001", "00030"}, {"0002", "000002", "00020"},
        {"0003", "000001", "00010"}, {"0003", "000001", "00020"}};
    for (const auto& [branch, client, service] : allowed)
        AllowService(branch, client, service);

    UpdGrupServ(groupInsert("0001", "000002", "001", "Vigilância", 2, {1, 2, 2, 2, 2, 3, 1, 1}));
    ProAtualizaGrupo("0001", "000002", "001", "00010");
    ProAtualizaGrupo("0001", "000002", "001", "00020");
    ProAtualizaServ("0001", "000002", "001", "00010");
    UpdCorrPrecGrup(intervals("0001", "000002", "001", {{0, 10, 5}, {10, 25, 8}, {25, 50, 12}}));

    UpdGrupServ(groupInsert("0001", "000002", "002", "Limpeza e portaria", 1.5, {}));
    ProAtualizaGrupo("0001", "000002", "002", "00030");
    ProAtualizaGrupo("0001", "000002", "002", "00040");
    ProAtualizaServ("0001", "000002", "002", "00030");
    UpdCorrPrecGrup(intervals("0001", "000002", "002", {{0, 15, 3}, {15, 30, 6}}));

    UpdGrupServ(groupInsert("0001", "000002", "003", "Recepção", 1, {0, 1, 1, 1, 1, 1, 0, 0}));

    UpdGrupServ(groupInsert("0001", "000003", "A1", "Vigilância armada", 4, {2, 4, 4, 4, 4, 4, 3, 2}));
    ProAtualizaGrupo("0001", "000003", "A1", "00050");
    ProAtualizaServ("0001", "000003", "A1", "00050");

    UpdGrupServ(groupInsert("0001", "000001", "001", "Doméstico", 1, {}));

    UpdGrupServ(groupInsert("0002", "000001", "001", "Vigilância", 3, {2, 3, 3, 3, 3, 3, 2, 2}));
    ProAtualizaGrupo("0002", "000001", "001", "00010");
    ProAtualizaServ("0002", "000001", "001", "00010");
    UpdCorrPrecGrup(intervals("0002", "000001", "001", {{0, 20, 4}, {20, 40, 9}}));
    UpdGrupServ(groupInsert("0002", "000001", "002", "Jardinagem", 1, {}));
    ProAtualizaGrupo("0002", "000001", "002", "00030");
    ProAtualizaServ("0002", "000001", "002", "00030");

    UpdGrupServ(groupInsert("0003", "000001", "001", "Limpeza", 2, {}));
    ProAtualizaGrupo("0003", "000001", "001", "00020");
    ProAtualizaServ("0003", "000001", "001", "00020");
    UpdCorrPrecGrup(intervals("0003", "000001", "001", {{0, 10, 5}, {10, 25, 8}, {25, 50, 12}}));
    return true;
}

} // namespace gsf::server
