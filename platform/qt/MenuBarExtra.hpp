#pragma once
// The app's menu-bar extra on a Linux desktop: an icon in the system tray with the app's
// menu, rebuilt from plain menu items whenever they change. Main thread.
#include <QMenu>
#include <QObject>
#include <QString>
#include <QSystemTrayIcon>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/desktop/MenuItem.hpp"

namespace quorvel {

class MenuBarExtra final : public QObject {
    Q_OBJECT

public:
    /// A click on a button or toggle: the item's action and, for a toggle, its new value.
    using ActionHandler = std::function<void(const std::string& action, bool checked)>;

    /// An icon titled `title` (its tool tip), not on screen until `show`. Needs a Qt GUI
    /// application object.
    explicit MenuBarExtra(QString title);
    ~MenuBarExtra() override;

    /// Puts the icon in the tray. False when the desktop shows no tray (then the menu can't
    /// be reached) or there is no display.
    bool show();

    /// The icon of a symbol name (see MenuBarIcons); nothing happens when it is unchanged.
    void setSymbol(std::string_view symbol);
    const std::string& symbol() const { return symbol_; }

    /// The menu's entries. The menu is rebuilt only when they differ from the current ones,
    /// and while it is open it is rebuilt once it closes, so it never changes under the
    /// pointer.
    void setItems(std::vector<MenuItem> items);
    const std::vector<MenuItem>& items() const { return items_; }

    void onAction(ActionHandler handler) { actionHandler_ = std::move(handler); }
    /// A plain click on the icon (the menu opens on the context click).
    void onActivated(std::function<void()> handler) { activatedHandler_ = std::move(handler); }
    /// Just before the menu opens, so it can be brought up to date.
    void onAboutToShow(std::function<void()> handler) { aboutToShowHandler_ = std::move(handler); }

    /// The menu as built now.
    QMenu& menu() { return *menu_; }

    /// `title` as a menu shows it literally: "&" doubled (not a keyboard accelerator), tabs
    /// and line breaks as spaces (a tab would start the shortcut column).
    static QString menuText(std::string_view title);

private:
    void rebuild();
    void fill(QMenu& menu, const std::vector<MenuItem>& items);

    QString title_;
    QSystemTrayIcon tray_;
    std::unique_ptr<QMenu> menu_;
    std::vector<MenuItem> items_;
    std::string symbol_;
    bool rebuildPending_ = false;
    ActionHandler actionHandler_;
    std::function<void()> activatedHandler_;
    std::function<void()> aboutToShowHandler_;
};

}  // namespace quorvel
