#pragma once
// The compact strip as its panel holds it: the presenter's snapshot drawn as the strip with
// its own motion clock, its keys turned into the presenter's intents and offered to
// assistive tools. The mascot's timeline repaints only the strip's screen. Main thread.
#include "app/windows/device/StripPresenter.hpp"
#include "app/windows/hosting/PaintedViewContent.hpp"
#include "kit/visuals/views/mascot/LiveMotionClock.hpp"
#include "kit/visuals/views/strip/CompactStripView.hpp"
#include "platform/desktop/ReduceMotion.hpp"

namespace quorvel {

class StripContent final : public PaintedViewContent<CompactStripView> {
public:
    /// `presenter`, `reduceMotion` and `clock` must outlive the content.
    StripContent(StripPresenter& presenter, ReduceMotion& reduceMotion, const Clock& clock);
    ~StripContent() override;

    CompactStripView view() const override;
    QSize size() const override;
    void paint(QPainter& painter) override;

    /// The presenter's snapshot changed.
    void refresh();
    void setShown(bool shown);

private:
    StripPresenter& presenter_;
    LiveMotionClock motion_;
};

}  // namespace quorvel
