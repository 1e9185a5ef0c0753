// Command and look-up buttons: tool buttons that never take the focus.

#include "platform/host/dispatcher.h"
#include "platform/ui/ui.h"
#include "qt/render/binder.h"

#include <QToolButton>

namespace gsf::qt {

namespace {

class ButtonBinder : public Binder {
public:
    ButtonBinder(ui::SpeedButton& button, bool lookup, BinderHost& host)
        : Binder(host), button_(button), lookup_(lookup)
    {}

    QWidget* build(QWidget* parent) override
    {
        auto* button = new QToolButton(parent);
        button->setFocusPolicy(Qt::NoFocus);
        button->setToolButtonStyle(Qt::ToolButtonTextOnly);
        QObject::connect(button, &QToolButton::clicked, &host_.context(),
                         [this] { host_.act([&] { host_.dispatcher().click(button_); }); });
        return button;
    }

    void sync(QWidget& widget) override
    {
        const std::string& caption = button_.Caption();
        static_cast<QToolButton&>(widget).setText(caption.empty() && lookup_ ? QStringLiteral("…")
                                                                             : QString::fromStdString(caption));
    }

private:
    ui::SpeedButton& button_;
    bool lookup_;
};

} // namespace

std::unique_ptr<Binder> makeButtonBinder(ui::SpeedButton& button, bool lookup, BinderHost& host)
{
    return std::make_unique<ButtonBinder>(button, lookup, host);
}

} // namespace gsf::qt
