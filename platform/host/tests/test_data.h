#pragma once

#include "platform/data/dataset.h"

#include <memory>
#include <string>
#include <vector>

namespace gsf::host::testing {

/// A packet of text columns holding @p rows (values in column order).
inline data::Packet textPacket(const std::vector<std::string>& columns,
                               const std::vector<std::vector<std::string>>& rows)
{
    data::Packet packet;
    for (const auto& column : columns)
        packet.fields.push_back({column, data::FieldType::String, 40});
    for (const auto& row : rows)
        packet.rows.emplace_back(row.begin(), row.end());
    return packet;
}

/// A dataset of text columns loaded with @p rows.
inline std::unique_ptr<data::DataSet> textDataSet(const std::string& name, const std::vector<std::string>& columns,
                                                  const std::vector<std::vector<std::string>>& rows)
{
    auto dataSet = std::make_unique<data::DataSet>(name);
    for (const auto& column : columns) {
        data::FieldDef def;
        def.name = column;
        def.size = 40;
        dataSet->AddField(def);
    }
    dataSet->SetData(textPacket(columns, rows));
    return dataSet;
}

} // namespace gsf::host::testing
