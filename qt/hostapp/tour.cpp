#include "qt/hostapp/tour.h"

#include "platform/ui/ui.h"
#include "qt/hostapp/host_window.h"
#include "qt/render/form_view.h"

#include <QCoreApplication>
#include <QDir>
#include <QPixmap>

#include <cstdio>

namespace gsf::qt {

namespace {

class Tour {
public:
    Tour(HostWindow& window, const QString& directory) : window_(window), directory_(directory) {}

    bool shoot(const QString& name)
    {
        QCoreApplication::processEvents();
        const QString path =
            directory_.filePath(QStringLiteral("%1-%2.png").arg(++step_, 2, 10, QChar(u'0')).arg(name));
        const bool saved = window_.grab().save(path, "PNG");
        std::printf("%s %s\n", saved ? "captura:" : "falhou:", qPrintable(path));
        std::fflush(stdout);
        ok_ = ok_ && saved;
        return saved;
    }
    bool ok() const { return ok_; }
    void fail(const char* what)
    {
        std::fprintf(stderr, "roteiro: %s\n", what);
        ok_ = false;
    }

private:
    HostWindow& window_;
    QDir directory_;
    int step_ = 0;
    bool ok_ = true;
};

} // namespace

int runTour(HostWindow& window, const QString& directory, const QString& branch, const QString& client)
{
    if (!QDir().mkpath(directory)) {
        std::fprintf(stderr, "roteiro: não foi possível criar %s\n", qPrintable(directory));
        return 1;
    }
    Tour tour(window, directory);
    window.openScreen();
    FormView* view = window.currentView();
    if (view == nullptr) {
        tour.fail("a tela não abriu");
        return 1;
    }
    tour.shoot(QStringLiteral("tela-aberta"));
    host::Dispatcher& person = view->dispatcher();
    if (person.typeText("medCdFilial", branch.toStdString()) == host::Outcome::Failed)
        tour.fail("filial recusada");
    person.typeText("medCdCliente", client.toStdString());
    tour.shoot(QStringLiteral("filtro"));
    // Leaving the filter panel validates branch and client and loads the groups.
    if (person.focus("dbgPadrao") != host::Outcome::Done)
        tour.fail("o filtro não foi aceito");
    tour.shoot(QStringLiteral("grupos"));

    auto* pages = dynamic_cast<ui::PageControl*>(view->form().FindControl("pgcPadrao"));
    if (pages != nullptr) {
        for (ui::TabSheet* page : pages->Pages()) {
            if (page->IsActive() || !page->Enabled())
                continue;
            if (person.selectTab(*page) == host::Outcome::Done)
                tour.shoot(QString::fromStdString(page->Name()));
        }
    }
    person.close();
    QCoreApplication::processEvents();
    return tour.ok() ? 0 : 1;
}

} // namespace gsf::qt
