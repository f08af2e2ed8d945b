#pragma once
// Assistive tools see a painted widget's controls as its children: on a face window each key,
// pad, the fader, the tabs and the rows, in the finished window the rows of the list, each
// with its name, role and value, and can press them. The children are read from their source
// at every question, so they follow what is painted now; real child widgets (the finished
// window's log text) come after them. Main thread.
#include <QAccessibleWidget>
#include <cstddef>
#include <functional>
#include <vector>

#include "app/windows/FaceContent.hpp"

namespace quorvel {

class FaceAccessible final : public QAccessibleWidget {
public:
    /// Where the painted controls come from, in the widget's own coordinates.
    struct Source {
        std::function<std::vector<AccessibleControl>()> controls;
        /// Carries out control `index`'s action as a click would.
        std::function<void(std::size_t)> activate;
        /// What a control does, where that says more than its name; may be empty.
        std::function<QString(const AccessibleControl&)> describe;
    };

    FaceAccessible(QWidget& widget, Source source, QAccessible::Role role);
    ~FaceAccessible() override;

    /// Makes Qt's accessibility ask this class about every face window and finished list
    /// (once per process).
    static void installFactory();

    int childCount() const override;
    QAccessibleInterface* child(int index) const override;
    int indexOfChild(const QAccessibleInterface* child) const override;
    QAccessibleInterface* childAt(int x, int y) const override;

    QWidget& painted() const { return widget_; }
    std::vector<AccessibleControl> controls() const { return source_.controls(); }
    void activate(std::size_t index) const { source_.activate(index); }
    QString describe(const AccessibleControl& control) const {
        return source_.describe ? source_.describe(control) : QString();
    }

private:
    int paintedCount() const { return static_cast<int>(controls().size()); }

    QWidget& widget_;
    Source source_;
    mutable std::vector<QAccessible::Id> children_;
};

}  // namespace quorvel
