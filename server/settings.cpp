#include "server/settings.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <fstream>

namespace gsf::server {

namespace {

std::string_view trimmed(std::string_view text)
{
    const auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
    while (!text.empty() && blank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && blank(text.back()))
        text.remove_suffix(1);
    return text;
}

// A whole number from @p min to @p max, nothing else around it.
bool wholeNumber(std::string_view text, long min, long max, long& out)
{
    const std::string copy(text);
    char* end = nullptr;
    errno = 0;
    const long value = std::strtol(copy.c_str(), &end, 10);
    if (copy.empty() || end != copy.c_str() + copy.size() || errno == ERANGE || value < min || value > max)
        return false;
    out = value;
    return true;
}

struct NumberSetting {
    const char* name;
    long min, max;
    void (*apply)(ServerOptions&, long);
};

const NumberSetting kNumbers[] = {
    {"port", 0, 65535, [](ServerOptions& o, long n) { o.port = static_cast<int>(n); }},
    {"workers", 1, 1024, [](ServerOptions& o, long n) { o.workers = static_cast<int>(n); }},
    {"max-connections", 1, 1000000, [](ServerOptions& o, long n) { o.maxConnections = static_cast<int>(n); }},
    {"idle-timeout", 1, 1000000, [](ServerOptions& o, long n) { o.keepAliveTimeout = std::chrono::seconds(n); }},
    {"request-timeout", 1, 1000000, [](ServerOptions& o, long n) { o.readTimeout = std::chrono::seconds(n); }},
    {"history-days", 0, 36500, [](ServerOptions& o, long n) { o.historyDays = static_cast<int>(n); }},
};

// Settings that are switches: `--demo` on the command line, `demo = yes` in the file.
const char* const kSwitches[] = {"demo", "metrics"};

bool isSwitch(std::string_view name)
{
    return std::find(std::begin(kSwitches), std::end(kSwitches), name) != std::end(kSwitches);
}

// Secrets and names are compared and logged as they are: no blanks or
// control characters that a copy and paste would add unseen.
bool plainText(std::string_view text)
{
    return std::all_of(text.begin(), text.end(),
                       [](char c) { return static_cast<unsigned char>(c) > ' ' && c != '\x7f'; });
}

bool isSetting(std::string_view name)
{
    if (isSwitch(name))
        return true;
    for (const char* text : {"sqlite", "postgres", "listen", "token-file"})
        if (name == text)
            return true;
    return std::any_of(std::begin(kNumbers), std::end(kNumbers),
                       [&](const NumberSetting& number) { return name == number.name; });
}

} // namespace

bool parseSwitch(std::string_view text, bool& value)
{
    std::string lower(trimmed(text));
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; });
    for (const char* yes : {"1", "yes", "on", "true", "sim", "s"})
        if (lower == yes)
            return value = true, true;
    for (const char* no : {"0", "no", "off", "false", "não", "nao", "n"})
        if (lower == no)
            return value = false, true;
    return false;
}

std::string applySetting(ServerSettings& settings, std::string_view name, std::string_view rawValue)
{
    ServerOptions& options = settings.options;
    const std::string value(trimmed(rawValue));
    const std::string label(name);
    if (name == "sqlite" || name == "postgres") {
        if (value.empty())
            return "falta o valor de " + label;
        const bool postgres = gsf::sql::engineOf(value) == gsf::sql::Engine::PostgreSQL;
        if (name == "postgres" && !postgres)
            return "postgres espera uma URI postgres:// ou uma conexão chave=valor";
        if (name == "sqlite" && postgres)
            return "sqlite espera o caminho de um arquivo, não uma conexão PostgreSQL";
        options.database = value;
        return "";
    }
    if (name == "listen") {
        if (value.empty())
            return "falta o valor de listen";
        options.listen = value;
        return "";
    }
    if (name == "token-file") {
        if (value.empty())
            return "falta o valor de token-file";
        settings.tokenFile = value;
        return "";
    }
    if (isSwitch(name)) {
        bool on = false;
        if (!parseSwitch(value, on))
            return "valor inválido para " + label + ": " + value + " (use sim ou não)";
        (name == "demo" ? options.demo : options.metrics) = on;
        return "";
    }
    for (const NumberSetting& number : kNumbers) {
        if (name != number.name)
            continue;
        long n = 0;
        if (!wholeNumber(value, number.min, number.max, n))
            return name == "port" ? "porta inválida: " + value : "valor inválido para " + label + ": " + value;
        number.apply(options, n);
        return "";
    }
    return "configuração desconhecida: " + label;
}

std::string readConfigFile(const std::string& path, ServerSettings& settings)
{
    std::ifstream in(path);
    if (!in)
        return "não foi possível ler o arquivo de configuração " + path;
    std::string line;
    for (int number = 1; std::getline(in, line); ++number) {
        const std::string_view text = trimmed(line);
        if (text.empty() || text.front() == '#')
            continue;
        const size_t equals = text.find('=');
        const std::string where = path + ", linha " + std::to_string(number) + ": ";
        if (equals == std::string_view::npos)
            return where + "esperado nome = valor";
        const std::string_view name = trimmed(text.substr(0, equals));
        if (const std::string problem = applySetting(settings, name, text.substr(equals + 1)); !problem.empty())
            return where + problem;
    }
    settings.configFile = path;
    return "";
}

std::string parseServerArguments(const std::vector<std::string>& args, ServerSettings& settings)
{
    // The file goes first so that every option, before or after --config, wins over it.
    for (size_t i = 0; i < args.size(); ++i) {
        if (args[i] != "--config")
            continue;
        if (i + 1 >= args.size())
            return "falta o valor de --config";
        if (const std::string problem = readConfigFile(args[i + 1], settings); !problem.empty())
            return problem;
    }
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg == "--config") {
            ++i;
            continue;
        }
        const std::string name = arg.starts_with("--") ? arg.substr(2) : std::string();
        if (!isSetting(name))
            return "opção desconhecida: " + arg;
        if (isSwitch(name)) {
            applySetting(settings, name, "yes");
            continue;
        }
        if (i + 1 >= args.size())
            return "falta o valor de " + arg;
        if (const std::string problem = applySetting(settings, name, args[++i]); !problem.empty())
            return problem;
    }
    return "";
}

std::string readTokenFile(const std::string& path, std::vector<AccessToken>& tokens)
{
    std::ifstream in(path);
    if (!in)
        return "não foi possível ler o arquivo da chave de acesso " + path;
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);)
        if (const std::string_view text = trimmed(line); !text.empty())
            lines.emplace_back(text);
    if (lines.empty())
        return "o arquivo da chave de acesso está vazio";
    std::vector<AccessToken> read;
    for (size_t n = 0; n < lines.size(); ++n) {
        const std::string& line = lines[n];
        const std::string where = path + ", linha " + std::to_string(n + 1) + ": ";
        if (!plainText(line))
            return where + "a chave não pode ter espaços nem caracteres de controle";
        const size_t colon = line.find(':');
        if (colon == std::string::npos) {
            if (lines.size() > 1)
                return where + "use nome:chave em cada linha";
            read.push_back({"", line});
            continue;
        }
        AccessToken token{line.substr(0, colon), line.substr(colon + 1)};
        if (token.name.empty() || token.secret.empty())
            return where + "use nome:chave, ambos preenchidos";
        for (const AccessToken& other : read) {
            if (other.name == token.name)
                return where + "nome " + token.name + " repetido";
            if (other.secret == token.secret)
                return where + "chave repetida";
        }
        read.push_back(std::move(token));
    }
    // One line was all a token file held before names: "a:b" then was the
    // secret itself, and clients that send it are still let in.
    if (lines.size() == 1 && !read.front().name.empty())
        read.push_back({"", lines.front()});
    tokens = std::move(read);
    return "";
}

const char* serverVersion()
{
    return GSF_VERSION;
}

} // namespace gsf::server
