#pragma once

// Compile-time keys of the fields of every record: `rec::GrupServ::CDGRSERVFAT`
// names the field CDGRSERVFAT of GRUPSERVFAT, and a misspelt name is a compile
// error. Light on purpose (no standard header): the screen's files include it.

#include "platform/data/field_key.h"
#include "records/field_lists.h"

namespace gsf::records {

/// A field of one record: its name, and its place in the record's fields.
struct Key : data::FieldKey {
    int position;
};

#define GSF_RECORD_POSITION(NAME, DECLARATION) NAME,
#define GSF_RECORD_KEY(NAME, DECLARATION) static constexpr Key NAME{{#NAME}, Position::NAME};
#define GSF_RECORD_LISTED(NAME, DECLARATION) NAME,
// Each record: a key per field, and every key in the list's order (`all`).
#define GSF_RECORD_KEYS(RECORD, FIELDS)                                                                                \
    struct RECORD {                                                                                                    \
        struct Position {                                                                                              \
            enum : int { FIELDS(GSF_RECORD_POSITION) count };                                                          \
        };                                                                                                             \
        FIELDS(GSF_RECORD_KEY)                                                                                         \
        static constexpr Key all[] = {FIELDS(GSF_RECORD_LISTED)};                                                      \
        static constexpr int count = Position::count;                                                                  \
    };

GSF_RECORD_KEYS(GrupServ, GSF_RECORD_GRUPSERV)
GSF_RECORD_KEYS(ServClie, GSF_RECORD_SERVCLIE)
GSF_RECORD_KEYS(CorrPrecGrup, GSF_RECORD_CORRPRECGRUP)
GSF_RECORD_KEYS(Cliente, GSF_RECORD_CLIENTE)
GSF_RECORD_KEYS(ParamFilial, GSF_RECORD_PARAMFILIAL)
GSF_RECORD_KEYS(VerifGrupServ, GSF_RECORD_VERIFGRUPSERV)
GSF_RECORD_KEYS(PesqServ, GSF_RECORD_PESQSERV)
GSF_RECORD_KEYS(VerifServ, GSF_RECORD_VERIFSERV)
GSF_RECORD_KEYS(IntervMaior, GSF_RECORD_INTERVMAIOR)
GSF_RECORD_KEYS(Filial, GSF_RECORD_FILIAL)

/// The group's eight day minimums, Sunday first and holidays last.
inline constexpr Key kDayMinimums[] = {GrupServ::QTEFMINDOMGSF, GrupServ::QTEFMINSEGGSF, GrupServ::QTEFMINTERGSF,
                                       GrupServ::QTEFMINQUAGSF, GrupServ::QTEFMINQUIGSF, GrupServ::QTEFMINSEXGSF,
                                       GrupServ::QTEFMINSABGSF, GrupServ::QTEFMINFERGSF};

#undef GSF_RECORD_KEYS
#undef GSF_RECORD_LISTED
#undef GSF_RECORD_KEY
#undef GSF_RECORD_POSITION

} // namespace gsf::records

namespace gsf {
/// Short name for the keys where fields are named often: `rec::GrupServ::CDFILIAL`.
namespace rec = records;
} // namespace gsf
