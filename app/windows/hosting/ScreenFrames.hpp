#pragma once
// The screens as the placement rules see them: each screen's available geometry (a "visible
// frame": the screen less the panels), read from Qt now. Main thread.
#include <QRectF>
#include <optional>
#include <vector>

namespace quorvel::ScreenFrames {

/// Every screen's visible frame, in Qt's order; empty without screens.
std::vector<QRectF> visibleFrames();

/// The primary screen's visible frame; absent without one.
std::optional<QRectF> mainVisibleFrame();

}  // namespace quorvel::ScreenFrames
