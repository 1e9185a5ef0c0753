#include "tests/support/server_reader.h"
#include "records/remote_module.h"

#include "platform/data/number_format.h"
#include "platform/remote/connection.h"

#include <stdexcept>

namespace gsf::test {

namespace {

std::string text(const data::Value& value)
{
    if (const auto* number = std::get_if<double>(&value))
        return data::plainNumber(*number);
    if (const auto* string = std::get_if<std::string>(&value))
        return "\"" + *string + "\"";
    return "null";
}

std::string rowText(const data::Packet& packet, std::size_t row)
{
    std::string line;
    for (std::size_t c = 0; c < packet.fields.size(); ++c)
        line += (c == 0 ? "" : " ") + packet.fields[c].name + "=" + text(packet.rows[row][c]);
    return line;
}

std::string field(const data::Packet& packet, std::size_t row, const char* name)
{
    const int column = packet.indexOf(name);
    if (column < 0)
        throw std::runtime_error(std::string("pacote sem o campo ") + name);
    const auto* value = std::get_if<std::string>(&packet.rows[row][static_cast<std::size_t>(column)]);
    return value != nullptr ? *value : std::string();
}

std::optional<double> number(const data::Packet& packet, std::size_t row, const char* name)
{
    const int column = packet.indexOf(name);
    if (column < 0)
        throw std::runtime_error(std::string("pacote sem o campo ") + name);
    const auto* value = std::get_if<double>(&packet.rows[row][static_cast<std::size_t>(column)]);
    return value != nullptr ? std::optional<double>(*value) : std::nullopt;
}

bool leftOut(const std::string& key, const std::vector<std::string>& changed)
{
    for (const std::string& prefix : changed)
        if (key.compare(0, prefix.size(), prefix) == 0)
            return true;
    return false;
}

std::string joined(const std::vector<std::string>* lines)
{
    if (lines == nullptr)
        return "<ausente>";
    std::string out;
    for (const std::string& line : *lines)
        out += (out.empty() ? "" : "; ") + line;
    return out;
}

} // namespace

ServerReader::ServerReader(const std::string& host, int port)
    : connection_(std::make_unique<remote::RemoteConnection>("netLeitura"))
{
    connection_->ServerName = records::kModuleName;
    connection_->Host = host;
    connection_->Port = port;
    connection_->Open();
}

ServerReader::~ServerReader() = default;

data::Packet ServerReader::Call(const std::string& method, const std::vector<std::string>& args)
{
    const remote::CallResult result = connection_->Call(method, args);
    if (!result.ok)
        throw std::runtime_error(method + ": " + result.message);
    return data::decodePacket(result.body);
}

std::map<std::string, std::vector<std::string>> ServerReader::Snapshot(const std::vector<std::string>& branches)
{
    std::map<std::string, std::vector<std::string>> out;
    for (const std::string& branch : branches) {
        const data::Packet clients = Call("GetPesqClie", {"", branch});
        for (std::size_t c = 0; c < clients.rows.size(); ++c) {
            const std::string client = field(clients, c, "CDCLIENTE");
            const data::Packet groups = Call("GetGrupServ", {branch, client});
            if (groups.rows.empty())
                out[branch + "/" + client];
            for (std::size_t g = 0; g < groups.rows.size(); ++g) {
                const std::string group = field(groups, g, "CDGRSERVFAT");
                std::vector<std::string>& lines = out[branch + "/" + client + "/" + group];
                lines.push_back("grupo " + rowText(groups, g));
                const data::Packet services = Call("GetServClie", {branch, client, group});
                for (std::size_t s = 0; s < services.rows.size(); ++s)
                    lines.push_back("serviço " + rowText(services, s));
                const data::Packet intervals = Call("GetCorrPrecGrup", {branch, client, group});
                for (std::size_t i = 0; i < intervals.rows.size(); ++i)
                    lines.push_back("intervalo " + rowText(intervals, i));
            }
        }
    }
    return out;
}

std::vector<ServerReader::Interval> ServerReader::Intervals(const std::string& branch, const std::string& client,
                                                            const std::string& group)
{
    const data::Packet table = Call("GetCorrPrecGrup", {branch, client, group});
    std::vector<Interval> out;
    for (std::size_t r = 0; r < table.rows.size(); ++r)
        out.push_back(
            {number(table, r, "VRPEINICGRUP"), number(table, r, "VRPEFIMGRUP"), number(table, r, "VRPECORRGRUP")});
    return out;
}

std::vector<std::string> differences(const std::map<std::string, std::vector<std::string>>& before,
                                     const std::map<std::string, std::vector<std::string>>& after,
                                     const std::vector<std::string>& changed)
{
    std::vector<std::string> out;
    std::map<std::string, bool> keys;
    for (const auto& [key, lines] : before)
        keys[key] = true;
    for (const auto& [key, lines] : after)
        keys[key] = true;
    for (const auto& [key, unused] : keys) {
        if (leftOut(key, changed))
            continue;
        const auto was = before.find(key);
        const auto is = after.find(key);
        const std::vector<std::string>* wasLines = was == before.end() ? nullptr : &was->second;
        const std::vector<std::string>* isLines = is == after.end() ? nullptr : &is->second;
        if (wasLines == nullptr || isLines == nullptr || *wasLines != *isLines)
            out.push_back(key + ": " + joined(wasLines) + " | " + joined(isLines));
    }
    return out;
}

} // namespace gsf::test
