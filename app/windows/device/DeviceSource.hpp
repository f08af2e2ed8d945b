#pragma once
// The app as the device window and the strip see it: the display for a moment, the device's
// controls, and what their keys, pads and rows ask for. Main thread.
#include <QObject>
#include <optional>
#include <string>

#include "kit/engine/DeviceControls.hpp"
#include "kit/visuals/model/DeviceDisplay.hpp"
#include "platform/time/Instant.hpp"

namespace quorvel {

class DeviceSource : public QObject {
    Q_OBJECT

public:
    using QObject::QObject;

    /// What the device and the strip draw at `now`.
    virtual DeviceDisplay display(Instant now) const = 0;
    /// A session is running or in a long run, so elapsed times move every second.
    virtual bool hasBusySession() const = 0;
    virtual DeviceControls controls() const = 0;

    /// Stores the controls (and saves them).
    virtual void setControls(const DeviceControls& controls) = 0;
    /// TEST THE ALARM.
    virtual void startAlarmTest() = 0;
    /// SEEN IT.
    virtual void dismiss() = 0;
    /// Brings the terminal of `sessionID` (the focus session when absent) to the front.
    virtual void bringTerminalForward(const std::optional<std::string>& sessionID) = 0;

signals:
    /// Something the app holds changed; what the device and the strip show may or may not differ.
    void changed();
};

}  // namespace quorvel
