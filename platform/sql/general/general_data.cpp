#include "platform/sql/general/general_data.h"

#include <cctype>
#include <cmath>
#include <cstdio>
#include <stdexcept>

namespace gsf::sql {

TdtmDBGeral dtmDBGeral;

void TdtmDBGeral::Open(const std::string& target)
{
    Close();
    connection_ = openDatabase(target);
    target_ = target;
}

void TdtmDBGeral::Close()
{
    connection_.reset();
    target_.clear();
}

Connection& TdtmDBGeral::Connection() const
{
    if (!connection_)
        throw SqlError(ErrorKind::Connection, "O banco de dados geral não está conectado.");
    return *connection_;
}

namespace {

std::string upper(std::string_view text)
{
    std::string out(text);
    for (char& c : out)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return out;
}

gsf::data::Value toFieldValue(const SqlValue& v, gsf::data::FieldType type)
{
    using gsf::data::FieldType;
    if (std::holds_alternative<std::monostate>(v))
        return std::monostate{};
    if (type == FieldType::Float) {
        if (const auto* i = std::get_if<std::int64_t>(&v))
            return static_cast<double>(*i);
        if (const auto* d = std::get_if<double>(&v))
            return *d;
        const auto& s = std::get<std::string>(v);
        char* end = nullptr;
        const double d = std::strtod(s.c_str(), &end);
        if (s.empty() || *end != '\0')
            throw gsf::data::PacketError("Valor não numérico: " + s);
        return d;
    }
    if (const auto* i = std::get_if<std::int64_t>(&v))
        return std::to_string(*i);
    if (const auto* d = std::get_if<double>(&v)) {
        char buffer[32];
        std::snprintf(buffer, sizeof buffer, "%.15g", *d);
        return std::string(buffer);
    }
    return std::get<std::string>(v);
}

void refuse(gsf::data::DataSet& ds)
{
    throw std::runtime_error("A consulta " + ds.Name() + " é somente leitura.");
}

} // namespace

TADOIBQuery::TADOIBQuery(std::string name, TdtmDBGeral* database) : DataSet(std::move(name)), database_(database)
{
    BeforeInsert = refuse;
    BeforeEdit = refuse;
    BeforeDelete = refuse;
}

void TADOIBQuery::SetParamAsString(std::string_view name, std::string value)
{
    params_[upper(name)] = std::move(value);
}

const std::string& TADOIBQuery::ParamAsString(std::string_view name) const
{
    const auto it = params_.find(upper(name));
    if (it == params_.end())
        throw std::runtime_error("Parâmetro " + std::string(name) + " não informado.");
    return it->second;
}

void TADOIBQuery::Open()
{
    if (!database_)
        throw SqlError(ErrorKind::Connection, "A consulta " + Name() + " não tem banco de dados.");
    std::string text;
    for (const auto& line : SQL)
        text += line + "\n";
    auto& connection = database_->Connection();
    Statement& statement = connection.Prepare(text);
    const ParsedSql parsed = parseSql(text, connection.GetEngine());
    for (const auto& param : parsed.names) {
        if (param.empty())
            throw std::runtime_error("A consulta " + Name() + " usa parâmetros sem nome.");
        statement.BindByName(param, ParamAsString(param));
    }
    const ResultSet result = statement.Execute();

    gsf::data::Packet packet;
    std::vector<int> sourceColumn;
    if (FieldCount() == 0) {
        for (size_t c = 0; c < result.columns.size(); ++c) {
            packet.fields.push_back({upper(result.columns[c]), gsf::data::FieldType::String, 0});
            sourceColumn.push_back(static_cast<int>(c));
        }
    } else {
        for (int f = 0; f < FieldCount(); ++f) {
            const auto& def = FieldAt(f).Def();
            const int column = result.ColumnIndex(def.name);
            if (column < 0)
                throw gsf::data::PacketError("A consulta " + Name() + " não retorna o campo " + def.name + ".");
            packet.fields.push_back({def.name, def.type, def.size});
            sourceColumn.push_back(column);
        }
    }
    packet.rows.reserve(result.rows.size());
    for (const auto& row : result.rows) {
        auto& out = packet.rows.emplace_back();
        for (size_t f = 0; f < packet.fields.size(); ++f)
            out.push_back(toFieldValue(row[static_cast<size_t>(sourceColumn[f])], packet.fields[f].type));
    }
    SetData(std::move(packet));
    for (int f = 0; f < FieldCount(); ++f)
        FieldAt(f).SetReadOnly(true);
}

} // namespace gsf::sql
