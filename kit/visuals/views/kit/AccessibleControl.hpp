#pragma once
// One painted control as assistive tools see it: the views list their own, named with the
// labels they draw, placed where they draw them, each with what a click on it does.
#include <QAccessible>
#include <QRectF>
#include <QString>
#include <functional>
#include <optional>

namespace quorvel {

struct AccessibleControl {
    QString name;
    QAccessible::Role role = QAccessible::Button;
    /// The fader's percentage, a pad's "on"/"off"; empty when the control has none.
    QString value;
    /// In the face's own coordinates.
    QRectF rect;
    bool checkable = false;
    bool checked = false;
    bool enabled = true;
    /// What a click does; empty for a control that is only read. It refers to nothing of the
    /// view that listed it, but may to the view state its owner passed in.
    std::function<void()> press = nullptr;
};

/// A control as a part of a view lists it: with what a click on it reaches in that view, for
/// the view's owner to act on (nothing: the control is only read).
template <typename Target>
struct AccessibleTarget {
    AccessibleControl control;
    std::optional<Target> target = std::nullopt;
};

}  // namespace quorvel
