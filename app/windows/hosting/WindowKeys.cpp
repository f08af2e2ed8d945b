#include "app/windows/hosting/WindowKeys.hpp"

#include <QKeyEvent>
#include <QKeySequence>

#include "app/menu/MenuBarMenu.hpp"

namespace quorvel {
namespace {

bool pressed(const QKeyEvent& event, const QKeySequence& keys) {
    // Digits and signs typed on the keypad count as the same keys.
    const QKeyCombination typed(event.modifiers() & ~Qt::KeypadModifier, static_cast<Qt::Key>(event.key()));
    return keys.count() == 1 && keys[0] == typed;
}

}  // namespace

WindowKeys::WindowKeys(QWidget& window, MenuCommand menuCommand, std::function<void()> close)
    : QObject(&window), menuCommand_(std::move(menuCommand)), close_(std::move(close)) {
    window.installEventFilter(this);
}

void WindowKeys::install(QWidget& window, MenuCommand menuCommand, std::function<void()> close) {
    new WindowKeys(window, std::move(menuCommand), std::move(close));
}

bool WindowKeys::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::KeyPress) return QObject::eventFilter(watched, event);
    const auto& key = static_cast<const QKeyEvent&>(*event);
    if (close_ && (pressed(key, QKeySequence(Qt::Key_Escape)) || pressed(key, QKeySequence(Qt::CTRL | Qt::Key_W)))) {
        close_();
        return true;
    }
    for (const MenuBarMenu::Shortcut& shortcut : MenuBarMenu::shortcuts) {
        if (pressed(key, QKeySequence(QString::fromLatin1(shortcut.keys)))) {
            if (menuCommand_) menuCommand_(shortcut.action);
            return true;
        }
    }
    return QObject::eventFilter(watched, event);
}

}  // namespace quorvel
