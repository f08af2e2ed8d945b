#include "app/windows/hosting/ScreenFrames.hpp"

#include <QGuiApplication>
#include <QScreen>

namespace quorvel::ScreenFrames {

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

}  // namespace quorvel::ScreenFrames
