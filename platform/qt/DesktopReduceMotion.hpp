#pragma once
// Reduce motion from the desktop's "enable animations" setting, read through the desktop
// portal's settings interface (org.freedesktop.portal.Settings, key enable-animations of
// org.gnome.desktop.interface): on when animations are turned off. Off until the portal
// answers, and for good on a desktop without a portal or without that key. Main thread; needs a
// Qt application object.
#include <QDBusConnection>
#include <QDBusVariant>
#include <QObject>
#include <QString>

#include "platform/desktop/ReduceMotion.hpp"

namespace quorvel {

class DesktopReduceMotion final : public QObject, public ReduceMotion {
    Q_OBJECT
public:
    /// Asks the portal on `connection` at once (without waiting) and follows its changes.
    explicit DesktopReduceMotion(QDBusConnection connection = QDBusConnection::sessionBus());
    ~DesktopReduceMotion() override;

    bool isOn() const override { return on_; }

    /// The portal's value for the key, unwrapped from the variants it comes in; reduce motion is
    /// on only for a Boolean false (anything else leaves it off).
    static bool reducesMotion(const QVariant& enableAnimations);

private slots:
    void settingChanged(const QString& group, const QString& key, const QDBusVariant& value);

private:
    void apply(bool on);

    QDBusConnection connection_;
    bool on_ = false;
    bool subscribed_ = false;
};

}  // namespace quorvel
