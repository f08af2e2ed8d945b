#include "app/windows/StripFace.hpp"

#include <cmath>

#include "kit/visuals/views/HideKey.hpp"
#include "kit/visuals/views/ObliqueShell.hpp"
#include "kit/visuals/views/StripScreen.hpp"

namespace quorvel {
namespace {

constexpr double mascotScale = 4;

QRect whole(QSize size) { return QRect(QPoint(), size); }

StripScreen screenOf(const CompactStripView& view) {
    // As CompactStripView::paint builds it.
    return StripScreen{view.display, view.clock(), view.moment.reduceMotion, view.moment.time, view.moment.faceFade};
}

}  // namespace

StripFace::StripFace(StripPresenter& presenter, ReduceMotion& reduceMotion, const Clock& clock)
    : presenter_(presenter), motion_(mascotScale, reduceMotion, clock) {
    motion_.show(presenter_.display());
    QObject::connect(&motion_, &LiveMotionClock::changed, [this] { requestUpdate(screenArea()); });
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

QSize StripFace::size() const {
    const QSizeF size = CompactStripView::size();
    return {static_cast<int>(std::ceil(size.width())), static_cast<int>(std::ceil(size.height()))};
}

// The motion moves only the screen, which lies straight on the casing: it is painted again on
// its own, casing first, so the repaint gives the very pixels a whole paint would.
const QRect& StripFace::screenArea() const {
    if (!screenArea_) screenArea_ = CompactStripView::layout().screen.adjusted(-2, -2, 2, 2).toAlignedRect();
    return *screenArea_;
}

void StripFace::paint(QPainter& painter) {
    const CompactStripView shown = view();
    if (painter.hasClipping() && QRectF(screenArea()).contains(painter.clipBoundingRect())) {
        const CompactStripView::Layout parts = CompactStripView::layout();
        Casing::paint(painter, parts.face);
        const StripScreen screen = screenOf(shown);
        screen.paint(painter, screen.layout(parts.screen));
        Casing::paintBorder(painter, parts.face);
        return;
    }
    shown.paint(painter);
}

bool StripFace::press(QPointF point) {
    const CompactStripView shown = view();
    if (!shown.hitTest(point)) return false;
    shown.press(point, state_);
    requestUpdate(whole(size()));
    return true;
}

void StripFace::drag(QPointF point) {
    view().drag(point, state_);
    requestUpdate(whole(size()));
}

void StripFace::release(QPointF point) {
    view().release(point, state_);
    requestUpdate(whole(size()));
}

void StripFace::hover(std::optional<QPointF> point) {
    const auto before = state_.hovered;
    view().hover(point, state_);
    if (before != state_.hovered) requestUpdate(whole(size()));
}

QString StripFace::toolTip(QPointF point, HideKey::Recall recall) const { return view().toolTip(point, recall); }

void StripFace::refresh() {
    motion_.show(presenter_.display());
    requestUpdate(whole(size()));
}

void StripFace::setShown(bool shown) {
    motion_.setHidden(!shown);
    if (!shown) view().cancel(state_);
}

std::vector<std::pair<AccessibleControl, std::function<void()>>> StripFace::accessibleControls() const {
    const CompactStripView shown = view();
    const CompactStripView::Layout layout = CompactStripView::layout();
    std::vector<std::pair<AccessibleControl, std::function<void()>>> all;
    AccessibleControl seenIt{QStringLiteral("SEEN IT"), QAccessible::Button, {}, layout.seenIt};
    seenIt.enabled = shown.display.acknowledgeable;
    all.push_back({seenIt, shown.display.acknowledgeable ? shown.actions.onEject : std::function<void()>()});
    all.push_back({{QStringLiteral("EDIT"), QAccessible::Button, {}, layout.edit}, shown.actions.onEdit});
    all.push_back({{HideKey::accessibilityLabel(HideKey::Glyph::cross), QAccessible::Button, {}, layout.rightEar.top},
                   shown.actions.onHide});
    all.push_back({{HideKey::accessibilityLabel(HideKey::Glyph::device), QAccessible::Button, {}, layout.rightEar.bottom},
                   shown.actions.onExpand});
    return all;
}

std::vector<AccessibleControl> StripFace::controls() const {
    std::vector<AccessibleControl> controls;
    for (auto& [control, action] : accessibleControls()) controls.push_back(std::move(control));
    return controls;
}

void StripFace::activate(std::size_t index) {
    auto all = accessibleControls();
    if (index < all.size() && all[index].second) all[index].second();
}

}  // namespace quorvel
