#pragma once
// Stands in for a window's view that this build doesn't have yet, so its window can already
// be shown, moved and remembered.
#include <QString>
#include <QWidget>

namespace quorvel {

class PlaceholderView final : public QWidget {
    Q_OBJECT

public:
    /// Shows `title` and a line saying the view isn't in this build.
    explicit PlaceholderView(const QString& title, QSize size = QSize(420, 200));

    QSize sizeHint() const override { return size_; }

private:
    QSize size_;
};

}  // namespace quorvel
