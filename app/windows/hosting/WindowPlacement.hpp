#pragma once
// Where the app's windows go on the desktop: plain geometry on Qt's screen rectangles (y grows
// downwards; a "visible frame" is a screen's available geometry), so the rules can be checked
// without a screen. A first place keeps the whole window inside a visible frame; a window
// taller (or wider) than that hangs off its bottom (right) edge, so that its top (the
// device's header and screen) stays in reach. A place the user chose is kept while the
// window still meets a screen.
#include <QPointF>
#include <QRectF>
#include <QSizeF>
#include <optional>
#include <vector>

namespace quorvel::WindowPlacement {

/// How far in from each edge a window must still meet a visible frame to count as on screen.
inline constexpr double onScreenInset = 40;
/// The strip's top edge lies this far below the top of the main screen's visible frame.
inline constexpr double stripTopMargin = 8;

/// True when `frame`, shrunk by `onScreenInset` on every side, overlaps one of
/// `visibleFrames`. A frame too small to shrink (80 or less across) never passes.
bool staysOnScreen(const QRectF& frame, const std::vector<QRectF>& visibleFrames);

/// The top-left corner nearest to `frame`'s own that puts it inside `visibleFrame`; one taller
/// or wider than that sits at its top or left edge.
QPointF inside(const QRectF& frame, const QRectF& visibleFrame);

/// The top-left corner that centres a window of `size` in `visibleFrame`, inside it.
QPointF centred(const QSizeF& size, const QRectF& visibleFrame);

/// The strip's spot: centred across `visibleFrame`, its top `stripTopMargin` below its top.
QPointF topCentre(const QSizeF& size, const QRectF& visibleFrame);

/// The visible frame `frame` shares the most area with; absent when it meets none.
std::optional<QRectF> mostOverlapped(const QRectF& frame, const std::vector<QRectF>& visibleFrames);

/// The scale (at most 1) at which content of `size` fits `visibleFrame`'s height whole; 1 when it
/// fits as it is or either is empty.
double scaleToFit(const QSizeF& size, const QRectF& visibleFrame);

/// Where the device window goes at a show: absent (it stays where it is) while it stays on
/// screen, except that a window taller than the visible frame it overlaps most has its top edge
/// brought down onto that frame's top; centred on the main screen once it is off every screen.
std::optional<QPointF> deviceShowPlace(const QRectF& frame, const std::vector<QRectF>& visibleFrames,
                                       const std::optional<QRectF>& mainVisibleFrame);

/// The same for the strip, which goes back to its top-centre spot instead.
std::optional<QPointF> stripShowPlace(const QRectF& frame, const std::vector<QRectF>& visibleFrames,
                                      const std::optional<QRectF>& mainVisibleFrame);

}  // namespace quorvel::WindowPlacement
