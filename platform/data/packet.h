#pragma once

#include "platform/data/value.h"

#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace gsf::data {

enum class FieldType { String, FixedString, Float };

/// Column of a packet: what travels between server and client.
struct PacketField {
    std::string name;
    FieldType type = FieldType::String;
    int size = 0; ///< characters (UTF-8 code points) for text fields; 0 for numbers
};

/// A data packet: column definitions and rows of values in column order.
///
/// JSON form:
/// @code
/// {"fields": [{"name": "CDFILIAL", "type": "string", "size": 4},
///             {"name": "QTEFETMINIGSF", "type": "float"}],
///  "rows": [["0001", 2.5], ["0002", null]]}
/// @endcode
/// Types are "string", "fixedstring" and "float"; null is JSON null.
struct Packet {
    std::vector<PacketField> fields;
    std::vector<std::vector<Value>> rows;

    /// Index of the column called @p name, or -1.
    int indexOf(std::string_view name) const;
};

enum class ChangeKind { Insert, Update, Delete };

/// One pending change of a delta. An insert carries only new values, a delete
/// only the original ones, an update both.
struct Change {
    ChangeKind kind = ChangeKind::Insert;
    std::vector<Value> oldValues;
    std::vector<Value> newValues;
};

/// The pending changes of a dataset, in the order they were first logged.
///
/// JSON form:
/// @code
/// {"fields": [...as in a packet...],
///  "changes": [{"op": "insert", "new": [...]},
///              {"op": "update", "old": [...], "new": [...]},
///              {"op": "delete", "old": [...]}]}
/// @endcode
struct Delta {
    std::vector<PacketField> fields;
    std::vector<Change> changes;

    int indexOf(std::string_view name) const;
};

/// Raised for a packet or delta that cannot be read; the message is in
/// Portuguese and names what is wrong.
class PacketError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

std::string encodePacket(const Packet& packet);

/// Writes a packet in one pass, straight into a string the caller keeps and
/// may reuse from one packet to the next (its capacity is kept). After the
/// constructor, each row is BeginRow, one value per field in the fields'
/// order, EndRow; End closes the packet. The text is what encodePacket writes
/// for the same rows; the writer does not check the values against the fields.
class PacketWriter {
public:
    /// Clears @p out and writes the field list into it.
    PacketWriter(std::string& out, const std::vector<PacketField>& fields);

    void BeginRow();
    void Null();
    /// A number; one that is not finite is written as null (JSON has neither).
    void Number(double value);
    /// A text; a byte that is not UTF-8 is written as U+FFFD.
    void Text(std::string_view text);
    void Write(const Value& value);
    void EndRow();
    /// Closes the packet. @return the string given to the constructor.
    std::string& End();

private:
    void separate();

    std::string& out_;
    bool firstRow_ = true;
    bool firstValue_ = true;
};
/// @throws PacketError on malformed JSON, an unknown type, a row of the wrong
/// width or a value of the wrong kind for its column.
Packet decodePacket(std::string_view json);

std::string encodeDelta(const Delta& delta);
/// Reads a delta strictly: besides what decodePacket refuses, a key repeated
/// in an object, a number too large for a double, a text with a control
/// character (escaped ones included) and nesting deeper than a delta needs.
/// @throws PacketError as decodePacket.
Delta decodeDelta(std::string_view json);

/// Checks that @p json is one strict JSON text: well formed, valid UTF-8, no
/// key repeated within an object, every number within a double's range,
/// no control character (C0, DEL, C1) in any text or key, and arrays and
/// objects nested at most @p maxDepth deep. Runs in one pass without
/// recursion, so no input can exhaust the stack.
/// @return "" when it is, otherwise the reason in Portuguese ("chave \"op\" repetida.").
std::string strictJsonProblem(std::string_view json, int maxDepth);

const char* fieldTypeName(FieldType type);

} // namespace gsf::data
