#pragma once
// The one dark look of the desktop windows that wear the kit's colours (settings, finished,
// design sheet), whatever the desktop's own scheme: a palette built from the colour tokens only,
// so a window never carries a colour of its own. Main thread (it touches widgets).
#include <QPalette>

class QWidget;

namespace quorvel::DesktopStyle {

/// The dark palette, the same in every colour group except Disabled, whose texts go dim:
/// chassis behind, mascot white text, the screen colour for entries, panel for buttons, dim
/// for secondary and placeholder text, acid for selection and links.
QPalette palette();

/// Gives `window` (and so everything inside it) the dark palette.
void apply(QWidget& window);

/// Gives a plain line (a divider frame) the panel colour.
void applyDivider(QWidget& line);

}  // namespace quorvel::DesktopStyle
