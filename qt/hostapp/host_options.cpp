#include "qt/hostapp/host_options.h"

#include "records/demo_setup.h"
#include "records/remote_module.h"

#include <QCommandLineParser>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>

#include <algorithm>

#include <pwd.h>
#include <unistd.h>

namespace gsf::qt {

bool parseServer(const QString& text, std::string& host, int& port)
{
    const int colon = text.lastIndexOf(u':');
    if (colon <= 0)
        return false;
    bool ok = false;
    const int number = text.mid(colon + 1).toInt(&ok);
    if (!ok || number < 1 || number > 65535)
        return false;
    host = text.left(colon).toStdString();
    port = number;
    return true;
}

namespace {

// Empty when the names are sound; otherwise what is wrong with them.
QString readBillingTypeNames(const QStringList& items, std::vector<std::string>& names)
{
    // "004=" reads as one empty item.
    if (items.join(QString()).trimmed().isEmpty())
        return QStringLiteral("nenhum parâmetro");
    for (const QString& item : items) {
        const QString name = item.trimmed();
        if (name.isEmpty())
            return QStringLiteral("parâmetro vazio");
        if (std::find(names.begin(), names.end(), name.toStdString()) != names.end())
            return QStringLiteral("parâmetro %1 repetido").arg(name);
        names.push_back(name.toStdString());
    }
    return {};
}

// "001=EXCDIA,TABCORR": QSettings already splits a value at its commas.
// A section that is there replaces the built-in types as a whole.
void readBillingTypes(QSettings& ini, const QString& file, HostOptions& options)
{
    std::map<std::string, std::vector<std::string>> types;
    ini.beginGroup(QStringLiteral("billingTypes"));
    for (const QString& code : ini.childKeys()) {
        std::vector<std::string> names;
        const QString problem = readBillingTypeNames(ini.value(code).toStringList(), names);
        if (!problem.isEmpty()) {
            options.error = QStringLiteral("Tipo de faturamento %1 inválido em %2: %3 (use %1=NOME1,NOME2).")
                                .arg(code, file, problem);
            break;
        }
        types[code.toStdString()] = std::move(names);
    }
    ini.endGroup();
    if (options.error.isEmpty() && !types.empty())
        options.context.billingTypes = std::move(types);
}

// What the host runs with before its configuration and command line speak:
// the server on this machine at its usual port, and the demo data's billing type.
HostOptions builtInOptions()
{
    HostOptions options;
    options.context.serverPort = records::kServerPort;
    options.context.billingTypes = records::demoBillingTypes();
    return options;
}

// What the file says of the user and the token, settled once the options are read.
struct Identity {
    bool userFromLogin = false;
    QString tokenFile;
};

// The login name of whoever runs the host; empty when the system has none.
std::string loginName()
{
    if (const passwd* entry = getpwuid(getuid()); entry != nullptr && entry->pw_name != nullptr)
        return entry->pw_name;
    return qEnvironmentVariable("USER").toStdString();
}

// The first line of @p file, without blanks around it.
// @return false with a message in @p error when there is none.
bool readToken(const QString& file, std::string& token, QString& error)
{
    QFile in(file);
    if (!in.open(QIODevice::ReadOnly | QIODevice::Text)) {
        error = QStringLiteral("Não foi possível ler o arquivo da chave de acesso: %1").arg(file);
        return false;
    }
    const QString line = QString::fromUtf8(in.readLine()).trimmed();
    if (line.isEmpty() || line.contains(u' ') || line.contains(u'\t')) {
        error = QStringLiteral("O arquivo da chave de acesso %1 deve ter a chave sozinha na primeira linha.").arg(file);
        return false;
    }
    token = line.toStdString();
    return true;
}

void readConfig(const QString& file, HostOptions& options, Identity& identity)
{
    if (!QFileInfo::exists(file)) {
        options.error = QStringLiteral("Arquivo de configuração não encontrado: %1").arg(file);
        return;
    }
    QSettings ini(file, QSettings::IniFormat);
    if (ini.status() != QSettings::NoError) {
        options.error = QStringLiteral("Arquivo de configuração inválido: %1").arg(file);
        return;
    }
    host::HostContext& context = options.context;
    context.branchCode = ini.value("host/branch", QString::fromStdString(context.branchCode)).toString().toStdString();
    context.branchName =
        ini.value("host/branchName", QString::fromStdString(context.branchName)).toString().toStdString();
    context.branchFixed = ini.value("host/branchFixed", context.branchFixed).toBool();
    context.database = ini.value("host/database", QString::fromStdString(context.database)).toString().toStdString();
    context.userName = ini.value("host/user", QString::fromStdString(context.userName)).toString().toStdString();
    identity.userFromLogin = ini.value("host/userFromLogin", identity.userFromLogin).toBool();
    // A relative path is read from the file's folder, as the file's author saw it.
    if (const QString token = ini.value("host/tokenFile").toString().trimmed(); !token.isEmpty())
        identity.tokenFile = QFileInfo(file).dir().filePath(token);
    if (ini.contains("host/server") &&
        !parseServer(ini.value("host/server").toString(), context.serverHost, context.serverPort))
        options.error = QStringLiteral("Servidor inválido em %1: use HOST:PORTA.").arg(file);
    options.packagePath = ini.value("package/path", options.packagePath).toString();
    if (options.error.isEmpty())
        readBillingTypes(ini, file, options);
}

} // namespace

QString installedConfig(const QString& programDir)
{
    const QDir dir(programDir);
    if (dir.dirName() != QStringLiteral("grupservfat-desktop"))
        return {};
    QDir root = dir;
    if (!root.cdUp() || root.dirName() != QStringLiteral("lib") || !root.cdUp() ||
        root.dirName() != QStringLiteral("usr") || !root.cdUp())
        return {};
    const QString file = root.filePath(QStringLiteral("etc/grupservfat/host.ini"));
    return QFileInfo::exists(file) ? file : QString();
}

HostOptions parseHostOptions(const QStringList& arguments, const QString& defaultConfig)
{
    QCommandLineParser parser;
    const QCommandLineOption config("config", "Arquivo de configuração (INI).", "FILE");
    const QCommandLineOption branch("branch", "Código da filial.", "CODE");
    const QCommandLineOption branchName("branch-name", "Nome da filial.", "NAME");
    const QCommandLineOption branchFixed("branch-fixed", "A filial não pode ser trocada.");
    const QCommandLineOption branchFree("branch-free", "A filial pode ser trocada.");
    const QCommandLineOption server("server", "Servidor de aplicação.", "HOST:PORT");
    const QCommandLineOption database("database", "Banco de dados geral.", "PATH");
    const QCommandLineOption user("user", "Nome do usuário para o histórico de alterações.", "NAME");
    const QCommandLineOption tokenFile("token-file", "Arquivo com a chave de acesso do servidor.", "FILE");
    const QCommandLineOption package("package", "Pacote da tela.", "PATH");
    const QCommandLineOption tour("tour", "Roteiro sem tela, com capturas em DIR.", "DIR");
    parser.addOptions(
        {config, branch, branchName, branchFixed, branchFree, server, database, user, tokenFile, package, tour});

    HostOptions options = builtInOptions();
    if (!parser.parse(arguments)) {
        options.error = parser.errorText();
        return options;
    }
    Identity identity;
    if (parser.isSet(config) || !defaultConfig.isEmpty()) {
        readConfig(parser.isSet(config) ? parser.value(config) : defaultConfig, options, identity);
        if (!options.error.isEmpty())
            return options;
    }
    host::HostContext& context = options.context;
    if (parser.isSet(branch))
        context.branchCode = parser.value(branch).toStdString();
    if (parser.isSet(branchName))
        context.branchName = parser.value(branchName).toStdString();
    if (parser.isSet(branchFixed))
        context.branchFixed = true;
    if (parser.isSet(branchFree))
        context.branchFixed = false;
    if (parser.isSet(database))
        context.database = parser.value(database).toStdString();
    if (parser.isSet(server) && !parseServer(parser.value(server), context.serverHost, context.serverPort)) {
        options.error = QStringLiteral("Servidor inválido: %1 (use HOST:PORTA).").arg(parser.value(server));
        return options;
    }
    if (parser.isSet(user))
        context.userName = parser.value(user).toStdString();
    if (context.userName.empty() && identity.userFromLogin)
        context.userName = loginName();
    if (parser.isSet(tokenFile))
        identity.tokenFile = parser.value(tokenFile);
    if (!identity.tokenFile.isEmpty() && !readToken(identity.tokenFile, context.serverToken, options.error))
        return options;
    if (parser.isSet(package))
        options.packagePath = parser.value(package);
    options.tourDirectory = parser.value(tour);
    if (!parser.positionalArguments().isEmpty())
        options.error = QStringLiteral("Argumento inesperado: %1").arg(parser.positionalArguments().first());
    return options;
}

} // namespace gsf::qt
