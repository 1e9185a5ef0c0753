#include "platform/data/packet.h"

#include "platform/data/decoded_packet.h"
#include "platform/data/packet_internal.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <string>
#include <unordered_set>

namespace gsf::data {

using nlohmann::json;

namespace detail {

const char* const kPacketPrefix = "Pacote de dados inválido: ";

namespace {

bool sameName(std::string_view a, std::string_view b)
{
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
           });
}

} // namespace

int indexOfField(const std::vector<PacketField>& fields, std::string_view name)
{
    for (std::size_t i = 0; i < fields.size(); ++i)
        if (sameName(fields[i].name, name))
            return static_cast<int>(i);
    return -1;
}

bool typeFromName(std::string_view name, FieldType& type)
{
    for (FieldType t : {FieldType::String, FieldType::FixedString, FieldType::Float}) {
        if (name == fieldTypeName(t)) {
            type = t;
            return true;
        }
    }
    return false;
}

[[noreturn]] void fail(const char* prefix, const std::string& what)
{
    throw PacketError(prefix + what);
}

void checkFields(const std::vector<PacketField>& fields, const char* prefix)
{
    std::unordered_set<std::string> seen;
    for (const PacketField& f : fields) {
        std::string key = f.name;
        std::transform(key.begin(), key.end(), key.begin(),
                       [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
        if (!seen.insert(key).second)
            fail(prefix, "campo \"" + f.name + "\" repetido.");
    }
}

} // namespace detail

namespace {

using detail::checkFields;
using detail::fail;
using detail::indexOfField;
using detail::typeFromName;

const char* const kDeltaPrefix = "Pacote de alterações inválido: ";

// Width and kind of every value against its column, so that a dataset never
// holds a text in a number column or the reverse.
void checkRow(const std::vector<PacketField>& fields, const std::vector<Value>& row, std::size_t rowNumber,
              const char* prefix)
{
    if (row.size() != fields.size())
        fail(prefix, "a linha " + std::to_string(rowNumber) + " tem " + std::to_string(row.size()) +
                         " valores; esperados " + std::to_string(fields.size()) + ".");
    for (std::size_t i = 0; i < row.size(); ++i) {
        if (isNull(row[i]))
            continue;
        const bool number = std::holds_alternative<double>(row[i]);
        if (number != (fields[i].type == FieldType::Float))
            fail(prefix,
                 "valor de tipo errado na linha " + std::to_string(rowNumber) + ", campo \"" + fields[i].name + "\".");
    }
}

// --- writing -------------------------------------------------------------
//
// Packets are written by hand rather than through a JSON tree: a packet of a
// thousand rows is built in one pass into one reserved string, which takes a
// small fraction of the time of building and dumping a document.

void appendHex(std::string& out, unsigned value)
{
    static constexpr char kDigits[] = "0123456789abcdef";
    out += "\\u00";
    out += kDigits[(value >> 4) & 0xF];
    out += kDigits[value & 0xF];
}

// Length of the well-formed UTF-8 sequence at the start of @p s (whose first
// byte is not ASCII), or 0 when it is malformed: a stray continuation byte, a
// truncated or overlong sequence, a surrogate or a code point past U+10FFFF.
std::size_t utf8Length(std::string_view s)
{
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(s[i]); };
    const auto continuation = [&](std::size_t i) { return i < s.size() && (byte(i) & 0xC0) == 0x80; };
    const unsigned char lead = byte(0);
    if (lead >= 0xC2 && lead <= 0xDF)
        return continuation(1) ? 2 : 0;
    if (lead >= 0xE0 && lead <= 0xEF) {
        if (!continuation(1) || !continuation(2))
            return 0;
        if ((lead == 0xE0 && byte(1) < 0xA0) || (lead == 0xED && byte(1) >= 0xA0))
            return 0;
        return 3;
    }
    if (lead >= 0xF0 && lead <= 0xF4) {
        if (!continuation(1) || !continuation(2) || !continuation(3))
            return 0;
        if ((lead == 0xF0 && byte(1) < 0x90) || (lead == 0xF4 && byte(1) >= 0x90))
            return 0;
        return 4;
    }
    return 0;
}

// A JSON string: quotes, backslashes and control characters escaped, other
// text copied as it is. A malformed UTF-8 byte becomes U+FFFD instead of
// failing: one stray byte in stored text must not make a packet unsendable,
// and the reader refuses malformed UTF-8.
void appendString(std::string& out, std::string_view text)
{
    out += '"';
    std::size_t plain = 0; // start of the run of bytes copied as they are
    std::size_t i = 0;
    const auto flush = [&] { out.append(text.data() + plain, i - plain); };
    while (i < text.size()) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (c >= 0x20 && c != '"' && c != '\\' && c < 0x80) {
            ++i;
            continue;
        }
        if (c >= 0x80) {
            if (const std::size_t n = utf8Length(text.substr(i))) {
                i += n;
                continue;
            }
            flush();
            out += "\xEF\xBF\xBD";
            plain = ++i;
            continue;
        }
        flush();
        switch (c) {
        case '"': out += "\\\""; break;
        case '\\': out += "\\\\"; break;
        case '\b': out += "\\b"; break;
        case '\f': out += "\\f"; break;
        case '\n': out += "\\n"; break;
        case '\r': out += "\\r"; break;
        case '\t': out += "\\t"; break;
        default: appendHex(out, c); break;
        }
        plain = ++i;
    }
    flush();
    out += '"';
}

// Shortest text that reads back as the same double. JSON has no NaN or
// infinity, so those travel as null; "-0" would be read back as the integer 0,
// so negative zero keeps a fraction to keep its sign.
void appendNumber(std::string& out, double value)
{
    if (!std::isfinite(value)) {
        out += "null";
        return;
    }
    if (value == 0 && std::signbit(value)) {
        out += "-0.0";
        return;
    }
    char buffer[32];
    auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    // A whole number past 64-bit integers would read back as an integer
    // out of range: it goes out with an exponent instead ("1.8446744073709552e+19").
    const std::string_view text(buffer, static_cast<std::size_t>(result.ptr - buffer));
    if (text.size() > 19 && text.find_first_of(".e") == std::string_view::npos)
        result = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::scientific);
    out.append(buffer, result.ptr);
}

void appendValue(std::string& out, const Value& v)
{
    if (const auto* d = std::get_if<double>(&v))
        appendNumber(out, *d);
    else if (const auto* s = std::get_if<std::string>(&v))
        appendString(out, *s);
    else
        out += "null";
}

void appendRow(std::string& out, const std::vector<Value>& row)
{
    out += '[';
    for (std::size_t i = 0; i < row.size(); ++i) {
        if (i > 0)
            out += ',';
        appendValue(out, row[i]);
    }
    out += ']';
}

void appendFields(std::string& out, const std::vector<PacketField>& fields)
{
    out += "\"fields\":[";
    for (std::size_t i = 0; i < fields.size(); ++i) {
        const PacketField& f = fields[i];
        out += i > 0 ? ",{\"name\":" : "{\"name\":";
        appendString(out, f.name);
        out += ",\"type\":\"";
        out += fieldTypeName(f.type);
        out += '"';
        if (f.type != FieldType::Float) {
            out += ",\"size\":";
            out += std::to_string(f.size);
        }
        out += '}';
    }
    out += ']';
}

// A guess of the written size from the first row, so that a large packet is
// written without reallocating.
std::size_t sizeHint(const std::vector<PacketField>& fields, const std::vector<std::vector<Value>>& rows)
{
    std::size_t hint = 64 + fields.size() * 48;
    if (rows.empty())
        return hint;
    std::size_t first = 2;
    for (const Value& v : rows.front())
        first += (std::holds_alternative<std::string>(v) ? std::get<std::string>(v).size() + 3 : 24);
    return hint + rows.size() * (first + first / 8);
}

PacketField fieldFromJson(const json& j, const char* prefix)
{
    if (!j.is_object())
        fail(prefix, "definição de campo não é um objeto.");
    PacketField f;
    const auto name = j.find("name");
    if (name == j.end() || !name->is_string() || name->get_ref<const std::string&>().empty())
        fail(prefix, "definição de campo sem nome.");
    f.name = name->get<std::string>();
    const auto type = j.find("type");
    if (type == j.end() || !type->is_string() || !typeFromName(type->get<std::string>(), f.type))
        fail(prefix, "tipo ausente ou desconhecido no campo \"" + f.name + "\".");
    const auto size = j.find("size");
    if (size != j.end()) {
        if (!size->is_number_integer() || size->get<long long>() < 0 || size->get<long long>() > 1'000'000)
            fail(prefix, "tamanho inválido no campo \"" + f.name + "\".");
        f.size = size->get<int>();
    }
    return f;
}

std::vector<Value> rowFromJson(const json& j, const char* prefix)
{
    if (!j.is_array())
        fail(prefix, "linha de valores não é uma lista.");
    std::vector<Value> row;
    row.reserve(j.size());
    for (const json& v : j) {
        if (v.is_null())
            row.emplace_back();
        else if (v.is_number())
            row.emplace_back(v.get<double>());
        else if (v.is_string())
            row.emplace_back(v.get<std::string>());
        else
            fail(prefix, "valor que não é texto, número nem nulo.");
    }
    return row;
}

// Reads a JSON text without building it, refusing what a strict reader must:
// repeated keys (which value a reader keeps is anyone's guess), numbers past
// a double, control characters hidden behind escapes, and deep nesting.
class StrictChecker : public nlohmann::json_sax<json> {
public:
    explicit StrictChecker(int maxDepth) : maxDepth_(maxDepth) {}

    const std::string& error() const { return error_; }

    bool null() override { return value(); }
    bool boolean(bool) override { return value(); }
    bool number_integer(number_integer_t) override { return value(); }
    bool number_unsigned(number_unsigned_t) override { return value(); }
    bool number_float(number_float_t v, const string_t&) override
    {
        return value() && (std::isfinite(v) || refuse("número fora do intervalo representável"));
    }
    bool binary(binary_t&) override { return refuse("valor binário inesperado"); }
    bool string(string_t& v) override { return value() && clean(v); }

    bool start_object(std::size_t) override
    {
        if (!value())
            return false;
        frames_.push_back({false, -1, {}, {}});
        return deeper();
    }
    bool end_object() override
    {
        frames_.pop_back();
        return true;
    }
    bool start_array(std::size_t) override
    {
        if (!value())
            return false;
        frames_.push_back({true, -1, {}, {}});
        return deeper();
    }
    bool end_array() override
    {
        frames_.pop_back();
        return true;
    }
    bool key(string_t& k) override
    {
        // A bad key is reported at the object that holds it.
        Frame& frame = frames_.back();
        frame.key.clear();
        if (!clean(k))
            return false;
        if (!frame.keys.insert(k).second)
            return refuse("chave \"" + k + "\" repetida");
        frame.key = k;
        return true;
    }

    bool parse_error(std::size_t position, const std::string&, const nlohmann::detail::exception& e) override
    {
        if (e.id == 406)
            return refuse("número fora do intervalo representável");
        if (std::string_view(e.what()).find("UTF-8") != std::string_view::npos)
            return refuse("texto com codificação inválida (UTF-8)");
        error_ = "JSON malformado (posição " + std::to_string(position) + ").";
        return false;
    }

private:
    struct Frame {
        bool array;
        long index;                           ///< arrays: the element being read
        std::string key;                      ///< objects: the member being read
        std::unordered_set<std::string> keys; ///< objects: the members read so far
    };

    // A value starts: it is the next element of the array it is in.
    bool value()
    {
        if (!frames_.empty() && frames_.back().array)
            ++frames_.back().index;
        return true;
    }

    // Where the reader is, as a path such as args[0].changes[2].old[1].
    std::string path() const
    {
        std::string out;
        for (const Frame& f : frames_) {
            if (f.array && f.index >= 0) {
                out += '[';
                out += std::to_string(f.index);
                out += ']';
            } else if (!f.array && !f.key.empty()) {
                if (!out.empty())
                    out += '.';
                out += f.key;
            }
        }
        return out;
    }

    bool refuse(const std::string& what)
    {
        const std::string where = path();
        error_ = what + (where.empty() ? "." : " (em " + where + ").");
        return false;
    }

    bool deeper()
    {
        if (static_cast<int>(frames_.size()) > maxDepth_)
            return refuse("aninhamento além de " + std::to_string(maxDepth_) + " níveis");
        return true;
    }

    // The reader has already checked the UTF-8; what is left is C0 controls,
    // DEL, and C1 controls (U+0080..U+009F, written C2 80..C2 9F).
    bool clean(const std::string& text)
    {
        for (std::size_t i = 0; i < text.size(); ++i) {
            const auto c = static_cast<unsigned char>(text[i]);
            const bool c1 = c == 0xC2 && i + 1 < text.size() && static_cast<unsigned char>(text[i + 1]) < 0xA0;
            if (c < 0x20 || c == 0x7F || c1)
                return refuse("caracteres de controle não são permitidos");
        }
        return true;
    }

    const int maxDepth_;
    std::vector<Frame> frames_;
    std::string error_;
};

// A delta is an object of lists of objects of lists of values.
constexpr int kDeltaDepth = 4;

} // namespace

std::string strictJsonProblem(std::string_view text, int maxDepth)
{
    StrictChecker checker(maxDepth);
    if (json::sax_parse(text, &checker))
        return "";
    return checker.error().empty() ? "JSON malformado." : checker.error();
}

const char* fieldTypeName(FieldType type)
{
    switch (type) {
    case FieldType::String: return "string";
    case FieldType::FixedString: return "fixedstring";
    case FieldType::Float: return "float";
    }
    return "string";
}

int Packet::indexOf(std::string_view name) const
{
    return indexOfField(fields, name);
}

int Delta::indexOf(std::string_view name) const
{
    return indexOfField(fields, name);
}

PacketWriter::PacketWriter(std::string& out, const std::vector<PacketField>& fields) : out_(out)
{
    out_.clear();
    out_ += '{';
    appendFields(out_, fields);
    out_ += ",\"rows\":[";
}

void PacketWriter::BeginRow()
{
    if (!firstRow_)
        out_ += ',';
    firstRow_ = false;
    firstValue_ = true;
    out_ += '[';
}

void PacketWriter::separate()
{
    if (!firstValue_)
        out_ += ',';
    firstValue_ = false;
}

void PacketWriter::Null()
{
    separate();
    out_ += "null";
}

void PacketWriter::Number(double value)
{
    separate();
    appendNumber(out_, value);
}

void PacketWriter::Text(std::string_view text)
{
    separate();
    appendString(out_, text);
}

void PacketWriter::Write(const Value& value)
{
    separate();
    appendValue(out_, value);
}

void PacketWriter::EndRow()
{
    out_ += ']';
}

std::string& PacketWriter::End()
{
    out_ += "]}";
    return out_;
}

std::string encodePacket(const Packet& packet)
{
    std::string out;
    out.reserve(sizeHint(packet.fields, packet.rows));
    PacketWriter writer(out, packet.fields);
    for (const auto& row : packet.rows) {
        writer.BeginRow();
        for (const Value& v : row)
            writer.Write(v);
        writer.EndRow();
    }
    return writer.End();
}

Packet decodePacket(std::string_view text)
{
    return readPacket(text).ToPacket();
}

std::string encodeDelta(const Delta& delta)
{
    std::string out = "{";
    appendFields(out, delta.fields);
    out += ",\"changes\":[";
    for (std::size_t i = 0; i < delta.changes.size(); ++i) {
        const Change& c = delta.changes[i];
        if (i > 0)
            out += ',';
        switch (c.kind) {
        case ChangeKind::Insert: out += "{\"op\":\"insert\""; break;
        case ChangeKind::Update: out += "{\"op\":\"update\""; break;
        case ChangeKind::Delete: out += "{\"op\":\"delete\""; break;
        }
        if (c.kind != ChangeKind::Insert) {
            out += ",\"old\":";
            appendRow(out, c.oldValues);
        }
        if (c.kind != ChangeKind::Delete) {
            out += ",\"new\":";
            appendRow(out, c.newValues);
        }
        out += '}';
    }
    out += "]}";
    return out;
}

Delta decodeDelta(std::string_view text)
{
    if (const std::string problem = strictJsonProblem(text, kDeltaDepth); !problem.empty())
        fail(kDeltaPrefix, problem);
    const json doc = json::parse(text, nullptr, false);
    if (doc.is_discarded())
        fail(kDeltaPrefix, "JSON malformado.");
    if (!doc.is_object())
        fail(kDeltaPrefix, "o pacote não é um objeto JSON.");
    const auto fields = doc.find("fields");
    const auto changes = doc.find("changes");
    if (fields == doc.end() || !fields->is_array())
        fail(kDeltaPrefix, "lista \"fields\" ausente.");
    if (changes == doc.end() || !changes->is_array())
        fail(kDeltaPrefix, "lista \"changes\" ausente.");

    Delta delta;
    for (const json& f : *fields)
        delta.fields.push_back(fieldFromJson(f, kDeltaPrefix));
    checkFields(delta.fields, kDeltaPrefix);

    std::size_t number = 0;
    for (const json& c : *changes) {
        ++number;
        if (!c.is_object())
            fail(kDeltaPrefix, "alteração " + std::to_string(number) + " não é um objeto.");
        const auto op = c.find("op");
        const std::string kind = op != c.end() && op->is_string() ? op->get<std::string>() : "";
        Change change;
        if (kind == "insert")
            change.kind = ChangeKind::Insert;
        else if (kind == "update")
            change.kind = ChangeKind::Update;
        else if (kind == "delete")
            change.kind = ChangeKind::Delete;
        else
            fail(kDeltaPrefix, "operação desconhecida na alteração " + std::to_string(number) + ".");

        const bool needsOld = change.kind != ChangeKind::Insert;
        const bool needsNew = change.kind != ChangeKind::Delete;
        if (needsOld != c.contains("old") || needsNew != c.contains("new"))
            fail(kDeltaPrefix,
                 "valores antigos ou novos ausentes ou sobrando na alteração " + std::to_string(number) + ".");
        if (needsOld) {
            change.oldValues = rowFromJson(c.at("old"), kDeltaPrefix);
            checkRow(delta.fields, change.oldValues, number, kDeltaPrefix);
        }
        if (needsNew) {
            change.newValues = rowFromJson(c.at("new"), kDeltaPrefix);
            checkRow(delta.fields, change.newValues, number, kDeltaPrefix);
        }
        delta.changes.push_back(std::move(change));
    }
    return delta;
}

} // namespace gsf::data
