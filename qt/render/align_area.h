#pragma once

#include <QFrame>

#include <functional>
#include <vector>

namespace gsf::ui {
class Container;
class Control;
} // namespace gsf::ui

namespace gsf::qt {

/// Holds the widgets of a model container's children and places them by
/// each child's Align and Bounds: top, bottom, left and right edges first,
/// in creation order, then the client rest; unaligned children keep their
/// bounds. A zero width or height falls back to the widget's size hint.
class AlignArea : public QFrame {
    Q_OBJECT
public:
    /// @param widgetOf finds the widget that renders a child (nullptr: none).
    AlignArea(const ui::Container& container, std::function<QWidget*(const ui::Control&)> widgetOf,
              QWidget* parent = nullptr);

    const ui::Container& container() const { return container_; }
    /// Places every child again (after a bounds, align or visibility change).
    void arrange();
    /// Text drawn centred, as panels show their caption.
    void setCaption(const QString& caption);

protected:
    void resizeEvent(QResizeEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    const ui::Container& container_;
    std::function<QWidget*(const ui::Control&)> widgetOf_;
    QString caption_;
};

} // namespace gsf::qt
