// Reaches a field of a dataset by its record key. The records tests compile it
// with GSF_FIELD set to a declared field, where it must build, and to a
// misspelt one, where the compiler must refuse it naming that field.

#include "platform/data/dataset.h"
#include "records/fields.h"

#include <string>

#ifndef GSF_FIELD
#error "GSF_FIELD must name the field to reach"
#endif

std::string groupCode(const gsf::data::DataSet& groups)
{
    return groups.FieldByName(gsf::rec::GrupServ::GSF_FIELD).AsString();
}
