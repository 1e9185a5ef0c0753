#include "qt/hostapp/package_loader.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

#include <cstring>

namespace gsf::qt {

namespace {

constexpr const char* unitName = "Cli_Vex04120";

bool hasUnit(const GsfPackageInfo& info)
{
    for (int i = 0; i < info.unitCount; ++i)
        if (info.units[i].name != nullptr && std::strcmp(info.units[i].name, unitName) == 0)
            return true;
    return false;
}

} // namespace

PackageLoader::PackageLoader(QString path) : library_(std::move(path)) {}

PackageLoader::~PackageLoader()
{
    unload();
}

QString PackageLoader::defaultPath()
{
    const QDir dir(QCoreApplication::applicationDirPath());
    const QString file = QStringLiteral("libCli_Vex04120.so");
    for (const QString& candidate : {dir.filePath(file), dir.filePath(QStringLiteral("../package/") + file)})
        if (QFileInfo::exists(candidate))
            return QFileInfo(candidate).canonicalFilePath();
    return dir.filePath(file);
}

bool PackageLoader::fail(const QString& message)
{
    error_ = message;
    info_ = nullptr;
    iniProc_ = finalize_ = nullptr;
    form_ = nullptr;
    if (library_.isLoaded())
        library_.unload();
    return false;
}

bool PackageLoader::load()
{
    if (initialized_)
        return true;
    if (!library_.load())
        return fail(QStringLiteral("Não foi possível carregar o pacote %1: %2")
                        .arg(library_.fileName(), library_.errorString()));
    auto getInfo = reinterpret_cast<GsfGetPackageInfoTable>(library_.resolve("GetPackageInfoTable"));
    if (getInfo == nullptr)
        return fail(
            QStringLiteral("O pacote %1 não descreve suas unidades (GetPackageInfoTable).").arg(library_.fileName()));
    info_ = getInfo();
    if (info_ == nullptr || info_->formatVersion != GSF_PACKAGE_FORMAT)
        return fail(QStringLiteral("O pacote %1 tem um formato de descrição desconhecido.").arg(library_.fileName()));
    if (!hasUnit(*info_))
        return fail(QStringLiteral("O pacote %1 não contém a unidade %2.")
                        .arg(library_.fileName(), QString::fromLatin1(unitName)));
    auto initialize = reinterpret_cast<GsfPackageProc>(library_.resolve("Initialize"));
    finalize_ = reinterpret_cast<GsfPackageProc>(library_.resolve("Finalize"));
    iniProc_ = reinterpret_cast<GsfPackageProc>(library_.resolve("IniProc"));
    form_ = reinterpret_cast<ui::Form**>(library_.resolve("frmGrupServFat"));
    if (initialize == nullptr || finalize_ == nullptr || iniProc_ == nullptr || form_ == nullptr)
        return fail(QStringLiteral("O pacote %1 não exporta todos os pontos de entrada.").arg(library_.fileName()));
    initialize();
    initialized_ = true;
    return true;
}

void PackageLoader::iniProc()
{
    if (initialized_)
        iniProc_();
}

ui::Form* PackageLoader::form() const
{
    return initialized_ ? *form_ : nullptr;
}

void PackageLoader::unload()
{
    if (!initialized_)
        return;
    initialized_ = false;
    finalize_();
    library_.unload();
    info_ = nullptr;
    iniProc_ = finalize_ = nullptr;
    form_ = nullptr;
}

} // namespace gsf::qt
