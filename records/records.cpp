#include "records/records.h"

#include "platform/data/number_format.h"

#include <cmath>
#include <stdexcept>

namespace gsf::records {

using gsf::data::FieldType;

namespace {

// Staff counts: three decimals, as "#,##0.000" shows them. The upper bound is
// the largest value the ten-character day edits can show ("99.999,999").
constexpr const char* kStaffFormat = "#,##0.000";
constexpr double kStaffMax = 99999.999;
constexpr const char* kPercentFormat = "0.00%";

// The helpers the declarations of field_lists.h are written with. A field
// gets its name from the list.

Field text(const char* label, int size, unsigned chars = Printable)
{
    Field f;
    f.label = label;
    f.size = size;
    f.chars = chars;
    return f;
}

Field key(Field f)
{
    f.key = true;
    f.required = true;
    return f;
}

Field required(Field f)
{
    f.required = true;
    return f;
}

Field shownOnly(Field f)
{
    f.stored = false;
    return f;
}

Field staff(const char* label)
{
    Field f;
    f.label = label;
    f.type = FieldType::Float;
    f.format = kStaffFormat;
    f.decimals = 3;
    f.low = 0;
    f.high = kStaffMax;
    return f;
}

Field percent(const char* label, bool lowOpen)
{
    Field f;
    f.label = label;
    f.type = FieldType::Float;
    f.format = kPercentFormat;
    f.decimals = 2;
    f.low = 0;
    f.high = 100;
    f.lowOpen = lowOpen;
    f.highOpen = true;
    return f;
}

Field branch()
{
    Field f = text("filial", 4, Letters | Digits | Blanks);
    f.upper = true;
    return f;
}
Field client()
{
    return text("cliente", 21);
}
Field group()
{
    return text("grupo", 3);
}
Field service(const char* label = "serviço")
{
    return text(label, 5, Digits | Blanks);
}
Field registration()
{
    return text("inscrição", 20, Letters | Digits);
}

// The flags the screen gives meaning to: "Sim", "Não", and a one-letter text
// that upper-cases to S.
Field correctionFlag()
{
    Field f = text("correção de efetivos", 3);
    f.type = FieldType::FixedString;
    f.choices = {"Sim", "Não", "S", "s"};
    return f;
}

Field named(const char* name, Field f)
{
    f.name = name;
    return f;
}

Table makeTable(const char* name, const char* dataset, std::vector<Field> fields)
{
    Table t;
    t.table = name;
    t.dataset = dataset;
    t.fields = std::move(fields);
    return t;
}

#define GSF_RECORD_FIELD(NAME, DECLARATION) named(#NAME, DECLARATION),

} // namespace

const Field* Table::find(std::string_view name) const
{
    for (const Field& f : fields)
        if (name == f.name)
            return &f;
    return nullptr;
}

const Field& Table::field(const Key& key) const
{
    const auto at = static_cast<std::size_t>(key.position);
    if (key.position < 0 || at >= fields.size() || std::string_view(fields[at].name) != key.name)
        throw std::logic_error(std::string("campo ") + key.name + " fora do registro " + dataset);
    return fields[at];
}

namespace {
gsf::data::PacketField columnOf(const Field& f)
{
    return {f.name, f.type, f.size};
}
} // namespace

std::vector<gsf::data::PacketField> Table::packetFields() const
{
    std::vector<gsf::data::PacketField> out;
    out.reserve(fields.size());
    for (const Field& f : fields)
        out.push_back(columnOf(f));
    return out;
}

gsf::data::PacketField Table::packetField(const Key& key) const
{
    return columnOf(field(key));
}

// The fields that carry the same kind of value wherever they appear, as
// arguments of the server's methods: without the flags a table gives them.
const Field& branchField()
{
    static const Field f = named(VerifGrupServ::CDFILIAL.name, branch());
    return f;
}
const Field& clientField()
{
    static const Field f = named(Cliente::CDCLIENTE.name, client());
    return f;
}
const Field& groupField()
{
    static const Field f = named(GrupServ::CDGRSERVFAT.name, group());
    return f;
}
const Field& serviceField()
{
    static const Field f = named(VerifServ::CDSERVFILI.name, service());
    return f;
}
const Field& registrationField()
{
    static const Field f = named(Cliente::NRINSJURCLIE.name, registration());
    return f;
}

const Table& grupServ()
{
    static const Table t = makeTable("GRUPSERVFAT", "cdsGrupServ", {GSF_RECORD_GRUPSERV(GSF_RECORD_FIELD)});
    return t;
}

const Table& servClie()
{
    static const Table t = makeTable("SERVGRUPFAT", "cdsServClie", {GSF_RECORD_SERVCLIE(GSF_RECORD_FIELD)});
    return t;
}

const Table& corrPrecGrup()
{
    static const Table t = [] {
        Table table = makeTable("CORRPRECGRUP", "cdsCorrPrecGrup", {GSF_RECORD_CORRPRECGRUP(GSF_RECORD_FIELD)});
        table.bounds = {{CorrPrecGrup::VRPEINICGRUP.name, CorrPrecGrup::VRPEFIMGRUP.name}};
        return table;
    }();
    return t;
}

const Table& cliente()
{
    static const Table t = makeTable("CLIENTE", "cdsCliente", {GSF_RECORD_CLIENTE(GSF_RECORD_FIELD)});
    return t;
}

const Table& paramFilial()
{
    static const Table t = makeTable("PARAMFATFILI", "cdsParamFilial", {GSF_RECORD_PARAMFILIAL(GSF_RECORD_FIELD)});
    return t;
}

const Table& verifGrupServ()
{
    static const Table t = makeTable("", "cdsVerifGrupServ", {GSF_RECORD_VERIFGRUPSERV(GSF_RECORD_FIELD)});
    return t;
}

const Table& pesqServ()
{
    static const Table t = makeTable("", "cdsPesqServ", {GSF_RECORD_PESQSERV(GSF_RECORD_FIELD)});
    return t;
}

const Table& verifServ()
{
    static const Table t = makeTable("", "cdsVerifServ", {GSF_RECORD_VERIFSERV(GSF_RECORD_FIELD)});
    return t;
}

const Table& intervMaior()
{
    static const Table t = makeTable("", "cdsIntervMaior", {GSF_RECORD_INTERVMAIOR(GSF_RECORD_FIELD)});
    return t;
}

const Table& filial()
{
    static const Table t = makeTable("FILIAL", "qryFilial", {GSF_RECORD_FILIAL(GSF_RECORD_FIELD)});
    return t;
}

#undef GSF_RECORD_FIELD

// --- texts -----------------------------------------------------------------

namespace {

// Decodes the code point at @p i, advancing it; -1 for a malformed sequence
// (stray continuation, truncation, overlong form, surrogate, past U+10FFFF).
long decodeAt(std::string_view s, std::size_t& i)
{
    const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(s[k]); };
    const auto cont = [&](std::size_t k) { return k < s.size() && (byte(k) & 0xC0) == 0x80; };
    const unsigned char lead = byte(i);
    if (lead < 0x80) {
        ++i;
        return lead;
    }
    std::size_t extra = 0;
    long cp = 0;
    if (lead >= 0xC2 && lead <= 0xDF) {
        extra = 1;
        cp = lead & 0x1F;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        extra = 2;
        cp = lead & 0x0F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        extra = 3;
        cp = lead & 0x07;
    } else {
        return -1;
    }
    for (std::size_t k = 1; k <= extra; ++k) {
        if (!cont(i + k))
            return -1;
        cp = (cp << 6) | (byte(i + k) & 0x3F);
    }
    if ((extra == 2 && cp < 0x800) || (extra == 3 && (cp < 0x10000 || cp > 0x10FFFF)) || (cp >= 0xD800 && cp <= 0xDFFF))
        return -1;
    i += extra + 1;
    return cp;
}

bool isControl(long cp)
{
    return cp < 0x20 || (cp >= 0x7F && cp <= 0x9F);
}
bool isDigit(long cp)
{
    return cp >= '0' && cp <= '9';
}
bool isLetter(long cp)
{
    return (cp >= 'A' && cp <= 'Z') || (cp >= 'a' && cp <= 'z');
}

bool accepts(unsigned chars, long cp)
{
    if (chars & Printable)
        return true;
    return ((chars & Digits) && isDigit(cp)) || ((chars & Letters) && isLetter(cp)) || ((chars & Blanks) && cp == ' ');
}

std::string allowedWords(unsigned chars)
{
    std::vector<const char*> words;
    if (chars & Letters)
        words.push_back("letras");
    if (chars & Digits)
        words.push_back("dígitos");
    if (chars & Blanks)
        words.push_back("espaços");
    std::string out = "use apenas ";
    for (std::size_t i = 0; i < words.size(); ++i) {
        if (i > 0)
            out += i + 1 == words.size() ? " e " : ", ";
        out += words[i];
    }
    return out + ".";
}

} // namespace

int utf8Length(std::string_view text)
{
    int count = 0;
    for (std::size_t i = 0; i < text.size(); ++count)
        if (decodeAt(text, i) < 0)
            return -1;
    return count;
}

bool isBlank(std::string_view text)
{
    return text.find_first_not_of(' ') == std::string_view::npos;
}

bool isCleanText(std::string_view text)
{
    for (std::size_t i = 0; i < text.size();) {
        const long cp = decodeAt(text, i);
        if (cp < 0 || isControl(cp))
            return false;
    }
    return true;
}

std::string textProblem(const Field& field, std::string_view text)
{
    int length = 0;
    bool control = false;
    bool foreign = false;
    for (std::size_t i = 0; i < text.size(); ++length) {
        const long cp = decodeAt(text, i);
        if (cp < 0)
            return "texto com codificação inválida (UTF-8).";
        control = control || isControl(cp);
        foreign = foreign || !accepts(field.chars, cp);
    }
    if (length > field.size)
        return field.size == 1 ? "no máximo 1 caractere." : "no máximo " + std::to_string(field.size) + " caracteres.";
    if (control)
        return "caracteres de controle não são permitidos.";
    if (foreign)
        return allowedWords(field.chars);
    return "";
}

std::string choiceProblem(const Field& field, std::string_view text)
{
    if (field.choices.empty() || isBlank(text))
        return "";
    for (const std::string& choice : field.choices)
        if (text == choice)
            return "";
    std::string list;
    for (std::size_t i = 0; i < field.choices.size(); ++i)
        list += (i == 0 ? "\"" : i + 1 == field.choices.size() ? " ou \"" : ", \"") + field.choices[i] + "\"";
    return "aceita apenas vazio, " + list + ".";
}

std::string editMask(const Field& field)
{
    const char place = (field.chars & Printable) ? 'c' : (field.chars & Letters) ? 'a' : '9';
    return std::string(field.upper ? ">" : "") + std::string(static_cast<std::size_t>(field.size), place) + ";0; ";
}

// --- numbers ---------------------------------------------------------------

std::string shown(const Field& field, double value)
{
    return gsf::data::formatNumber(value, field.format);
}

std::string rangeProblem(const Field& field, double value)
{
    if (!std::isfinite(value))
        return "deve ser um número finito.";
    if (field.lowOpen ? value <= field.low : value < field.low)
        return std::string(field.lowOpen ? "deve ser maior que " : "deve ser maior ou igual a ") +
               shown(field, field.low) + ".";
    if (field.highOpen ? value >= field.high : value > field.high)
        return std::string(field.highOpen ? "deve ser menor que " : "deve ser menor ou igual a ") +
               shown(field, field.high) + ".";
    return "";
}

BoundsCheck checkBounds(int decimals, const std::optional<double>& lower, const std::optional<double>& upper)
{
    if (!upper)
        return lower ? BoundsCheck::UpperMissing : BoundsCheck::Ok;
    return roundHalfAway(*upper, decimals) <= roundHalfAway(lower.value_or(0.0), decimals) ? BoundsCheck::UpperNotAbove
                                                                                           : BoundsCheck::Ok;
}

} // namespace gsf::records
