#pragma once

#include <QString>

namespace gsf::qt {

class HostWindow;

/// A short scripted visit of the screen, for machines without a display:
/// opens it, types branch @p branch and client @p client, leaves the filter,
/// visits every page that can be entered, and saves a PNG of the host
/// window after each step in @p directory, printing each file's path.
/// @return 0 when every step ran and every picture was written, 1 otherwise.
int runTour(HostWindow& window, const QString& directory, const QString& branch, const QString& client);

} // namespace gsf::qt
