#pragma once
// The compact strip as its panel holds it: the presenter's snapshot drawn as the strip with
// its own motion clock, its keys turned into the presenter's intents and offered to
// assistive tools. The mascot's timeline repaints only the strip's screen. Main thread.
#include <functional>
#include <utility>
#include <vector>

#include "app/windows/FaceContent.hpp"
#include "app/windows/StripPresenter.hpp"
#include "kit/visuals/views/CompactStripView.hpp"
#include "kit/visuals/views/LiveMotionClock.hpp"
#include "platform/ReduceMotion.hpp"

namespace quorvel {

class StripFace final : public FaceContent {
public:
    /// `presenter`, `reduceMotion` and `clock` must outlive the face.
    StripFace(StripPresenter& presenter, ReduceMotion& reduceMotion, const Clock& clock);
    ~StripFace() override;

    QSize size() const override;
    void paint(QPainter& painter) override;
    bool press(QPointF point) override;
    void drag(QPointF point) override;
    void release(QPointF point) override;
    void hover(std::optional<QPointF> point) override;
    QString toolTip(QPointF point, HideKey::Recall recall) const override;
    std::vector<AccessibleControl> controls() const override;
    void activate(std::size_t index) override;

    /// The presenter's snapshot changed.
    void refresh();
    void setShown(bool shown);

    /// The view as it would be painted now.
    CompactStripView view() const;

    /// What the motion changes: the screen, with a little casing around it.
    const QRect& screenArea() const;

private:
    std::vector<std::pair<AccessibleControl, std::function<void()>>> accessibleControls() const;

    StripPresenter& presenter_;
    LiveMotionClock motion_;
    CompactStripView::State state_;
    mutable std::optional<QRect> screenArea_;
};

}  // namespace quorvel
