#include "bench/common/bench_data.h"

#include "server/registration.h"
#include "server/storage.h"

#include <fstream>
#include <stdexcept>

namespace gsf::bench {

std::string groupCode(int n)
{
    static constexpr char kChars[] = "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";
    constexpr int base = sizeof kChars - 1;
    if (n < 0 || n >= base * base * base)
        throw std::out_of_range("group code out of range");
    return {kChars[n / (base * base)], kChars[n / base % base], kChars[n % base]};
}

std::string cpf(int seed)
{
    char base[16];
    std::snprintf(base, sizeof base, "%09d", 100'000'000 + seed % 800'000'000);
    for (int check = 0; check < 100; ++check) {
        char digits[4];
        std::snprintf(digits, sizeof digits, "%02d", check);
        const std::string number = std::string(base) + digits;
        if (gsf::server::validCpf(number))
            return number;
    }
    throw std::logic_error("no check digits for a CPF");
}

void addClientWithGroups(gsf::server::Storage& storage, const std::string& client, int seed, int groups)
{
    using gsf::data::ChangeKind;
    using gsf::data::FieldType;
    storage.AddClient("0001", client, cpf(seed), "F", "Cliente de carga " + client, "Carga " + client);
    gsf::data::Delta delta;
    delta.fields = {{"CDFILIAL", FieldType::String, 4},     {"CDCLIENTE", FieldType::String, 21},
                    {"CDGRSERVFAT", FieldType::String, 3},  {"DSGRSERVFAT", FieldType::String, 30},
                    {"QTEFETMINIGSF", FieldType::Float, 0}, {"QTEFMINDOMGSF", FieldType::Float, 0},
                    {"QTEFMINSEGGSF", FieldType::Float, 0}, {"QTEFMINTERGSF", FieldType::Float, 0},
                    {"QTEFMINQUAGSF", FieldType::Float, 0}, {"QTEFMINQUIGSF", FieldType::Float, 0},
                    {"QTEFMINSEXGSF", FieldType::Float, 0}, {"QTEFMINSABGSF", FieldType::Float, 0},
                    {"QTEFMINFERGSF", FieldType::Float, 0}};
    for (int g = 0; g < groups; ++g) {
        std::vector<gsf::data::Value> row = {"0001", client, groupCode(g), "Grupo de serviço nº " + std::to_string(g),
                                             (g % 40) + (g * 37 % 1000) / 1000.0};
        for (int d = 0; d < 8; ++d) {
            if ((g + d) % 11 == 0)
                row.emplace_back();
            else
                row.emplace_back((g + d) % 9 + d * 0.125);
        }
        delta.changes.push_back({ChangeKind::Insert, {}, std::move(row)});
        if (delta.changes.size() == 1000 || g + 1 == groups) {
            storage.UpdGrupServ(delta);
            delta.changes.clear();
        }
    }
}

std::string loadAverage()
{
    std::ifstream in("/proc/loadavg");
    std::string one;
    in >> one;
    return one.empty() ? "?" : one;
}

} // namespace gsf::bench
