#pragma once

#include "platform/host/host_context.h"

#include <QString>
#include <QStringList>

namespace gsf::qt {

/// The host application's configuration: an INI file (--config FILE) with
/// the command line on top of it.
///
/// @code
/// [host]
/// branch=0001
/// branchName=Filial Centro
/// branchFixed=false
/// server=127.0.0.1:8211
/// database=/var/lib/grupservfat/geral.db
/// user=maria
/// userFromLogin=true
/// tokenFile=/etc/grupservfat/desk.token
/// [package]
/// path=/usr/lib/grupservfat/libCli_Vex04120.so
/// [billingTypes]
/// 001=EXCDIA,TABCORR
/// @endcode
/// `[billingTypes]` gives each billing type code its parameter names in
/// order; when present it replaces the built-in one, the demo data's
/// 001=EXCDIA,TABCORR. Without `server`, the host calls 127.0.0.1 at the
/// server's usual port.
/// `user` is the name the server's change history records; without one,
/// `userFromLogin=true` takes the login name of whoever runs the host.
/// `tokenFile` names a file whose first line is the server's access token.
/// Options: --config FILE, --branch CODE, --branch-name NAME, --branch-fixed,
/// --branch-free, --server HOST:PORT, --database PATH, --user NAME,
/// --token-file FILE, --package PATH, --tour DIR (a scripted, headless tour
/// that saves screenshots in DIR).
///
/// An installed host (in <root>/usr/lib/grupservfat-desktop) reads
/// <root>/etc/grupservfat/host.ini when no --config is given.
struct HostOptions {
    host::HostContext context;
    QString packagePath;
    QString tourDirectory;
    /// Empty when the options are valid; otherwise what is wrong, in Portuguese.
    QString error;
};

/// Reads the options of @p arguments (program name first).
/// @param defaultConfig the file read when no --config is given; none when empty.
HostOptions parseHostOptions(const QStringList& arguments, const QString& defaultConfig = {});

/// The configuration an installed host reads without --config: beside
/// @p programDir = <root>/usr/lib/grupservfat-desktop, <root>/etc/grupservfat/host.ini
/// when it exists; empty otherwise (a build tree, say).
QString installedConfig(const QString& programDir);

/// Splits "HOST:PORT". @return false when the port is not a number in 1..65535.
bool parseServer(const QString& text, std::string& host, int& port);

} // namespace gsf::qt
