#pragma once
// The requests to end the process that come as signals (SIGTERM from the session or a
// service manager, SIGINT from a terminal, SIGHUP when the terminal goes), turned into a Qt
// signal on the main thread, so the app can finish its work and exit cleanly instead of
// being cut off. The handler itself only writes the signal's number to a pipe (the one thing
// safe to do there); a socket notifier reads it on the main thread. One instance per process,
// made on the main thread after the Qt application object; while it exists those three
// signals no longer end the process by themselves.
#include <QObject>
#include <QSocketNotifier>
#include <memory>

namespace quorvel {

class TerminationSignals final : public QObject {
    Q_OBJECT

public:
    explicit TerminationSignals(QObject* parent = nullptr);
    ~TerminationSignals() override;
    TerminationSignals(const TerminationSignals&) = delete;
    TerminationSignals& operator=(const TerminationSignals&) = delete;

    /// False when the pipe or the handlers couldn't be set up (the signals then keep their
    /// default effect).
    bool installed() const { return installed_; }

signals:
    /// Once per signal received, with its number.
    void terminationRequested(int signalNumber);

private:
    void readPending();

    bool installed_ = false;
    std::unique_ptr<QSocketNotifier> notifier_;
};

}  // namespace quorvel
