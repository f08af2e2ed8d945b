#include "platform/qt/LogindSleepInhibitor.hpp"

#include <QDBusMessage>
#include <QDBusUnixFileDescriptor>
#include <fcntl.h>
#include <unistd.h>
#include <utility>

namespace quorvel {
namespace {

constexpr int answerTimeoutMilliseconds = 3000;

class InhibitorHold final : public SleepInhibitor::Hold {
public:
    explicit InhibitorHold(int descriptor) : descriptor_(descriptor) {}
    ~InhibitorHold() override { ::close(descriptor_); }
    InhibitorHold(const InhibitorHold&) = delete;
    InhibitorHold& operator=(const InhibitorHold&) = delete;

private:
    int descriptor_;
};

}  // namespace

LogindSleepInhibitor::LogindSleepInhibitor(QString who, QDBusConnection connection)
    : who_(std::move(who)), connection_(std::move(connection)) {}

Expected<std::unique_ptr<SleepInhibitor::Hold>, DesktopError> LogindSleepInhibitor::hold(std::string_view reason) {
    if (!connection_.isConnected()) {
        const QString why = connection_.lastError().message();
        return unexpected(DesktopError{why.isEmpty() ? std::string("No D-Bus system bus")
                                                     : "No D-Bus system bus: " + why.toStdString()});
    }
    QDBusMessage call = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.login1"), QStringLiteral("/org/freedesktop/login1"),
        QStringLiteral("org.freedesktop.login1.Manager"), QStringLiteral("Inhibit"));
    call << QStringLiteral("sleep:idle") << who_
         << QString::fromUtf8(reason.data(), static_cast<qsizetype>(reason.size())) << QStringLiteral("block");
    const QDBusMessage reply = connection_.call(call, QDBus::Block, answerTimeoutMilliseconds);
    if (reply.type() == QDBusMessage::ErrorMessage) {
        const QString why = reply.errorMessage().isEmpty() ? reply.errorName() : reply.errorMessage();
        return unexpected(DesktopError{why.toStdString()});
    }
    const QList<QVariant> arguments = reply.arguments();
    const QDBusUnixFileDescriptor lock =
        arguments.isEmpty() ? QDBusUnixFileDescriptor() : qvariant_cast<QDBusUnixFileDescriptor>(arguments.first());
    if (!lock.isValid()) return unexpected(DesktopError{"logind sent no inhibitor lock"});
    // A copy of our own, so the lock lasts exactly as long as the hold.
    const int descriptor = ::fcntl(lock.fileDescriptor(), F_DUPFD_CLOEXEC, 0);
    if (descriptor < 0) return unexpected(DesktopError{"Couldn't keep the inhibitor lock"});
    return std::unique_ptr<SleepInhibitor::Hold>(std::make_unique<InhibitorHold>(descriptor));
}

}  // namespace quorvel
