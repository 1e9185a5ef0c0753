#include "platform/data/packet_layout.h"

namespace gsf::data {

// A packet is refused as a whole when one column differs from the definition
// the screen declared: its rows were written under other rules than the ones
// they would be shown and edited with (texts longer than the field takes, a
// fixed-length flag sent as a plain text). The size is optional on both
// sides: a field declared without one takes texts of any length, and a column
// that states none states nothing to disagree with.
std::string columnMismatch(const FieldDef& def, const PacketField& column)
{
    const auto characters = [](int n) { return std::to_string(n) + (n == 1 ? " caractere" : " caracteres"); };
    if (column.type != def.type)
        return "Campo \"" + def.name + "\" com tipo incompatível no pacote de dados (" + fieldTypeName(column.type) +
               "; esperado: " + fieldTypeName(def.type) + ").";
    if (def.type != FieldType::Float && def.size > 0 && column.size > 0 && column.size != def.size)
        return "Campo \"" + def.name + "\" com tamanho incompatível no pacote de dados (" + characters(column.size) +
               "; esperado: " + characters(def.size) + ").";
    return "";
}

} // namespace gsf::data
