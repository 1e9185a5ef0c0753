// Static texts: a label's caption (and the control its accelerator
// focuses), a data-aware text's field.

#include "platform/ui/ui.h"
#include "qt/render/binder.h"

#include <QLabel>

namespace gsf::qt {

namespace {

class LabelBinder : public Binder {
public:
    LabelBinder(ui::Label& label, BinderHost& host) : Binder(host), label_(label) {}

    QWidget* build(QWidget* parent) override { return new QLabel(parent); }
    void sync(QWidget& widget) override
    {
        auto& qlabel = static_cast<QLabel&>(widget);
        qlabel.setText(QString::fromStdString(label_.Caption()));
        if (label_.FocusControl() != nullptr)
            qlabel.setBuddy(host_.widgetFor(*label_.FocusControl()));
    }

private:
    ui::Label& label_;
};

class DBTextBinder : public Binder {
public:
    DBTextBinder(ui::DBText& text, BinderHost& host) : Binder(host), text_(text) {}

    QWidget* build(QWidget* parent) override { return new QLabel(parent); }
    void sync(QWidget& widget) override { static_cast<QLabel&>(widget).setText(QString::fromStdString(text_.Text())); }

private:
    ui::DBText& text_;
};

} // namespace

std::unique_ptr<Binder> makeLabelBinder(ui::Label& label, BinderHost& host)
{
    return std::make_unique<LabelBinder>(label, host);
}

std::unique_ptr<Binder> makeDBTextBinder(ui::DBText& text, BinderHost& host)
{
    return std::make_unique<DBTextBinder>(text, host);
}

} // namespace gsf::qt
