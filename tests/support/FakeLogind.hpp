#pragma once
// logind's Inhibit (org.freedesktop.login1.Manager), as far as the app uses it, for a test to
// put on a bus of its own, answering from a thread of its own (the app's inhibitor waits for
// the answer on its main thread). Each lock is a pipe: the caller gets the write end, and the
// read end sees the pipe hang up once every copy of the lock is closed, by the holder or by
// its end.
// Q_OBJECT: a suite that includes it lists this header among its sources, so moc sees it.
#include <QDBusContext>
#include <QDBusError>
#include <QDBusUnixFileDescriptor>
#include <QObject>
#include <QString>
#include <fcntl.h>
#include <mutex>
#include <poll.h>
#include <unistd.h>
#include <vector>

namespace quorvel::testing {

class FakeLogind : public QObject, protected QDBusContext {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.login1.Manager")

public:
    struct Request {
        QString what, who, why, mode;
    };

    ~FakeLogind() override {
        for (const int end : readEnds) ::close(end);
    }

    /// Guards the fields below, which the bus's thread writes.
    std::mutex mutex;
    /// When set, every request is refused with this text.
    QString refusal;
    std::vector<Request> requests;
    /// The read end of each lock handed out, in order.
    std::vector<int> readEnds;

    /// Whether the lock whose read end is `readEnd` is let go.
    static bool released(int readEnd) {
        pollfd watched{readEnd, POLLIN, 0};
        return ::poll(&watched, 1, 0) == 1 && (watched.revents & POLLHUP) != 0;
    }

public slots:
    QDBusUnixFileDescriptor Inhibit(const QString& what, const QString& who, const QString& why, const QString& mode) {
        std::lock_guard lock(mutex);
        requests.push_back({what, who, why, mode});
        if (!refusal.isEmpty()) {
            sendErrorReply(QDBusError::AccessDenied, refusal);
            return {};
        }
        int ends[2];
        if (::pipe2(ends, O_CLOEXEC) != 0) return {};
        readEnds.push_back(ends[0]);
        QDBusUnixFileDescriptor writeEnd(ends[1]);  // keeps a copy of its own
        ::close(ends[1]);
        return writeEnd;
    }
};

}  // namespace quorvel::testing
