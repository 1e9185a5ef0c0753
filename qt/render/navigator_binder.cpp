// Record navigator: four tool buttons, each enabled when pressing it would move.

#include "platform/host/dispatcher.h"
#include "platform/ui/ui.h"
#include "qt/render/binder.h"

#include <QHBoxLayout>
#include <QToolButton>

namespace gsf::qt {

namespace {

const char* const navigateProperty = "gsfNavigate";

class NavigatorBinder : public Binder {
public:
    NavigatorBinder(ui::DBNavigator& navigator, BinderHost& host) : Binder(host), navigator_(navigator) {}

    QWidget* build(QWidget* parent) override
    {
        auto* box = new QWidget(parent);
        auto* layout = new QHBoxLayout(box);
        layout->setContentsMargins(0, 0, 0, 0);
        layout->setSpacing(0);
        const std::pair<ui::NavigateButton, const char*> buttons[] = {{ui::NavigateButton::First, "|◀"},
                                                                      {ui::NavigateButton::Prior, "◀"},
                                                                      {ui::NavigateButton::Next, "▶"},
                                                                      {ui::NavigateButton::Last, "▶|"}};
        for (const auto& [which, glyph] : buttons) {
            auto* button = new QToolButton(box);
            button->setText(QString::fromUtf8(glyph));
            button->setFocusPolicy(Qt::NoFocus);
            button->setProperty(navigateProperty, static_cast<int>(which));
            layout->addWidget(button);
            QObject::connect(button, &QToolButton::clicked, &host_.context(), [this, which = which] {
                host_.act([&] { host_.dispatcher().run([&] { return navigator_.Click(which); }); });
            });
        }
        return box;
    }

    void sync(QWidget& widget) override
    {
        for (auto* button : widget.findChildren<QToolButton*>())
            button->setEnabled(
                navigator_.ButtonEnabled(static_cast<ui::NavigateButton>(button->property(navigateProperty).toInt())));
    }

private:
    ui::DBNavigator& navigator_;
};

} // namespace

std::unique_ptr<Binder> makeNavigatorBinder(ui::DBNavigator& navigator, BinderHost& host)
{
    return std::make_unique<NavigatorBinder>(navigator, host);
}

} // namespace gsf::qt
