#pragma once

#include "platform/data/packet.h"
#include "records/records.h"

#include <cstddef>
#include <stdexcept>
#include <string>

namespace gsf::records {

/// A delta, or one of its rows, that the declarations refuse. The message is
/// in Portuguese and names the change and the field.
class Refusal : public std::runtime_error {
public:
    enum class Kind {
        Malformed, ///< not a delta of the table: unknown field, wrong kind, too long, bad characters
        Rule,      ///< a rule of a row: required, range, choice, key changed, bounds
    };
    Refusal(Kind kind, const std::string& message) : std::runtime_error(message), kind_(kind) {}
    Kind GetKind() const { return kind_; }

private:
    Kind kind_;
};

/// Checks every change of @p delta against @p table, one row at a time.
///
/// The delta's fields must be fields of the table with their kinds and at most
/// their sizes; the keys must be there, and every stored field too when the
/// delta updates or deletes (the original values are compared with the
/// stored row). Every new row must then satisfy each field's characters,
/// presence, choices and range, the table's bounds, and an update must leave
/// the keys as they were. Original values are taken as they are: they are
/// what the sender read and are only checked to be clean texts.
///
/// @return the delta to store: the same changes, with every new number that
/// differs from its original rounded as the field shows it (an unchanged
/// value is kept as stored, so an untouched row stays as it was).
/// @throws Refusal for the first problem found.
gsf::data::Delta checkDelta(const Table& table, const gsf::data::Delta& delta);

/// How messages name change @p index (0-based) of @p delta: "Alteração 2 (grupo 001)".
std::string changeName(const Table& table, const gsf::data::Delta& delta, std::size_t index);

} // namespace gsf::records
