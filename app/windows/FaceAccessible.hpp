#pragma once
// Assistive tools see a face window's painted controls as its children: each key, pad, the
// fader, the tabs and the rows with their name, role and value, and can press them. The
// children are read from the face at every question, so they follow what it shows now.
// Main thread.
#include <QAccessibleWidget>
#include <vector>

namespace quorvel {

class FaceWindow;

class FaceAccessible final : public QAccessibleWidget {
public:
    explicit FaceAccessible(FaceWindow& window);
    ~FaceAccessible() override;

    /// Makes Qt's accessibility ask this class about every face window (once per process).
    static void installFactory();

    int childCount() const override;
    QAccessibleInterface* child(int index) const override;
    int indexOfChild(const QAccessibleInterface* child) const override;
    QAccessibleInterface* childAt(int x, int y) const override;

    FaceWindow& face() const { return window_; }

private:
    FaceWindow& window_;
    mutable std::vector<QAccessible::Id> children_;
};

}  // namespace quorvel
