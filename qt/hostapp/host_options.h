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
/// [package]
/// path=/usr/lib/grupservfat/libCli_Vex04120.so
/// [billingTypes]
/// 001=EXCDIA,TABCORR
/// @endcode
/// `[billingTypes]` gives each billing type code its parameter names in
/// order; when present it replaces HostContext::defaultBillingTypes().
/// Options: --config FILE, --branch CODE, --branch-name NAME, --branch-fixed,
/// --branch-free, --server HOST:PORT, --database PATH, --package PATH,
/// --tour DIR (a scripted, headless tour that saves screenshots in DIR).
struct HostOptions {
    host::HostContext context;
    QString packagePath;
    QString tourDirectory;
    /// Empty when the options are valid; otherwise what is wrong, in Portuguese.
    QString error;
};

/// Reads the options of @p arguments (program name first).
HostOptions parseHostOptions(const QStringList& arguments);

/// Splits "HOST:PORT". @return false when the port is not a number in 1..65535.
bool parseServer(const QString& text, std::string& host, int& port);

} // namespace gsf::qt
