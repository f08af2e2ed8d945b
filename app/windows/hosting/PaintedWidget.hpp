#pragma once
// Puts one of the kit's painted views in a widget layout at a fixed size: the widget only
// hands its painter to the view. Main thread.
#include <QWidget>
#include <functional>

namespace quorvel {

class PaintedWidget final : public QWidget {
    Q_OBJECT

public:
    using Paint = std::function<void(QPainter&, const QRectF&)>;

    PaintedWidget(QSize size, Paint paint, QWidget* parent = nullptr);

    /// Repaints with `paint` from now on.
    void setPaint(Paint paint);
    QSize sizeHint() const override { return size_; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QSize size_;
    Paint paint_;
};

}  // namespace quorvel
