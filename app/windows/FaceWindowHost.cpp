#include "app/windows/FaceWindowHost.hpp"

#include <QGuiApplication>
#include <cmath>

#include "app/windows/WindowPlacement.hpp"

namespace quorvel {
namespace {

std::vector<QRectF> visibleFrames() {
    std::vector<QRectF> frames;
    for (const QScreen* screen : QGuiApplication::screens()) frames.emplace_back(screen->availableGeometry());
    return frames;
}

std::optional<QRectF> mainVisibleFrame() {
    const QScreen* screen = QGuiApplication::primaryScreen();
    if (screen == nullptr) return std::nullopt;
    return QRectF(screen->availableGeometry());
}

QPoint pixelPoint(QPointF point) { return {static_cast<int>(std::lround(point.x())), static_cast<int>(std::lround(point.y()))}; }

}  // namespace

FaceWindowHost::FaceWindowHost(Placement placement, std::string autosaveName, Make make, KeyValueStore& defaults)
    : placement_(placement), autosaveName_(std::move(autosaveName)), make_(std::move(make)), defaults_(defaults) {}

FaceWindowHost::~FaceWindowHost() {
    // Saved on the way out, while the window is still there to be read.
    autosave_.reset();
}

bool FaceWindowHost::canPlaceWindows() { return !QGuiApplication::platformName().startsWith(QLatin1String("wayland")); }

std::optional<QPointF> FaceWindowHost::firstSpot() const {
    const std::optional<QRectF> screen = mainVisibleFrame();
    if (!screen || !window_) return std::nullopt;
    const QSizeF size = window_->size();
    return placement_ == Placement::centred ? WindowPlacement::centred(size, *screen)
                                            : WindowPlacement::topCentre(size, *screen);
}

void FaceWindowHost::make() {
    window_ = make_();
    if (!canPlaceWindows()) return;
    autosave_ = std::make_unique<WindowFrameAutosave>(*window_, defaults_, autosaveName_);
    if (!autosave_->restore()) {
        if (const auto spot = firstSpot()) window_->move(pixelPoint(*spot));
    }
}

void FaceWindowHost::keepOnScreen() {
    if (!canPlaceWindows()) return;
    const QRectF frame(window_->geometry());
    const auto place = placement_ == Placement::centred
                           ? WindowPlacement::deviceShowPlace(frame, visibleFrames(), mainVisibleFrame())
                           : WindowPlacement::stripShowPlace(frame, visibleFrames(), mainVisibleFrame());
    if (place) window_->move(pixelPoint(*place));
}

void FaceWindowHost::show() {
    if (!window_) make();
    keepOnScreen();
    // In front, without taking the keyboard from the app the user is in.
    window_->show();
    if (QGuiApplication::platformName() != QLatin1String("offscreen")) window_->raise();
}

void FaceWindowHost::hide() {
    if (window_) window_->hide();
}

}  // namespace quorvel
