#include "qt/hostapp/host_window.h"

#include "qt/hostapp/package_loader.h"
#include "qt/render/form_view.h"

#include <QCloseEvent>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenuBar>
#include <QPointer>

namespace gsf::qt {

namespace {

/// An MDI child whose close button asks the model form; it closes for real
/// only once the form has closed.
class FormSubWindow : public QMdiSubWindow {
public:
    explicit FormSubWindow(FormView* view) : view_(view) {}

protected:
    void closeEvent(QCloseEvent* event) override
    {
        if (view_ != nullptr && !view_->formIsClosed()) {
            event->ignore();
            view_->requestClose();
            return;
        }
        QMdiSubWindow::closeEvent(event);
    }

private:
    QPointer<FormView> view_;
};

void applyState(QMdiSubWindow& window, ui::WindowState state)
{
    switch (state) {
    case ui::WindowState::Minimized:
        if (!window.isMinimized())
            window.showMinimized();
        break;
    case ui::WindowState::Maximized:
        if (!window.isMaximized())
            window.showMaximized();
        break;
    case ui::WindowState::Normal:
        if (window.isMinimized() || window.isMaximized())
            window.showNormal();
        break;
    }
}

} // namespace

HostWindow::HostWindow(PackageLoader& package, QWidget* parent)
    : QMainWindow(parent), package_(package), mdi_(new QMdiArea(this))
{
    setWindowTitle(QStringLiteral("grupservfat"));
    setCentralWidget(mdi_);
    QMenu* billing = menuBar()->addMenu(QStringLiteral("&Faturamento"));
    QAction* open = billing->addAction(QStringLiteral("Grupo de Serviço para Faturamento"));
    open->setObjectName(QStringLiteral("actGrupServFat"));
    connect(open, &QAction::triggered, this, &HostWindow::openScreen);
    QMenu* file = menuBar()->addMenu(QStringLiteral("&Janela"));
    file->addAction(QStringLiteral("&Sair"), this, &QWidget::close);
    resize(1024, 700);
}

// The views observe forms that the package releases at Finalize: they go first.
HostWindow::~HostWindow()
{
    for (auto& [form, window] : windows_)
        delete window;
    windows_.clear();
}

FormView* HostWindow::currentView() const
{
    ui::Form* form = package_.form();
    const auto found = form == nullptr ? windows_.end() : windows_.find(form);
    return found == windows_.end() ? nullptr : qobject_cast<FormView*>(found->second->widget());
}

void HostWindow::openScreen()
{
    package_.iniProc();
    ui::Form* form = package_.form();
    if (form == nullptr)
        return;
    const auto found = windows_.find(form);
    QMdiSubWindow* window = found != windows_.end() ? found->second : addView(*form);
    window->show();
    mdi_->setActiveSubWindow(window);
}

QMdiSubWindow* HostWindow::addView(ui::Form& form)
{
    auto* view = new FormView(form);
    auto* window = new FormSubWindow(view);
    window->setWidget(view);
    window->setAttribute(Qt::WA_DeleteOnClose);
    mdi_->addSubWindow(window);
    // The frame keeps the view's minimum: shrinking the child never hides a command.
    window->setMinimumSize(window->minimumSizeHint());
    const ui::Bounds& b = form.GetBounds();
    if (b.width > 0 && b.height > 0)
        window->setGeometry(b.left, b.top, b.width, b.height);
    windows_[&form] = window;
    connect(view, &FormView::formClosed, this, [this, &form, window] {
        windows_.erase(&form);
        window->close();
    });
    connect(view, &FormView::raiseRequested, this, [this, window] { mdi_->setActiveSubWindow(window); });
    connect(view, &FormView::windowStateRequested, window,
            [window](ui::WindowState state) { applyState(*window, state); });
    return window;
}

void HostWindow::closeEvent(QCloseEvent* event)
{
    // Every open screen is asked to close; one that refuses keeps the host open.
    for (QMdiSubWindow* window : mdi_->subWindowList()) {
        auto* view = qobject_cast<FormView*>(window->widget());
        if (view != nullptr && !view->formIsClosed() && !view->requestClose()) {
            event->ignore();
            return;
        }
    }
    QMainWindow::closeEvent(event);
}

} // namespace gsf::qt
