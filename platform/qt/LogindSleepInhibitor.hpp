#pragma once
// Holds the computer awake with a logind inhibitor lock ("sleep:idle", mode "block") taken
// from org.freedesktop.login1 on the system bus. logind hands back a file descriptor and
// honours the lock until every copy of it is closed; a hold keeps the one copy.
#include <QDBusConnection>
#include <QString>

#include "platform/desktop/SleepInhibitor.hpp"

namespace quorvel {

class LogindSleepInhibitor final : public SleepInhibitor {
public:
    /// Asks on `connection` in the name of `who`. Needs a Qt application object.
    explicit LogindSleepInhibitor(QString who, QDBusConnection connection = QDBusConnection::systemBus());

    /// Waits for logind's answer (a few milliseconds; at most three seconds).
    Expected<std::unique_ptr<Hold>, DesktopError> hold(std::string_view reason) override;

private:
    QString who_;
    QDBusConnection connection_;
};

}  // namespace quorvel
