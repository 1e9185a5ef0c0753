// grupservfat-host: the host application. Loads the screen's run-time
// package and opens it as an MDI child from its menu.

#include "platform/host/host_context.h"
#include "platform/sql/general/general_data.h"
#include "qt/hostapp/host_options.h"
#include "qt/hostapp/host_window.h"
#include "qt/hostapp/package_loader.h"
#include "qt/hostapp/tour.h"
#include "qt/render/qt_interaction.h"

#include <QApplication>
#include <QMessageBox>
#include <QTimer>

#include <cstdio>
#include <exception>

namespace {

int refuse(const QString& message, bool dialog)
{
    std::fprintf(stderr, "grupservfat-host: %s\n", qPrintable(message));
    if (dialog)
        QMessageBox::critical(nullptr, QStringLiteral("grupservfat"), message);
    return 1;
}

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("grupservfat-host"));
    const gsf::qt::HostOptions options = gsf::qt::parseHostOptions(
        QApplication::arguments(), gsf::qt::installedConfig(QApplication::applicationDirPath()));
    if (!options.error.isEmpty()) {
        std::fprintf(stderr, "grupservfat-host: %s\n", qPrintable(options.error));
        return 2;
    }
    const bool unattended = !options.tourDirectory.isEmpty();
    gsf::host::setHostContext(options.context);
    if (!options.context.database.empty()) {
        try {
            gsf::sql::dtmDBGeral.Open(options.context.database);
        } catch (const std::exception& error) {
            return refuse(QStringLiteral("Não foi possível abrir o banco de dados geral %1: %2")
                              .arg(QString::fromStdString(options.context.database), QString::fromUtf8(error.what())),
                          !unattended);
        }
    }

    gsf::qt::PackageLoader package(options.packagePath.isEmpty() ? gsf::qt::PackageLoader::defaultPath()
                                                                 : options.packagePath);
    if (!package.load())
        return refuse(package.error(), !unattended);

    gsf::qt::QtInteraction interaction;
    interaction.setUnattended(unattended);
    const gsf::host::InteractionScope scope(interaction);
    gsf::qt::HostWindow window(package);
    interaction.setDialogParent(&window);
    window.show();

    if (unattended) {
        QTimer::singleShot(0, &window, [&] {
            const QString branch = QString::fromStdString(options.context.branchCode);
            QApplication::exit(gsf::qt::runTour(window, options.tourDirectory,
                                                branch.isEmpty() ? QStringLiteral("0001") : branch,
                                                QStringLiteral("11222333000181")));
        });
    }
    return QApplication::exec();
}
