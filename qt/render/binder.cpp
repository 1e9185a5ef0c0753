#include "qt/render/binder.h"

#include "platform/ui/control_visitor.h"

#include <QWidget>

namespace gsf::qt {

void Binder::sync(QWidget& /*widget*/) {}

void Binder::focusShown(QWidget& /*widget*/) {}

bool Binder::keyPressed(const QKeyEvent& /*event*/, const ModelKey& key)
{
    return host_.forwardKey(key);
}

bool Binder::intercept(QWidget& /*watched*/, QEvent& /*event*/)
{
    return false;
}

namespace {

// Kinds not named here take their base kind's binder (see ControlVisitor).
class BinderFactory : public ui::ControlVisitor {
public:
    explicit BinderFactory(BinderHost& host) : host_(host) {}
    std::unique_ptr<Binder> made;

    void visitControl(ui::Control& /*control*/) override { made = makePlainBinder(host_); }
    void visitContainer(ui::Container& control) override { made = makeAreaBinder(control, host_); }
    void visitPanel(ui::Panel& control) override { made = makePanelBinder(control, host_); }
    void visitGroupBox(ui::GroupBox& control) override { made = makeGroupBoxBinder(control, host_); }
    void visitTabSheet(ui::TabSheet& control) override { made = makePageBinder(control, host_); }
    void visitPageControl(ui::PageControl& control) override { made = makePagesBinder(control, host_); }
    void visitLabel(ui::Label& control) override { made = makeLabelBinder(control, host_); }
    void visitDBText(ui::DBText& control) override { made = makeDBTextBinder(control, host_); }
    void visitBevel(ui::Bevel& control) override { made = makeBevelBinder(control, host_); }
    void visitEdit(ui::Edit& control) override { made = makeEditBinder(control, nullptr, host_); }
    void visitMaskEdit(ui::MaskEdit& control) override { made = makeEditBinder(control, &control, host_); }
    void visitSpeedButton(ui::SpeedButton& control) override { made = makeButtonBinder(control, false, host_); }
    void visitLookupButton(ui::LookupButton& control) override { made = makeButtonBinder(control, true, host_); }
    void visitDBNavigator(ui::DBNavigator& control) override { made = makeNavigatorBinder(control, host_); }
    void visitDBGrid(ui::DBGrid& control) override { made = makeGridBinder(control, host_); }

private:
    BinderHost& host_;
};

/// A control of no kind the view knows: an empty widget that still shows,
/// hides and places like the others.
class PlainBinder : public Binder {
public:
    using Binder::Binder;
    QWidget* build(QWidget* parent) override { return new QWidget(parent); }
};

} // namespace

std::unique_ptr<Binder> makePlainBinder(BinderHost& host)
{
    return std::make_unique<PlainBinder>(host);
}

std::unique_ptr<Binder> makeBinder(ui::Control& control, BinderHost& host)
{
    BinderFactory factory(host);
    control.Accept(factory);
    return std::move(factory.made);
}

} // namespace gsf::qt
