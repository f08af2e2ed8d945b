#pragma once
// The finished window's content, fixed at 520 x 420 in the dark look: the whole FINISHED
// list in a vertical scroll view (the log of one run under its row), and a footer with the
// count and Clear. A log panel's long lines wrap inside the panel (anywhere, for a line with
// no break), so no log ever widens the window. Main thread.
#include <QWidget>
#include <memory>

#include "app/windows/finished/FinishedPresenter.hpp"

class QLabel;
class QPushButton;
class QScrollArea;

namespace quorvel {

class FinishedListWidget;

class FinishedView final : public QWidget {
    Q_OBJECT

public:
    static constexpr int width = 520;
    static constexpr int height = 420;

    /// `source` must outlive the view.
    FinishedView(FinishedSource& source, std::shared_ptr<const Clock> clock, QWidget* parent = nullptr);
    ~FinishedView() override;

    FinishedPresenter& presenter() { return presenter_; }
    const QLabel& caption() const { return *caption_; }
    QPushButton& clearButton() { return *clear_; }
    FinishedListWidget& list() { return *list_; }

protected:
    void showEvent(QShowEvent* event) override;

private:
    void update();

    FinishedPresenter presenter_;
    QScrollArea* scroll_ = nullptr;
    FinishedListWidget* list_ = nullptr;
    QLabel* caption_ = nullptr;
    QPushButton* clear_ = nullptr;
};

}  // namespace quorvel
