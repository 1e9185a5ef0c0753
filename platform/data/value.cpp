#include "platform/data/value.h"

namespace gsf::data {

bool sameValue(const Value& a, const Value& b)
{
    return a == b;
}

} // namespace gsf::data
