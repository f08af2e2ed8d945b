#pragma once
// The device's own state and what the user does on it: the pads and the fader (saved on every
// assignment), the mute pad, the floppy, the alarm test and its sounds, the dismiss, and the
// terminal brought forward. Main thread; the services and `sessions` are the model's and
// outlive the part.
//
// Tracked fields send their own signal, then `changed`, only when the new value differs; the
// side effects of their setters run on every assignment.
#include <QObject>
#include <QTimer>
#include <optional>
#include <string>

#include "app/desktop/TerminalFinder.hpp"
#include "app/model/device/DeviceSessions.hpp"
#include "kit/engine/DeviceControls.hpp"
#include "kit/sound/SoundPlayer.hpp"
#include "platform/logging/Logger.hpp"
#include "platform/stores/KeyValueStore.hpp"

namespace quorvel {

class DevicePart final : public QObject {
    Q_OBJECT

public:
    /// The alarm test shows this many samples, in the order of `DeviceSamples::names`.
    static constexpr int alarmTestStepCount = 8;

    /// Loads the controls stored in `defaults` (the standard ones when none decode).
    DevicePart(KeyValueStore& defaults, SoundPlayer& sounds, TerminalFinder& terminalFinder,
               DeviceSessions sessions, QObject* parent = nullptr);

    const DeviceControls& controls() const { return controls_; }
    /// Stores the controls and saves them on every assignment.
    void setControls(DeviceControls controls);
    void saveControls();
    bool muted() const { return muted_; }
    void setMuted(bool muted);
    bool floppyPutBack() const { return floppyPutBack_; }
    void setFloppyPutBack(bool putBack);
    std::optional<int> alarmTestStep() const { return alarmTestStep_; }
    void setAlarmTestStep(std::optional<int> step);

    /// Plays `sound` at the device volume, muted or not (a volume of 0 stays silent).
    void playSound(Sound sound);
    /// Brings the terminal of session `sessionID` (the focus session when absent or unknown)
    /// to the front; nothing without a session.
    void bringTerminalForward(const std::optional<std::string>& sessionID);
    /// Steps the device through every sample with its sound (muted or not), from the first.
    void startAlarmTest();
    /// The hold of the alarm test's current sample is over: the next sample, or the end of
    /// the test after the last. Run by the test's timer.
    void advanceAlarmTest();
    /// Stops every sound, then ends the alarm test when it runs, else acknowledges the focus
    /// session and puts the floppy back.
    void dismiss();
    /// The alarm test holds its sample no longer (quit); the step stays as it is.
    void stopAlarmTimer() { alarmTimer_.stop(); }

signals:
    void controlsChanged();
    void mutedChanged();
    void floppyPutBackChanged();
    void alarmTestStepChanged();
    /// After each of the signals above.
    void changed();

private:
    void showAlarmTestStep(int step);

    friend struct DevicePartTestAccess;

    KeyValueStore& defaults_;
    SoundPlayer& sounds_;
    TerminalFinder& terminalFinder_;
    DeviceSessions sessions_;
    Logger logger_;

    DeviceControls controls_;
    bool muted_ = false;
    bool floppyPutBack_ = false;
    std::optional<int> alarmTestStep_;
    /// Holds each sample of the alarm test; running while the test runs.
    QTimer alarmTimer_;
};

}  // namespace quorvel
