#include "app/windows/device/StripContent.hpp"

namespace quorvel {
namespace {

constexpr double mascotScale = 4;

}  // namespace

StripContent::StripContent(StripPresenter& presenter, ReduceMotion& reduceMotion, const Clock& clock)
    : presenter_(presenter), motion_(mascotScale, reduceMotion, clock) {
    motion_.show(presenter_.display());
    QObject::connect(&motion_, &LiveMotionClock::changed, [this] { requestUpdate(CompactStripView::screenArea()); });
}

StripContent::~StripContent() = default;

CompactStripView StripContent::view() const {
    CompactStripView::Actions actions;
    actions.onEject = [this] { presenter_.eject(); };
    actions.onEdit = [this] { presenter_.edit(); };
    actions.onHide = [this] { presenter_.hide(); };
    actions.onExpand = [this] { presenter_.expand(); };
    return CompactStripView(presenter_.display(), std::move(actions), std::nullopt, motion_.moment(), state_);
}

QSize StripContent::size() const { return QRectF(QPointF(), CompactStripView::size()).toAlignedRect().size(); }

void StripContent::paint(QPainter& painter) { view().paint(painter); }

void StripContent::refresh() {
    motion_.show(presenter_.display());
    requestUpdate(wholeArea());
}

void StripContent::setShown(bool shown) {
    motion_.setHidden(!shown);
    if (!shown) cancelGesture();
}

}  // namespace quorvel
