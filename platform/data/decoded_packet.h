#pragma once

#include "platform/data/packet.h"
#include "platform/data/row_store.h"

#include <cstddef>
#include <string_view>
#include <vector>

namespace gsf::data {

/// A packet as it is read off the wire: its fields, and its rows already in
/// the storage of a dataset (one slot per row, in packet order; one column per
/// field), so that loading it into a dataset copies nothing.
struct DecodedPacket {
    std::vector<PacketField> fields;
    RowStore rows;

    std::size_t RowCount() const { return rows.Slots(); }
    /// Index of the column called @p name (letter case ignored), or -1.
    int indexOf(std::string_view name) const;
    /// The same packet with its rows as values.
    Packet ToPacket() const;
};

/// Reads a JSON packet in one pass (simdjson), every value checked against its
/// column as it is stored.
/// @throws PacketError, with a Portuguese message naming what is wrong, on
/// malformed JSON, a missing or repeated "fields" or "rows", a field without
/// a name or with an unknown type or size, a repeated field name, a row of
/// the wrong width or a value of the wrong kind for its column.
DecodedPacket readPacket(std::string_view json);

/// The rows of @p packet in a store, one column per field. @throws PacketError
/// for a row of the wrong width or a value of the wrong kind.
DecodedPacket toDecoded(const Packet& packet);

} // namespace gsf::data
