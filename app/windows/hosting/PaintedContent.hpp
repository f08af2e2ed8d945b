#pragma once
// What a painted window holds: one of the kit's views of a fixed size with its own controls,
// painted with one QPainter. The window paints it, passes the pointer on, moves itself when
// no control takes a press, and offers the controls to assistive tools. Main thread.
#include <QPainter>
#include <QPointF>
#include <QRectF>
#include <QSize>
#include <QString>
#include <functional>
#include <optional>
#include <vector>

#include "kit/visuals/views/device/HideKey.hpp"
#include "kit/visuals/views/kit/AccessibleControl.hpp"

namespace quorvel {

class PaintedContent {
public:
    virtual ~PaintedContent() = default;

    /// The content's own size; the window takes it and never changes it.
    virtual QSize size() const = 0;
    /// Paints the whole content with its top-left corner at (0, 0).
    virtual void paint(QPainter& painter) = 0;

    /// A press at `point`: true when a control takes it, so the window does not move.
    virtual bool press(QPointF point) = 0;
    virtual void drag(QPointF point) = 0;
    virtual void release(QPointF point) = 0;
    /// The pointer moved with no button held; nothing: it left the content.
    virtual void hover(std::optional<QPointF>) {}
    /// The tooltip at `point`; empty for none. `recall` is where a hidden window comes back
    /// from on this desktop.
    virtual QString toolTip(QPointF, HideKey::Recall) const { return {}; }

    /// True when painting `area` sets every pixel of it opaquely, so the window need not
    /// clear it first.
    virtual bool coversOpaquely(const QRect&) const { return false; }

    /// The controls on the content now, in reading order.
    virtual std::vector<AccessibleControl> controls() const = 0;
    /// Carries out control `index`'s action as a click would.
    virtual void activate(std::size_t index) = 0;

    /// Called with the part of the content to paint again.
    void onUpdate(std::function<void(const QRect&)> update) { update_ = std::move(update); }

protected:
    void requestUpdate(const QRect& area) const {
        if (update_) update_(area);
    }

private:
    std::function<void(const QRect&)> update_;
};

}  // namespace quorvel
