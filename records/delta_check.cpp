#include "records/delta_check.h"

#include <cmath>
#include <string_view>

namespace gsf::records {

using gsf::data::Change;
using gsf::data::ChangeKind;
using gsf::data::Delta;
using gsf::data::Value;

namespace {

[[noreturn]] void malformed(const std::string& message)
{
    throw Refusal(Refusal::Kind::Malformed, message);
}
[[noreturn]] void rule(const std::string& message)
{
    throw Refusal(Refusal::Kind::Rule, message);
}

const std::vector<Value>& rowOf(const Change& change)
{
    return change.kind == ChangeKind::Insert ? change.newValues : change.oldValues;
}

std::string textAt(const Delta& delta, const std::vector<Value>& row, const Key& key)
{
    const int i = delta.indexOf(key.name);
    if (i < 0 || static_cast<std::size_t>(i) >= row.size())
        return "?";
    const auto* s = std::get_if<std::string>(&row[static_cast<std::size_t>(i)]);
    return s ? *s : "";
}

std::string numberAt(const Table& table, const Delta& delta, const std::vector<Value>& row, const Key& key)
{
    const int i = delta.indexOf(key.name);
    if (i < 0 || static_cast<std::size_t>(i) >= row.size())
        return "?";
    const auto* d = std::get_if<double>(&row[static_cast<std::size_t>(i)]);
    return d ? shown(table.field(key), *d) : "(vazio)";
}

// The row a change is about, by its key: the original row for an update or a
// deletion, the new one for an insertion.
std::string rowName(const Table& table, const Delta& delta, const Change& change)
{
    const auto& row = rowOf(change);
    const std::string_view name = table.table;
    if (name == "SERVGRUPFAT")
        return "do serviço " + textAt(delta, row, ServClie::CDSERVFILI) + " do grupo " +
               textAt(delta, row, ServClie::CDGRSERVFAT);
    if (name == "CORRPRECGRUP")
        return "do intervalo de " + numberAt(table, delta, row, CorrPrecGrup::VRPEINICGRUP) + " a " +
               numberAt(table, delta, row, CorrPrecGrup::VRPEFIMGRUP);
    return "do grupo " + textAt(delta, row, GrupServ::CDGRSERVFAT);
}

std::string fieldName(const Field& field)
{
    return "o campo " + std::string(field.name) + " (" + field.label + ")";
}

void checkFields(const Table& table, const Delta& delta)
{
    for (const auto& f : delta.fields) {
        const Field* known = table.find(f.name);
        if (!known)
            malformed("campo desconhecido " + f.name + ".");
        if ((f.type == gsf::data::FieldType::Float) != known->isNumber())
            malformed("o campo " + f.name + " deve ser do tipo " + gsf::data::fieldTypeName(known->type) + ".");
        if (!known->isNumber() && (f.size <= 0 || f.size > known->size))
            malformed("o campo " + f.name + " tem no máximo " + std::to_string(known->size) + " caracteres.");
    }
    bool changesStored = false;
    bool inserts = false;
    for (const auto& c : delta.changes) {
        changesStored = changesStored || c.kind != ChangeKind::Insert;
        inserts = inserts || c.kind == ChangeKind::Insert;
    }
    for (const Field& f : table.fields) {
        if (delta.indexOf(f.name) >= 0)
            continue;
        if (f.key || (inserts && f.required))
            malformed("falta o campo " + std::string(f.name) + ".");
        // Updates and deletions are matched on every column, so that a row
        // changed by someone else since it was read is never overwritten.
        if (changesStored && f.stored)
            malformed("falta o campo " + std::string(f.name) +
                      ": alterações e exclusões devem trazer o valor original de cada campo.");
    }
}

// Kinds and forms of the values of one change; the row's rules come later.
void checkValues(const Table& table, const Delta& delta, const Change& change, const std::string& where)
{
    const std::size_t width = delta.fields.size();
    const bool hasOld = change.kind != ChangeKind::Insert;
    const bool hasNew = change.kind != ChangeKind::Delete;
    if ((hasOld && change.oldValues.size() != width) || (hasNew && change.newValues.size() != width))
        malformed(where + "número de valores diferente do número de campos.");
    for (std::size_t i = 0; i < width; ++i) {
        const Field& field = *table.find(delta.fields[i].name);
        if (hasOld && !gsf::data::isNull(change.oldValues[i])) {
            const Value& old = change.oldValues[i];
            if (std::holds_alternative<double>(old) != field.isNumber())
                malformed(where + "valor original do campo " + field.name + " com tipo errado.");
            if (const auto* s = std::get_if<std::string>(&old); s && !isCleanText(*s))
                malformed(where + "valor original do campo " + field.name +
                          ": texto com caracteres de controle ou codificação inválida.");
            if (const auto* d = std::get_if<double>(&old); d && !std::isfinite(*d))
                malformed(where + "valor original do campo " + field.name + " deve ser um número finito.");
        }
        if (!hasNew || gsf::data::isNull(change.newValues[i]))
            continue;
        const Value& value = change.newValues[i];
        if (field.isNumber()) {
            const auto* d = std::get_if<double>(&value);
            if (!d)
                malformed(where + "o campo " + field.name + " deve ser numérico.");
            if (!std::isfinite(*d))
                malformed(where + "o campo " + field.name + " deve ser um número finito.");
            continue;
        }
        const auto* s = std::get_if<std::string>(&value);
        if (!s)
            malformed(where + "o campo " + field.name + " deve ser um texto.");
        if (const std::string problem = textProblem(field, *s); !problem.empty())
            malformed(where + "campo " + field.name + ": " + problem);
    }
}

// The rules of one new row, on the values as they will be stored.
void checkRow(const Table& table, const Delta& delta, const Change& change, const std::vector<Value>& row,
              const std::string& where)
{
    for (std::size_t i = 0; i < delta.fields.size(); ++i) {
        const Field& field = *table.find(delta.fields[i].name);
        const Value& value = row[i];
        if (change.kind == ChangeKind::Update && field.key && !gsf::data::sameValue(value, change.oldValues[i]))
            rule(where + fieldName(field) + " não pode ser alterado: ele identifica o registro.");
        const auto* s = std::get_if<std::string>(&value);
        if (field.required && (gsf::data::isNull(value) || (s && isBlank(*s))))
            rule(where + fieldName(field) + " deve ser informado.");
        if (s) {
            if (const std::string problem = choiceProblem(field, *s); !problem.empty())
                rule(where + fieldName(field) + " " + problem);
        } else if (const auto* d = std::get_if<double>(&value)) {
            // Judged as shown: what an older version stored with more decimals is
            // judged the way the screen shows it.
            if (const std::string problem = rangeProblem(field, roundHalfAway(*d, field.decimals)); !problem.empty())
                rule(where + fieldName(field) + " " + problem);
        }
    }
    const auto number = [&](const char* name) -> std::optional<double> {
        const int i = delta.indexOf(name);
        const auto* d = i < 0 ? nullptr : std::get_if<double>(&row[static_cast<std::size_t>(i)]);
        return d ? std::optional<double>(*d) : std::nullopt;
    };
    for (const Bounds& b : table.bounds) {
        const Field& lower = *table.find(b.lower);
        const Field& upper = *table.find(b.upper);
        switch (checkBounds(lower.decimals, number(b.lower), number(b.upper))) {
        case BoundsCheck::Ok: break;
        case BoundsCheck::UpperMissing:
            rule(where + fieldName(upper) + " deve ser informado quando " + fieldName(lower) + " tem valor.");
        case BoundsCheck::UpperNotAbove:
            rule(where + fieldName(upper) + " deve ser maior que " + fieldName(lower) + " (" +
                 shown(lower, number(b.lower).value_or(0.0)) + ").");
        }
    }
}

const char* kindWord(ChangeKind kind)
{
    switch (kind) {
    case ChangeKind::Insert: return "Inclusão";
    case ChangeKind::Update: return "Alteração";
    case ChangeKind::Delete: return "Exclusão";
    }
    return "";
}

} // namespace

std::string changeName(const Table& table, const Delta& delta, std::size_t index)
{
    const Change& change = delta.changes.at(index);
    std::string out = std::string(kindWord(change.kind)) + " " + rowName(table, delta, change);
    if (delta.changes.size() > 1)
        out += " (item " + std::to_string(index + 1) + " do pacote)";
    return out;
}

Delta checkDelta(const Table& table, const Delta& delta)
{
    checkFields(table, delta);
    Delta stored{delta.fields, {}};
    stored.changes.reserve(delta.changes.size());
    for (std::size_t n = 0; n < delta.changes.size(); ++n) {
        const Change& change = delta.changes[n];
        checkValues(table, delta, change, "alteração " + std::to_string(n + 1) + ": ");
        Change out = change;
        if (change.kind != ChangeKind::Delete) {
            for (std::size_t i = 0; i < delta.fields.size(); ++i) {
                auto* d = std::get_if<double>(&out.newValues[i]);
                if (!d)
                    continue;
                const bool unchanged =
                    change.kind == ChangeKind::Update && gsf::data::sameValue(change.newValues[i], change.oldValues[i]);
                if (!unchanged)
                    *d = roundHalfAway(*d, table.find(delta.fields[i].name)->decimals);
            }
            checkRow(table, delta, change, out.newValues, changeName(table, delta, n) + ": ");
        }
        stored.changes.push_back(std::move(out));
    }
    return stored;
}

} // namespace gsf::records
