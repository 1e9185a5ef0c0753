#pragma once

#include "server/app_server.h"

#include <string>
#include <string_view>
#include <vector>

namespace gsf::server {

/// What the server's command line and configuration file set: the server's
/// options and the files they name.
struct ServerSettings {
    ServerOptions options;
    std::string tokenFile;  ///< read into options.tokens by loadTokens
    std::string configFile; ///< the file given with --config, if any
};

/// Applies the setting @p name (an option's name without its dashes, as
/// the configuration file spells it: `port`, `max-connections`, `demo`) with
/// @p value.
/// @return "" when applied, otherwise what is wrong, in Portuguese.
std::string applySetting(ServerSettings& settings, std::string_view name, std::string_view value);

/// Reads a configuration file: one `name = value` per line, `#` starting a
/// comment line, blank lines ignored; the names are those of applySetting.
/// @return "" when every line applied, otherwise the first problem with its
/// file and line number.
std::string readConfigFile(const std::string& path, ServerSettings& settings);

/// Parses the server's options (@p args without the program name): the file
/// of `--config FILE` first, wherever it stands, then every option on top of
/// it, so an option wins over the file.
/// @return "" when sound, otherwise what is wrong.
std::string parseServerArguments(const std::vector<std::string>& args, ServerSettings& settings);

/// Reads an access-token file: one `name:secret` per line, or a single
/// line holding a secret alone (the token then has no name). Blank lines are
/// skipped. A single `name:secret` line is also accepted whole as a secret,
/// as a file written before names existed meant it.
/// @return "" when sound, otherwise what is wrong.
std::string readTokenFile(const std::string& path, std::vector<AccessToken>& tokens);

/// `yes`/`no` and their kin (`on`, `true`, `1`, `sim`, `não`...).
/// @return false when @p text is none of them.
bool parseSwitch(std::string_view text, bool& value);

/// The server's version, as `--version` prints it.
const char* serverVersion();

} // namespace gsf::server
