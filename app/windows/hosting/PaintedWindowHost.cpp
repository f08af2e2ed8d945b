#include "app/windows/hosting/PaintedWindowHost.hpp"

#include <QGuiApplication>
#include <cmath>

#include "app/windows/hosting/ScreenFrames.hpp"
#include "app/windows/hosting/WindowPlacement.hpp"

namespace quorvel {

using ScreenFrames::mainVisibleFrame;
using ScreenFrames::visibleFrames;

namespace {

QPoint pixelPoint(QPointF point) { return {static_cast<int>(std::lround(point.x())), static_cast<int>(std::lround(point.y()))}; }

}  // namespace

PaintedWindowHost::PaintedWindowHost(const PaintedWindowLook& look, Make make, KeyValueStore& defaults)
    : look_(look), make_(std::move(make)), defaults_(defaults) {}

PaintedWindowHost::~PaintedWindowHost() {
    // Saved on the way out, while the window is still there to be read.
    autosave_.reset();
}

bool PaintedWindowHost::canPlaceWindows() { return !QGuiApplication::platformName().startsWith(QLatin1String("wayland")); }

std::optional<QPointF> PaintedWindowHost::firstSpot() const {
    const std::optional<QRectF> screen = mainVisibleFrame();
    if (!screen || !window_) return std::nullopt;
    const QSizeF size = window_->size();
    return look_.placement == PaintedWindowLook::Placement::centred ? WindowPlacement::centred(size, *screen)
                                                                    : WindowPlacement::topCentre(size, *screen);
}

void PaintedWindowHost::make() {
    window_ = make_();
    fitToScreen();
    if (!canPlaceWindows()) return;
    autosave_ = std::make_unique<WindowFrameAutosave>(*window_, defaults_, look_.autosaveName);
    if (autosave_->restore()) {
        fitToScreen();
    } else if (const auto spot = firstSpot()) {
        window_->move(pixelPoint(*spot));
    }
}

void PaintedWindowHost::fitToScreen() {
    if (look_.fit != PaintedWindowLook::Fit::scaledDownToScreen) return;
    std::optional<QRectF> screen;
    // Wayland tells no window where it is: the main screen is the best guess there.
    if (canPlaceWindows()) screen = WindowPlacement::mostOverlapped(QRectF(window_->geometry()), visibleFrames());
    if (!screen) screen = mainVisibleFrame();
    if (!screen) return;
    window_->setContentScale(WindowPlacement::scaleToFit(QSizeF(window_->content().size()), *screen));
}

void PaintedWindowHost::keepOnScreen() {
    if (!canPlaceWindows()) return;
    const QRectF frame(window_->geometry());
    const auto place = look_.placement == PaintedWindowLook::Placement::centred
                           ? WindowPlacement::deviceShowPlace(frame, visibleFrames(), mainVisibleFrame())
                           : WindowPlacement::stripShowPlace(frame, visibleFrames(), mainVisibleFrame());
    if (place) window_->move(pixelPoint(*place));
}

void PaintedWindowHost::show() {
    if (window_) {
        fitToScreen();
    } else {
        make();
    }
    keepOnScreen();
    // In front, without taking the keyboard from the app the user is in.
    window_->show();
    if (QGuiApplication::platformName() != QLatin1String("offscreen")) window_->raise();
}

void PaintedWindowHost::hide() {
    if (window_) window_->hide();
}

}  // namespace quorvel
