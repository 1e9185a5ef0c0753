#pragma once

namespace gsf::data {

/// A field named by a compile-time constant instead of a string: a record
/// declaration gives each of its fields one (`rec::GrupServ::CDGRSERVFAT`), so
/// a misspelt name fails to compile instead of failing when its line runs.
/// Kept free of includes: it is seen by every file that names a field.
struct FieldKey {
    const char* name;
};

} // namespace gsf::data
