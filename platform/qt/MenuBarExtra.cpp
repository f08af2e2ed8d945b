#include "platform/qt/MenuBarExtra.hpp"

#include <QAction>
#include <QGuiApplication>
#include <QKeySequence>

#include "platform/qt/MenuBarIcons.hpp"

namespace quorvel {

MenuBarExtra::MenuBarExtra(QString title)
    : title_(std::move(title)), menu_(std::make_unique<QMenu>()) {
    tray_.setToolTip(title_);
    tray_.setContextMenu(menu_.get());
    setSymbol("terminal");
    connect(&tray_, &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason reason) {
        if (reason == QSystemTrayIcon::Trigger && activatedHandler_) activatedHandler_();
    });
    connect(menu_.get(), &QMenu::aboutToShow, this, [this] {
        if (aboutToShowHandler_) aboutToShowHandler_();
    });
    connect(menu_.get(), &QMenu::aboutToHide, this, [this] {
        // Rebuilding inside aboutToHide would take away the action being triggered.
        if (rebuildPending_) QMetaObject::invokeMethod(this, [this] { rebuild(); }, Qt::QueuedConnection);
    });
}

MenuBarExtra::~MenuBarExtra() {
    tray_.setContextMenu(nullptr);
}

bool MenuBarExtra::show() {
    // Without a display there is no tray to ask.
    if (QGuiApplication::platformName() == QLatin1String("offscreen")) return false;
    const bool available = QSystemTrayIcon::isSystemTrayAvailable();
    tray_.show();
    return available;
}

void MenuBarExtra::setSymbol(std::string_view symbol) {
    if (symbol == symbol_) return;
    symbol_ = std::string(symbol);
    tray_.setIcon(MenuBarIcons::icon(symbol_));
}

void MenuBarExtra::setItems(std::vector<MenuItem> items) {
    if (items == items_ && !rebuildPending_) return;
    items_ = std::move(items);
    if (menu_->isVisible()) {
        rebuildPending_ = true;
        return;
    }
    rebuild();
}

QString MenuBarExtra::menuText(std::string_view title) {
    QString text = QString::fromUtf8(title.data(), static_cast<qsizetype>(title.size()));
    text.replace(QLatin1Char('&'), QLatin1String("&&"));
    for (const QChar breaking : {QChar('\t'), QChar('\n'), QChar('\r')}) text.replace(breaking, QLatin1Char(' '));
    return text;
}

void MenuBarExtra::rebuild() {
    if (menu_->isVisible()) {
        rebuildPending_ = true;
        return;
    }
    rebuildPending_ = false;
    menu_->clear();
    // clear() drops the actions only; the submenus made by addMenu are children of the menu.
    for (QMenu* submenu : menu_->findChildren<QMenu*>(Qt::FindDirectChildrenOnly)) delete submenu;
    fill(*menu_, items_);
}

void MenuBarExtra::fill(QMenu& menu, const std::vector<MenuItem>& items) {
    for (const MenuItem& item : items) {
        switch (item.kind) {
            case MenuItem::Kind::separator: menu.addSeparator(); break;
            case MenuItem::Kind::text: menu.addAction(menuText(item.title))->setEnabled(false); break;
            case MenuItem::Kind::submenu: fill(*menu.addMenu(menuText(item.title)), item.items); break;
            case MenuItem::Kind::button:
            case MenuItem::Kind::toggle: {
                QAction* action = menu.addAction(menuText(item.title));
                if (!item.shortcut.empty()) action->setShortcut(QKeySequence(QString::fromStdString(item.shortcut)));
                const bool toggle = item.kind == MenuItem::Kind::toggle;
                if (toggle) {
                    action->setCheckable(true);
                    action->setChecked(item.checked);
                }
                connect(action, &QAction::triggered, this, [this, action, toggle, item] {
                    // The switch shows the model's value, not its own: the model answers with
                    // new items when it takes the change.
                    if (toggle) action->setChecked(item.checked);
                    // Handled from the event loop: the handler may rebuild the menu, which
                    // deletes this action while it is still emitting.
                    QMetaObject::invokeMethod(
                        this,
                        [this, action = item.action, value = toggle && !item.checked] {
                            if (actionHandler_) actionHandler_(action, value);
                        },
                        Qt::QueuedConnection);
                });
                break;
            }
        }
    }
}

}  // namespace quorvel
