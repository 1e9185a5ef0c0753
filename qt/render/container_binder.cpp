// Containers: areas that place their children by Align and Bounds.

#include "platform/ui/ui.h"
#include "qt/render/align_area.h"
#include "qt/render/binder.h"

#include <QGroupBox>
#include <QVBoxLayout>

namespace gsf::qt {

namespace {

class AreaBinder : public Binder {
public:
    AreaBinder(ui::Container& container, BinderHost& host) : Binder(host), container_(container) {}

    QWidget* build(QWidget* parent) override
    {
        AlignArea* area = buildArea(parent);
        buildChildren(*area);
        return area;
    }

protected:
    AlignArea* buildArea(QWidget* parent)
    {
        return new AlignArea(
            container_, [this](const ui::Control& c) { return host_.widgetFor(c); }, parent);
    }
    void buildChildren(AlignArea& area)
    {
        for (ui::Control* child : container_.Controls())
            host_.build(*child, &area);
    }

    ui::Container& container_;
};

/// A page: its tab widget shows it and places it.
class PageBinder : public AreaBinder {
public:
    using AreaBinder::AreaBinder;
    bool placesItself() const override { return false; }
};

class PanelBinder : public AreaBinder {
public:
    using AreaBinder::AreaBinder;

    QWidget* build(QWidget* parent) override
    {
        AlignArea* area = buildArea(parent);
        area->setFrameStyle(QFrame::Panel | QFrame::Raised);
        buildChildren(*area);
        return area;
    }
    void sync(QWidget& widget) override
    {
        static_cast<AlignArea&>(widget).setCaption(QString::fromStdString(container_.Caption()));
    }
};

/// The caption on the frame, the children in an area inside it.
class GroupBoxBinder : public AreaBinder {
public:
    using AreaBinder::AreaBinder;

    QWidget* build(QWidget* parent) override
    {
        auto* box = new QGroupBox(parent);
        auto* layout = new QVBoxLayout(box);
        layout->setContentsMargins(2, 2, 2, 2);
        AlignArea* inner = buildArea(box);
        layout->addWidget(inner);
        buildChildren(*inner);
        return box;
    }
    void sync(QWidget& widget) override
    {
        static_cast<QGroupBox&>(widget).setTitle(QString::fromStdString(container_.Caption()));
    }
};

} // namespace

std::unique_ptr<Binder> makeAreaBinder(ui::Container& container, BinderHost& host)
{
    return std::make_unique<AreaBinder>(container, host);
}

std::unique_ptr<Binder> makePageBinder(ui::TabSheet& page, BinderHost& host)
{
    return std::make_unique<PageBinder>(page, host);
}

std::unique_ptr<Binder> makePanelBinder(ui::Panel& panel, BinderHost& host)
{
    return std::make_unique<PanelBinder>(panel, host);
}

std::unique_ptr<Binder> makeGroupBoxBinder(ui::GroupBox& box, BinderHost& host)
{
    return std::make_unique<GroupBoxBinder>(box, host);
}

} // namespace gsf::qt
