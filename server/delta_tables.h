#pragma once

// The tables that take deltas, each with the rules its rows follow beyond
// their fields' declarations.

#include "server/delta.h"

namespace gsf::server {

/// GRUPSERVFAT: a new group needs its client; a group names as its
/// correction service only one of its own services.
const DeltaTable& groupDeltas();
/// SERVGRUPFAT: a new assignment needs its group and a service the client
/// may be billed for; a group stops naming a correction service removed from it.
const DeltaTable& serviceDeltas();
/// CORRPRECGRUP: a new interval needs its group; once every change is in
/// place, each interval touched meets its neighbours and each one removed
/// leaves its neighbours meeting.
const DeltaTable& correctionDeltas();

} // namespace gsf::server
