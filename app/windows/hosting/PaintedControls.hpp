#pragma once
// A widget whose controls are painted rather than child widgets (a painted window, the
// finished list), as assistive tools need to see them: each control's name, role, value and
// rectangle in the widget's own coordinates, read afresh at every question, and its action.
// A widget says so by deriving from this beside QWidget; the accessibility factory finds it
// there. Main thread.
#include <QAccessible>
#include <QString>
#include <cstddef>
#include <vector>

#include "kit/visuals/views/kit/AccessibleControl.hpp"

namespace quorvel {

class PaintedControls {
public:
    virtual ~PaintedControls() = default;

    /// The controls painted now, in reading order, in the widget's own coordinates.
    virtual std::vector<AccessibleControl> controls() const = 0;
    /// Carries out control `index`'s action as a click would.
    virtual void activate(std::size_t index) = 0;
    /// What a control does, where that says more than its name; empty for nothing more.
    virtual QString describe(const AccessibleControl&) const { return {}; }
    /// What the widget itself is to assistive tools.
    virtual QAccessible::Role accessibleRole() const = 0;
};

}  // namespace quorvel
