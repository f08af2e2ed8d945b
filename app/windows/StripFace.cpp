#include "app/windows/StripFace.hpp"

namespace quorvel {
namespace {

constexpr double mascotScale = 4;

}  // namespace

StripFace::StripFace(StripPresenter& presenter, ReduceMotion& reduceMotion, const Clock& clock)
    : presenter_(presenter), motion_(mascotScale, reduceMotion, clock) {
    motion_.show(presenter_.display());
    QObject::connect(&motion_, &LiveMotionClock::changed, [this] { requestUpdate(CompactStripView::screenArea()); });
}

StripFace::~StripFace() = default;

CompactStripView StripFace::view() const {
    CompactStripView::Actions actions;
    actions.onEject = [this] { presenter_.eject(); };
    actions.onEdit = [this] { presenter_.edit(); };
    actions.onHide = [this] { presenter_.hide(); };
    actions.onExpand = [this] { presenter_.expand(); };
    return CompactStripView(presenter_.display(), std::move(actions), std::nullopt, motion_.moment(), state_);
}

QSize StripFace::size() const { return QRectF(QPointF(), CompactStripView::size()).toAlignedRect().size(); }

void StripFace::paint(QPainter& painter) { view().paint(painter); }

void StripFace::refresh() {
    motion_.show(presenter_.display());
    requestUpdate(wholeArea());
}

void StripFace::setShown(bool shown) {
    motion_.setHidden(!shown);
    if (!shown) cancelGesture();
}

}  // namespace quorvel
