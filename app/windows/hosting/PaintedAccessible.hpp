#pragma once
// Assistive tools see a painted widget's controls as its children: on a painted window each
// key, pad, the fader, the tabs and the rows, in the finished window the rows of the list,
// each with its name, role and value, and can press them. The children are read from the
// widget at every question, so they follow what is painted now; real child widgets (the
// finished window's log text) come after them. Main thread.
#include <QAccessibleWidget>
#include <cstddef>
#include <vector>

#include "app/windows/hosting/PaintedControls.hpp"

namespace quorvel {

class PaintedAccessible final : public QAccessibleWidget {
public:
    /// `painted` is `widget` itself, seen through its painted controls.
    PaintedAccessible(QWidget& widget, PaintedControls& painted);
    ~PaintedAccessible() override;

    /// Makes Qt's accessibility ask this class about every widget that is `PaintedControls`
    /// (once per process).
    static void installFactory();

    int childCount() const override;
    QAccessibleInterface* child(int index) const override;
    int indexOfChild(const QAccessibleInterface* child) const override;
    QAccessibleInterface* childAt(int x, int y) const override;

    QWidget& painted() const { return widget_; }
    std::vector<AccessibleControl> controls() const { return controls_.controls(); }
    void activate(std::size_t index) const { controls_.activate(index); }
    QString describe(const AccessibleControl& control) const { return controls_.describe(control); }

private:
    int paintedCount() const { return static_cast<int>(controls().size()); }

    QWidget& widget_;
    PaintedControls& controls_;
    mutable std::vector<QAccessible::Id> children_;
};

}  // namespace quorvel
