#pragma once

#include <sys/types.h>

namespace gsf::test {

/// Waits for child @p pid to end; one still running after @p graceSeconds
/// is killed (SIGKILL, which its wait status shows) and named on stderr as
/// @p what, so a child that hangs fails its test instead of stalling the run.
/// @return the child's wait status.
int waitOrKill(pid_t pid, int graceSeconds, const char* what);

} // namespace gsf::test
