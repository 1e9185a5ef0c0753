#pragma once

#include "platform/data/field.h"
#include "platform/data/packet.h"

#include <string>

namespace gsf::data {

/// Whether column @p column of a packet may fill the persistent field @p def,
/// which a load matched to it by name: the column must have the field's type
/// and, for a text field, the field's size (when both declare one).
/// @return "" when it may, otherwise the refusal in Portuguese naming the
/// field, what the packet declares and what the field expects
/// ("Campo "DSGRSERVFAT" com tamanho incompatível no pacote de dados (60
/// caracteres; esperado: 30 caracteres).").
std::string columnMismatch(const FieldDef& def, const PacketField& column);

} // namespace gsf::data
