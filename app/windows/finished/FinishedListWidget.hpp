#pragma once
// The FINISHED list painted inside the finished window's scroll view: as tall as its rows
// and the open log, as wide as the view. A click on a row with a log opens or closes it; the
// wheel over an open log scrolls the log, and its text can be selected and copied (a clear,
// read-only text field lies over the painted text, laid out the same way). Assistive tools
// see each row, and open or close its log as a click would. Main thread.
#include <QPlainTextEdit>
#include <QWidget>
#include <cstddef>
#include <optional>
#include <vector>

#include "app/windows/finished/FinishedPresenter.hpp"
#include "app/windows/hosting/PaintedControls.hpp"
#include "kit/visuals/views/lists/FinishedListView.hpp"

namespace quorvel {

class FinishedListWidget final : public QWidget, public PaintedControls {
    Q_OBJECT

public:
    static constexpr int padding = 16;

    /// `presenter` must outlive the widget.
    explicit FinishedListWidget(FinishedPresenter& presenter, QWidget* parent = nullptr);

    /// The list as painted now.
    FinishedListView view() const;
    /// Lays the list out again for `width` after a change; its height follows.
    void relayout(int width);
    /// Where the list is drawn within the widget.
    QRectF listFrame() const;

    /// The rows as assistive tools see them, top to bottom: a row with a log is a toggle that
    /// opens it (checked while open), any other row, and the empty list's line, is text.
    std::vector<AccessibleControl> controls() const override;
    /// A click on row `index` of `controls()`.
    void activate(std::size_t index) override;
    QAccessible::Role accessibleRole() const override { return QAccessible::List; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;

public:
    /// The selectable text over the open log; hidden while no log is open.
    const QPlainTextEdit& logText() const { return *logText_; }

private:
    /// Lays the selectable text over the open log's panel, or hides it.
    void placeLogText();

    FinishedPresenter& presenter_;
    QWidget* logWindow_ = nullptr;
    QPlainTextEdit* logText_ = nullptr;
    std::optional<std::size_t> scrolledLog_;
    double logScroll_ = 0;
};

}  // namespace quorvel
