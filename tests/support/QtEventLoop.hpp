#pragma once
// Waiting in a test for something that arrives through the Qt event loop (a D-Bus answer, a
// queued call, a timer): the loop runs while the test waits.
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QThread>
#include <functional>

namespace quorvel::testing {

/// Runs the event loop until `condition` holds (true) or `milliseconds` have passed (false).
inline bool waitUntil(const std::function<bool()>& condition, int milliseconds = 5000) {
    QElapsedTimer timer;
    timer.start();
    while (!condition()) {
        if (timer.elapsed() > milliseconds) return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        QThread::msleep(1);
    }
    return true;
}

/// Runs the event loop for `milliseconds`.
inline void runEvents(int milliseconds) {
    waitUntil([] { return false; }, milliseconds);
}

}  // namespace quorvel::testing
