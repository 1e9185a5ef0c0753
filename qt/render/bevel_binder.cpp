#include "platform/ui/ui.h"
#include "qt/render/binder.h"

#include <QFrame>

namespace gsf::qt {

namespace {

QFrame::Shape frameShape(ui::BevelShape shape)
{
    switch (shape) {
    case ui::BevelShape::TopLine:
    case ui::BevelShape::BottomLine: return QFrame::HLine;
    case ui::BevelShape::LeftLine:
    case ui::BevelShape::RightLine: return QFrame::VLine;
    case ui::BevelShape::Box:
    case ui::BevelShape::Frame: break;
    }
    return QFrame::Box;
}

class BevelBinder : public Binder {
public:
    BevelBinder(ui::Bevel& bevel, BinderHost& host) : Binder(host), bevel_(bevel) {}

    QWidget* build(QWidget* parent) override { return new QFrame(parent); }
    void sync(QWidget& widget) override
    {
        auto& frame = static_cast<QFrame&>(widget);
        frame.setFrameShape(frameShape(bevel_.Shape()));
        frame.setFrameShadow(QFrame::Sunken);
    }

private:
    ui::Bevel& bevel_;
};

} // namespace

std::unique_ptr<Binder> makeBevelBinder(ui::Bevel& bevel, BinderHost& host)
{
    return std::make_unique<BevelBinder>(bevel, host);
}

} // namespace gsf::qt
