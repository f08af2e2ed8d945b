#pragma once
// Painted content made of one of the kit's views (the device, the strip): the view, built
// afresh from the presenter's snapshot at every question, takes the pointer, gives the
// tooltip and lists the controls for assistive tools, with the view state the content keeps
// between snapshots. The content says how its view is built and what a gesture repaints.
// Main thread.
#include <cstddef>
#include <optional>
#include <vector>

#include "app/windows/hosting/PaintedContent.hpp"

namespace quorvel {

template <typename View>
class PaintedViewContent : public PaintedContent {
public:
    /// The view as it would be painted now.
    virtual View view() const = 0;

    bool press(QPointF point) override {
        const View shown = view();
        if (!shown.hitTest(point)) return false;
        shown.press(point, state_);
        afterGesture();
        return true;
    }
    void drag(QPointF point) override {
        view().drag(point, state_);
        afterGesture();
    }
    void release(QPointF point) override {
        view().release(point, state_);
        afterGesture();
    }
    void hover(std::optional<QPointF> point) override {
        const auto before = state_.hovered;
        view().hover(point, state_);
        if (!(before == state_.hovered)) requestUpdate(wholeArea());
    }
    QString toolTip(QPointF point, HideKey::Recall recall) const override { return view().toolTip(point, recall); }
    std::vector<AccessibleControl> controls() const override { return view().accessibleControls(state_); }
    void activate(std::size_t index) override {
        const std::vector<AccessibleControl> all = controls();
        if (index < all.size() && all[index].press) all[index].press();
        requestUpdate(wholeArea());
    }

protected:
    QRect wholeArea() const { return QRect(QPoint(), size()); }
    /// A gesture went to the view: repaint what it changed (everything, unless told better).
    virtual void afterGesture() { requestUpdate(wholeArea()); }
    /// Drops a gesture in progress (the window went off screen).
    void cancelGesture() { view().cancel(state_); }

    // Mutable: a control pressed by an assistive tool may pick a tab.
    mutable typename View::State state_;
};

}  // namespace quorvel
