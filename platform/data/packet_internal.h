#pragma once

// Helpers shared by the packet reader and writer (packet.cpp, packet_reader.cpp).

#include "platform/data/packet.h"

#include <string>
#include <string_view>
#include <vector>

namespace gsf::data::detail {

extern const char* const kPacketPrefix;

[[noreturn]] void fail(const char* prefix, const std::string& what);
/// @return false for a name that is no field type.
bool typeFromName(std::string_view name, FieldType& type);
/// Refuses two fields whose names differ only in letter case.
void checkFields(const std::vector<PacketField>& fields, const char* prefix);
/// Case-insensitive index of @p name in @p fields, or -1.
int indexOfField(const std::vector<PacketField>& fields, std::string_view name);

} // namespace gsf::data::detail
