#pragma once
// The first-run setup window's content, in the desktop's standard look: four steps (hooks,
// start at login, banners, the phone key), each with a live check circle and one button that
// does or undoes it, and Done, which Return also triggers. Main thread; the source and the
// navigator must outlive the view.
#include <QWidget>
#include <array>

#include "app/windows/setup/SetupPresenter.hpp"

class QLabel;
class QPushButton;

namespace quorvel {

class PaintedWidget;

class SetupView final : public QWidget {
    Q_OBJECT

public:
    static constexpr int width = 520;
    static constexpr int padding = 24;
    static constexpr int spacing = 18;
    static constexpr int stepCount = 4;

    SetupView(SetupSource& source, WindowNavigator& navigator, QWidget* parent = nullptr);

    QSize sizeHint() const override;

    SetupPresenter& presenter() { return presenter_; }
    /// The button of step `index` (0 to 3).
    QPushButton* stepButton(int index) const { return buttons_.at(static_cast<std::size_t>(index)); }
    /// Whether step `index` shows as done.
    bool stepDone(int index) const { return done_.at(static_cast<std::size_t>(index)); }
    QPushButton* doneButton() const { return doneButton_; }
    /// Under the banners step's button: who manages the banners, once their settings couldn't
    /// be opened; hidden before.
    QLabel* bannerNote() const { return bannerNote_; }

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    void refresh();

    SetupPresenter presenter_;
    std::array<QPushButton*, stepCount> buttons_{};
    std::array<PaintedWidget*, stepCount> checks_{};
    std::array<bool, stepCount> done_{};
    QPushButton* doneButton_ = nullptr;
    QLabel* bannerNote_ = nullptr;
};

}  // namespace quorvel
