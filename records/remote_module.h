#pragma once

// Where the screen and the application server meet: the remote module the
// server serves and the screen calls, and the port the server listens on
// unless its configuration says otherwise.

namespace gsf::records {

/// The remote module's name, the first part of every call's path.
inline constexpr const char* kModuleName = "Vex04120.rdmGrupServFat";

/// The application server's port when nothing else is configured.
inline constexpr int kServerPort = 8211;

} // namespace gsf::records
