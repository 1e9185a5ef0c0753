#pragma once

// The billing type the server's demo data is built on. A host whose own
// configuration names no billing type gives its screens this one, so a
// fresh install runs against the demo data as it comes.

#include <map>
#include <string>
#include <vector>

namespace gsf::records {

/// The demo data's billing type code.
inline constexpr const char* kDemoBillingType = "001";

/// The demo billing type with its parameter names in order: day exceptions,
/// then the correction table.
inline std::map<std::string, std::vector<std::string>> demoBillingTypes()
{
    return {{kDemoBillingType, {"EXCDIA", "TABCORR"}}};
}

} // namespace gsf::records
