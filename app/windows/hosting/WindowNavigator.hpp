#pragma once
// What the surfaces ask of the app's windows: which face is on screen, and the windows to
// bring up or put away. The window coordinator answers it; tests answer it with a fake.
// Main thread.
#include <QObject>

namespace quorvel {

class WindowNavigator : public QObject {
    Q_OBJECT

public:
    using QObject::QObject;

    virtual bool deviceVisible() const = 0;
    virtual bool stripVisible() const = 0;
    /// Shows or hides the device window (the strip); the choice is kept for the next start.
    virtual void setDeviceVisible(bool visible) = 0;
    virtual void setStripVisible(bool visible) = 0;
    virtual void showSettings() = 0;
    virtual void showSetup() = 0;
    virtual void showFinished() = 0;
    /// First-run setup is over for good: the setup window closes and no longer opens at start
    /// (it can still be shown).
    virtual void finishSetup() = 0;

signals:
    /// `deviceVisible` or `stripVisible` differs.
    void visibilityChanged();
};

}  // namespace quorvel
