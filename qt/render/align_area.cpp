#include "qt/render/align_area.h"

#include "platform/ui/control.h"

#include <QLabel>
#include <QPainter>

namespace gsf::qt {

AlignArea::AlignArea(const ui::Container& container, std::function<QWidget*(const ui::Control&)> widgetOf,
                     QWidget* parent)
    : QFrame(parent), container_(container), widgetOf_(std::move(widgetOf))
{}

void AlignArea::setCaption(const QString& caption)
{
    if (caption_ == caption)
        return;
    caption_ = caption;
    update();
}

void AlignArea::resizeEvent(QResizeEvent* event)
{
    QFrame::resizeEvent(event);
    arrange();
}

void AlignArea::paintEvent(QPaintEvent* event)
{
    QFrame::paintEvent(event);
    if (caption_.isEmpty())
        return;
    QPainter painter(this);
    painter.drawText(contentsRect(), Qt::AlignCenter, caption_);
}

void AlignArea::arrange()
{
    QRect rest = contentsRect();
    auto sized = [](QWidget& w, const ui::Bounds& b) {
        const QSize hint = w.sizeHint();
        QSize size(b.width > 0 ? b.width : hint.width(), b.height > 0 ? b.height : hint.height());
        // Labels size themselves to their caption.
        if (qobject_cast<QLabel*>(&w) != nullptr)
            size = size.expandedTo(hint);
        return size;
    };
    const ui::Align edges[] = {ui::Align::Top,   ui::Align::Bottom, ui::Align::Left,
                               ui::Align::Right, ui::Align::Client, ui::Align::None};
    for (ui::Align align : edges) {
        for (const ui::Control* child : container_.Controls()) {
            QWidget* w = widgetOf_(*child);
            if (w == nullptr || child->GetAlign() != align || !child->Visible())
                continue;
            const ui::Bounds& b = child->GetBounds();
            const QSize size = sized(*w, b);
            switch (align) {
            case ui::Align::Top:
                w->setGeometry(rest.left(), rest.top(), rest.width(), size.height());
                rest.setTop(rest.top() + size.height());
                break;
            case ui::Align::Bottom:
                w->setGeometry(rest.left(), rest.bottom() + 1 - size.height(), rest.width(), size.height());
                rest.setBottom(rest.bottom() - size.height());
                break;
            case ui::Align::Left:
                w->setGeometry(rest.left(), rest.top(), size.width(), rest.height());
                rest.setLeft(rest.left() + size.width());
                break;
            case ui::Align::Right:
                w->setGeometry(rest.right() + 1 - size.width(), rest.top(), size.width(), rest.height());
                rest.setRight(rest.right() - size.width());
                break;
            case ui::Align::Client: w->setGeometry(rest); break;
            case ui::Align::None: w->setGeometry(b.left, b.top, size.width(), size.height()); break;
            }
        }
    }
}

} // namespace gsf::qt
