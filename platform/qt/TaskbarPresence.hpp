#pragma once
// Whether the app shows in the desktop's taskbar like any other app, or lives in the tray
// only. On X11 a tray-only app's windows carry _NET_WM_STATE_SKIP_TASKBAR, so the taskbar
// lists none of them; Wayland offers no such hint, so there every window is listed.
// Main thread.
#include <QObject>
#include <QWindow>

namespace quorvel {

class TaskbarPresence final : public QObject {
    Q_OBJECT

public:
    /// Starts tray only and watches every window the app shows from now on. Needs a Qt GUI
    /// application object.
    TaskbarPresence();
    ~TaskbarPresence() override;

    /// Listed in the taskbar (`true`) or tray only; applied to the windows on screen at once.
    void setShown(bool shown);
    bool shown() const { return shown_; }

    /// Brings the app's windows on screen to the front, the most recently active on top.
    static void activateApp();

    /// Whether `window` carries the skip-taskbar state now (X11 only; false elsewhere).
    static bool skipsTaskbar(QWindow& window);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void apply(QWindow& window, bool mapped) const;

    bool shown_ = false;
};

}  // namespace quorvel
