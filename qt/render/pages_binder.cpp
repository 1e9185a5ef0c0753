// Page controls: a tab widget whose tabs belong to the model. A click or a
// wheel turn on the tabs is the person's page choice, which the model may
// refuse; the keys on the tabs go to the model too (Left, Right).

#include "platform/host/dispatcher.h"
#include "platform/ui/ui.h"
#include "qt/render/binder.h"

#include <QEvent>
#include <QMouseEvent>
#include <QTabBar>
#include <QTabWidget>

namespace gsf::qt {

namespace {

class PagesBinder : public Binder {
public:
    PagesBinder(ui::PageControl& pages, BinderHost& host) : Binder(host), pages_(pages) {}

    QWidget* build(QWidget* parent) override
    {
        tabs_ = new QTabWidget(parent);
        for (ui::TabSheet* page : pages_.Pages())
            tabs_->addTab(host_.build(*page, tabs_), QString::fromStdString(page->Caption()));
        host_.represent(*tabs_->tabBar(), pages_);
        return tabs_;
    }

    bool followsActions() const override { return true; }

    void sync(QWidget& /*widget*/) override
    {
        host_.asModel([&] {
            for (int i = 0; i < pages_.PageCount() && i < tabs_->count(); ++i) {
                const ui::TabSheet& page = *pages_.Pages()[static_cast<size_t>(i)];
                tabs_->setTabText(i, QString::fromStdString(page.Caption()));
                tabs_->setTabEnabled(i, page.Enabled());
                tabs_->setTabVisible(i, page.Visible());
            }
            if (pages_.ActivePageIndex() >= 0)
                tabs_->setCurrentIndex(pages_.ActivePageIndex());
        });
    }

    // A focused page control is its tabs: they show the focus.
    QWidget* focusWidget(QWidget& /*widget*/) override { return tabs_->tabBar(); }

    bool keyPressed(const QKeyEvent& event, const ModelKey& key) override
    {
        Binder::keyPressed(event, key);
        return true;
    }

    bool intercept(QWidget& watched, QEvent& event) override
    {
        if (&watched != tabs_->tabBar())
            return false;
        if (event.type() == QEvent::Wheel)
            return true;
        if (event.type() != QEvent::MouseButtonPress)
            return false;
        const int index = tabs_->tabBar()->tabAt(static_cast<QMouseEvent&>(event).position().toPoint());
        if (index >= 0 && index < pages_.PageCount())
            host_.act([&] { host_.dispatcher().selectTab(*pages_.Pages()[static_cast<size_t>(index)]); });
        return true;
    }

private:
    ui::PageControl& pages_;
    QTabWidget* tabs_ = nullptr;
};

} // namespace

std::unique_ptr<Binder> makePagesBinder(ui::PageControl& pages, BinderHost& host)
{
    return std::make_unique<PagesBinder>(pages, host);
}

} // namespace gsf::qt
