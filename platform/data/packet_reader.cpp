#include "platform/data/decoded_packet.h"

#include "platform/data/packet_internal.h"

#include <simdjson.h>

#include <cstring>
#include <memory>
#include <string>

namespace gsf::data {

namespace {

namespace dom = simdjson::dom;
using detail::fail;
using detail::kPacketPrefix;

// Room kept between packets by the parser and the padded copy of the text: a
// screen reads small packets all day, and a large one must not stay behind.
constexpr std::size_t kKeptBytes = 1 << 20;

// The parser and the padded copy of the text it reads (simdjson reads a
// little past the end), one per thread. The parser picks the fastest kernel
// the processor has when it runs.
struct Scratch {
    dom::parser parser;
    std::unique_ptr<char[]> bytes;
    std::size_t capacity = 0;

    const char* pad(std::string_view text)
    {
        const std::size_t need = text.size() + simdjson::SIMDJSON_PADDING;
        if (need > capacity) {
            bytes = std::make_unique<char[]>(need);
            capacity = need;
        }
        std::memcpy(bytes.get(), text.data(), text.size());
        std::memset(bytes.get() + text.size(), 0, simdjson::SIMDJSON_PADDING);
        return bytes.get();
    }

    void release()
    {
        if (capacity > kKeptBytes) {
            bytes.reset();
            capacity = 0;
        }
        if (parser.capacity() > kKeptBytes)
            parser = dom::parser();
    }
};

Scratch& scratch()
{
    thread_local Scratch mine;
    return mine;
}

[[noreturn]] void refuse(const std::string& what)
{
    fail(kPacketPrefix, what);
}

[[noreturn]] void refuseJson(simdjson::error_code error)
{
    switch (error) {
    case simdjson::UTF8_ERROR: refuse("texto com codificação inválida (UTF-8).");
    case simdjson::NUMBER_ERROR:
    case simdjson::NUMBER_OUT_OF_RANGE: refuse("número inválido ou fora do intervalo representável.");
    case simdjson::DEPTH_ERROR: refuse("aninhamento profundo demais.");
    default: refuse("JSON malformado.");
    }
}

// Reads one parsed packet into a DecodedPacket. The parser has already
// checked the whole text; what is left is the packet's own shape.
class Reader {
public:
    DecodedPacket read(dom::element root)
    {
        if (root.type() != dom::element_type::OBJECT)
            refuse("o pacote não é um objeto JSON.");
        dom::element fields, rows;
        bool sawFields = false, sawRows = false;
        for (const dom::key_value_pair member : dom::object(root)) {
            const bool isFields = member.key == "fields";
            if (!isFields && member.key != "rows")
                continue; // other members are no business of a packet's reader
            bool& seen = isFields ? sawFields : sawRows;
            if (seen)
                refuse("chave \"" + std::string(member.key) + "\" repetida.");
            seen = true;
            (isFields ? fields : rows) = member.value;
        }
        if (!sawFields)
            refuse("lista \"fields\" ausente.");
        if (!sawRows)
            refuse("lista \"rows\" ausente.");
        readFields(fields);
        readRows(rows);
        return std::move(packet_);
    }

private:
    void readFields(dom::element list)
    {
        if (list.type() != dom::element_type::ARRAY)
            refuse("lista \"fields\" inválida.");
        std::vector<FieldType> types;
        for (const dom::element definition : dom::array(list)) {
            if (definition.type() != dom::element_type::OBJECT)
                refuse("definição de campo não é um objeto.");
            types.push_back(readField(dom::object(definition)));
        }
        detail::checkFields(packet_.fields, kPacketPrefix);
        packet_.rows = RowStore(std::move(types));
    }

    FieldType readField(dom::object definition)
    {
        PacketField& f = packet_.fields.emplace_back();
        bool named = false, typed = false;
        for (const dom::key_value_pair member : definition) {
            const dom::element value = member.value;
            if (member.key == "name" || member.key == "type") {
                std::string_view text;
                if (value.get_string().get(text) != simdjson::SUCCESS)
                    refuse("valor inválido em \"" + std::string(member.key) + "\" de um campo.");
                if (member.key == "name") {
                    f.name = text;
                    named = true;
                } else {
                    // An unknown type is reported at the end of the
                    // definition, where the field's name is known.
                    typed = detail::typeFromName(text, f.type);
                }
            } else if (member.key == "size") {
                double size = -1;
                if (value.get_double().get(size) != simdjson::SUCCESS || size < 0 || size > 1'000'000 ||
                    size != static_cast<int>(size))
                    refuse("tamanho inválido no campo \"" + f.name + "\".");
                f.size = static_cast<int>(size);
            }
        }
        if (!named || f.name.empty())
            refuse("definição de campo sem nome.");
        if (!typed)
            refuse("tipo ausente ou desconhecido no campo \"" + f.name + "\".");
        return f.type;
    }

    void readRows(dom::element list)
    {
        if (list.type() != dom::element_type::ARRAY)
            refuse("lista \"rows\" inválida.");
        RowStore& store = packet_.rows;
        const std::size_t width = static_cast<std::size_t>(store.Width());
        const dom::array rows(list);
        const std::size_t count = rows.size(); // capped at 2^24 - 1: only room depends on it
        store.Reserve(count, 0);
        std::size_t number = 0;
        for (const dom::element row : rows) {
            if (row.type() != dom::element_type::ARRAY)
                refuse("linha de valores não é uma lista.");
            ++number;
            const dom::array values(row);
            if (values.size() != width)
                refuse("a linha " + std::to_string(number) + " tem " + std::to_string(values.size()) +
                       " valores; esperados " + std::to_string(width) + ".");
            const std::uint32_t slot = store.AddSlot();
            int column = 0;
            for (const dom::element cell : values)
                readCell(cell, slot, column++, number);
            if (number == 1) {
                // Room for the texts of every row at the first one's size.
                store.Reserve(0, store.TextBytes() * (count + count / 16));
            }
        }
        store.ShrinkToFit();
    }

    void readCell(dom::element cell, std::uint32_t slot, int column, std::size_t row)
    {
        RowStore& store = packet_.rows;
        switch (cell.type()) {
        case dom::element_type::NULL_VALUE: return; // a new slot is all nulls
        case dom::element_type::INT64:
        case dom::element_type::UINT64:
        case dom::element_type::DOUBLE: {
            if (!store.IsNumber(column))
                wrongKind(row, column);
            store.SetNumber(slot, column, double(cell));
            return;
        }
        case dom::element_type::STRING: {
            if (store.IsNumber(column))
                wrongKind(row, column);
            store.SetText(slot, column, std::string_view(cell));
            return;
        }
        default: refuse("valor que não é texto, número nem nulo.");
        }
    }

    [[noreturn]] void wrongKind(std::size_t row, int column)
    {
        refuse("valor de tipo errado na linha " + std::to_string(row) + ", campo \"" +
               packet_.fields[static_cast<std::size_t>(column)].name + "\".");
    }

    DecodedPacket packet_;
};

} // namespace

int DecodedPacket::indexOf(std::string_view name) const
{
    return detail::indexOfField(fields, name);
}

Packet DecodedPacket::ToPacket() const
{
    Packet packet{fields, {}};
    packet.rows.reserve(rows.Slots());
    for (std::uint32_t s = 0; s < rows.Slots(); ++s) {
        auto& row = packet.rows.emplace_back();
        row.reserve(fields.size());
        for (int c = 0; c < rows.Width(); ++c)
            row.push_back(rows.Get(s, c));
    }
    return packet;
}

DecodedPacket readPacket(std::string_view json)
{
    Scratch& mine = scratch();
    struct Release {
        Scratch& scratch;
        ~Release() { scratch.release(); }
    } release{mine};
    dom::element root;
    if (const auto error = mine.parser.parse(mine.pad(json), json.size(), false).get(root); error != simdjson::SUCCESS)
        refuseJson(error);
    return Reader().read(root);
}

DecodedPacket toDecoded(const Packet& packet)
{
    DecodedPacket out;
    out.fields = packet.fields;
    std::vector<FieldType> types;
    for (const PacketField& f : packet.fields)
        types.push_back(f.type);
    out.rows = RowStore(std::move(types));
    const std::size_t width = packet.fields.size();
    out.rows.Reserve(packet.rows.size(), 0);
    for (std::size_t r = 0; r < packet.rows.size(); ++r) {
        const auto& values = packet.rows[r];
        if (values.size() != width)
            fail(kPacketPrefix, "a linha " + std::to_string(r + 1) + " não tem " + std::to_string(width) + " valores.");
        const std::uint32_t slot = out.rows.AddSlot();
        for (std::size_t c = 0; c < width; ++c) {
            const Value& v = values[c];
            if (isNull(v))
                continue;
            if (std::holds_alternative<double>(v) != (packet.fields[c].type == FieldType::Float))
                fail(kPacketPrefix, "valor de tipo errado na linha " + std::to_string(r + 1) + ", campo \"" +
                                        packet.fields[c].name + "\".");
            out.rows.Set(slot, static_cast<int>(c), v);
        }
    }
    return out;
}

} // namespace gsf::data
