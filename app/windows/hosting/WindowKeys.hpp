#pragma once
// The keys every window of the app answers: the menu's own shortcuts (Ctrl+, for the settings,
// Ctrl+Q to quit) and, in a window that can be closed, Esc and Ctrl+W. They are read from the
// key presses that reach the window rather than from Qt's shortcut map, which only ever looks
// at the active window: without a window manager no window of the app becomes active (the
// keyboard goes to the window under the pointer), and the strip never takes the keyboard at
// all. A key a control inside the window takes for itself (Esc in an open list) stays
// the control's. Main thread.
#include <QObject>
#include <QWidget>
#include <functional>

#include "app/menu/MenuBarAction.hpp"

namespace quorvel {

class WindowKeys final : public QObject {
    Q_OBJECT

public:
    /// Carries out one of the menu's actions, as a click on its item would.
    using MenuCommand = std::function<void(MenuBarAction)>;

    /// Watches the keys of `window`, which owns the watcher. `close` (may be empty: the
    /// window has no Esc nor Ctrl+W) takes the window away.
    static void install(QWidget& window, MenuCommand menuCommand, std::function<void()> close = {});

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    WindowKeys(QWidget& window, MenuCommand menuCommand, std::function<void()> close);

    MenuCommand menuCommand_;
    std::function<void()> close_;
};

}  // namespace quorvel
