#pragma once

#include "platform/data/packet.h"

#include <string>
#include <vector>

namespace gsf::server::testing {

/// The value of column @p name of row @p row.
inline const gsf::data::Value& cell(const gsf::data::Packet& p, size_t row, const std::string& name)
{
    return p.rows.at(row).at(static_cast<size_t>(p.indexOf(name)));
}
inline std::string text(const gsf::data::Packet& p, size_t row, const std::string& name)
{
    const auto& v = cell(p, row, name);
    return gsf::data::isNull(v) ? "<null>" : std::get<std::string>(v);
}
inline std::vector<std::string> column(const gsf::data::Packet& p, const std::string& name)
{
    std::vector<std::string> out;
    for (size_t r = 0; r < p.rows.size(); ++r)
        out.push_back(text(p, r, name));
    return out;
}

/// A delta over the packet's fields with one change.
inline gsf::data::Delta deltaOf(const gsf::data::Packet& p, gsf::data::ChangeKind kind,
                                std::vector<gsf::data::Value> oldValues, std::vector<gsf::data::Value> newValues)
{
    gsf::data::Delta d;
    d.fields = p.fields;
    d.changes.push_back({kind, std::move(oldValues), std::move(newValues)});
    return d;
}

/// An update of row @p row setting @p name to @p value.
inline gsf::data::Delta updateOf(const gsf::data::Packet& p, size_t row, const std::string& name,
                                 gsf::data::Value value)
{
    auto changed = p.rows.at(row);
    changed.at(static_cast<size_t>(p.indexOf(name))) = std::move(value);
    return deltaOf(p, gsf::data::ChangeKind::Update, p.rows.at(row), changed);
}

} // namespace gsf::server::testing
