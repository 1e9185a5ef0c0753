#pragma once

// The records the screen and the application server exchange, declared once:
// every field of every table with its type, size, characters, presence,
// range and decimals. The server's argument and delta checks read these
// declarations, and the screen's masks and checks can take them from here, so
// both sides accept exactly the same input. The fields of each table are listed
// once, in field_lists.h; fields.h gives them compile-time keys.

#include "platform/data/number_format.h"
#include "platform/data/packet.h"
#include "records/fields.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace gsf::records {

/// Classes of characters a text field takes; a field takes the union of its classes.
enum CharClass : unsigned {
    Digits = 1u << 0,    ///< 0 to 9
    Letters = 1u << 1,   ///< ASCII letters, as the screen's `a` mask places take them
    Blanks = 1u << 2,    ///< the space
    Printable = 1u << 3, ///< any character that is not a control character
};

/// One field of a record.
struct Field {
    const char* name = "";  ///< column name, as in packets and deltas
    const char* label = ""; ///< Portuguese name used in messages ("descrição")
    gsf::data::FieldType type = gsf::data::FieldType::String;
    int size = 0;                     ///< texts: maximum length in characters (code points)
    unsigned chars = Printable;       ///< texts: CharClass bits
    bool upper = false;               ///< texts: letters are entered in upper case
    bool key = false;                 ///< identifies the row: required, never changed by an update
    bool required = false;            ///< must hold a value (a text not blank) in every inserted or updated row
    bool stored = true;               ///< a column of the table (false: shown only, filled from another table)
    const char* format = "";          ///< numbers: display format ("#,##0.000", "0.00%")
    int decimals = 0;                 ///< numbers: decimals shown, and kept when a value is stored
    double low = 0;                   ///< numbers: lower bound
    double high = 0;                  ///< numbers: upper bound
    bool lowOpen = false;             ///< the lower bound itself is refused
    bool highOpen = false;            ///< the upper bound itself is refused
    std::vector<std::string> choices; ///< texts: when not empty, the only values accepted besides a blank one

    bool isNumber() const { return type == gsf::data::FieldType::Float; }
};

/// Two number fields of one row that bound an interval: when the upper one
/// holds a value it must be greater than the lower one (an empty lower counts
/// as 0), and it must hold a value whenever the lower one does.
struct Bounds {
    const char* lower;
    const char* upper;
};

/// How a pair of bounds of one row fares, judged on the values as shown.
enum class BoundsCheck {
    Ok,
    UpperMissing,  ///< the lower bound has a value and the upper one has none
    UpperNotAbove, ///< the upper bound is not above the lower one (an empty lower counts as 0)
};
BoundsCheck checkBounds(int decimals, const std::optional<double>& lower, const std::optional<double>& upper);

/// The fields of one table or look-up result, in packet order.
struct Table {
    const char* table = "";   ///< database table; empty for a look-up result
    const char* dataset = ""; ///< the screen's dataset it fills
    std::vector<Field> fields;
    std::vector<Bounds> bounds; ///< rules between the fields of one row

    /// The field called @p name (exact), or null.
    const Field* find(std::string_view name) const;
    /// The field of key @p key. @throws std::logic_error for a key of another table.
    const Field& field(const Key& key) const;
    /// The column definitions of its packets.
    std::vector<gsf::data::PacketField> packetFields() const;
    /// The column definition of field @p key in its packets.
    gsf::data::PacketField packetField(const Key& key) const;
};

/// cdsGrupServ / GRUPSERVFAT: billing service groups.
const Table& grupServ();
/// cdsServClie / SERVGRUPFAT: services assigned to a group (NMSERVICO comes from SERVFILI).
const Table& servClie();
/// cdsCorrPrecGrup / CORRPRECGRUP: price-correction intervals.
const Table& corrPrecGrup();
/// Look-up results.
const Table& cliente();
const Table& paramFilial();
const Table& verifGrupServ();
const Table& pesqServ();
const Table& verifServ();
const Table& intervMaior();
/// qryFilial / FILIAL: the host's branch table.
const Table& filial();

/// Fields that carry the same kind of value wherever they appear.
const Field& branchField();       ///< CDFILIAL
const Field& clientField();       ///< CDCLIENTE
const Field& groupField();        ///< CDGRSERVFAT
const Field& serviceField();      ///< CDSERVFILI
const Field& registrationField(); ///< NRINSJURCLIE

/// Number of characters (code points) of a UTF-8 text; -1 when the bytes are not valid UTF-8.
int utf8Length(std::string_view text);

/// Whether @p text is empty or holds only blanks.
bool isBlank(std::string_view text);

/// Whether @p text is valid UTF-8 free of control characters (C0, DEL and C1).
bool isCleanText(std::string_view text);

/// @return "" when @p text fits the field's size and characters, otherwise the
/// reason in Portuguese ("no máximo 4 caracteres.", "use apenas dígitos e espaços.").
/// Blank and empty texts are judged here only for their characters.
std::string textProblem(const Field& field, std::string_view text);

/// @return "" when @p value lies in the field's range, otherwise the reason
/// ("deve ser maior que 0,00%.").
std::string rangeProblem(const Field& field, double value);

/// @return "" when @p text is blank or one of the field's choices, otherwise the reason.
std::string choiceProblem(const Field& field, std::string_view text);

/// Rounding of stored numbers: the dataset engine's, so the screen and the
/// server keep the same digits (half away from zero on the typed digits).
using gsf::data::roundHalfAway;

/// The edit mask (`mask;save-literals;blank`) that lets a person type exactly
/// what textProblem accepts for a code field: `9` places for digits, `a` for
/// letters and digits, `c` for any character, `>` first when letters are
/// entered in upper case, blanks as the blank character.
std::string editMask(const Field& field);

/// @p value as the field shows it ("1.234,500", "15,00%").
std::string shown(const Field& field, double value);

} // namespace gsf::records
