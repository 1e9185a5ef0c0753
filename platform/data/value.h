#pragma once

#include <string>
#include <variant>

namespace gsf::data {

/// One cell of a record: null, a number or a text. Null is distinct from the
/// empty text and from 0 everywhere in the engine.
using Value = std::variant<std::monostate, double, std::string>;

inline bool isNull(const Value& v)
{
    return std::holds_alternative<std::monostate>(v);
}

/// Null-safe equality: two nulls are equal; a null never equals 0 or "".
bool sameValue(const Value& a, const Value& b);

} // namespace gsf::data
