#pragma once
// The app's one central object, on the main thread for the life of the process: the one
// model the windows, the menu and the strip read. It owns every service, the settings, the
// start-up order and the quit. Four feature parts own the rest, each with its state and
// intents: `sessions()` (the event server, the spool intake, the five-second tick, the state
// machine and its effects, the FINISHED list), `device()` (the pads, the mute, the floppy,
// the alarm test, the dismiss), `hooks()` (the helper, the hooks, the login item, the
// banners' permission) and `phone()` (pairing, pushes, Live Activities, the keys in the
// keyring). The model makes them from the services they need, wires what they need of each
// other, and relays their `changed` as its own. It knows no window: the window coordinator
// and the presenters read it and its parts and call their intents.
//
// Tracked fields announce a change through their signal, and then through `changed`, only
// when the new value differs from the old one; the side effects of their setters run on
// every assignment. Work that may wait (pushes, the phone exchange, the keyring) runs on the
// work queues and comes back to the main thread as a queued call on this object (`ModelHops`),
// which Qt drops once the model is gone.
#include <QObject>
#include <functional>
#include <memory>

#include "app/model/AppServices.hpp"
#include "app/model/ModelHops.hpp"
#include "app/model/device/DevicePart.hpp"
#include "app/model/hooks/HooksPart.hpp"
#include "app/model/phone/PhonePart.hpp"
#include "app/model/sessions/SessionsPart.hpp"
#include "app/settings/AppSettings.hpp"
#include "platform/logging/Logger.hpp"

namespace quorvel {

class AppModel final : public QObject {
    Q_OBJECT

public:
    /// At quit, the longest wait for the login keyring and the network together.
    static constexpr int quitWaitMilliseconds = 2000;
    /// The last part of that wait, kept for the outcomes of the requests cancelled at quit
    /// even when the keyring took the rest.
    static constexpr int quitOutcomesMilliseconds = 250;

    /// Loads the settings, controls, sessions and finished list, installs the helper, reads
    /// the hook status and the stored keys, and queues the start-up (`start`), so work queued
    /// after the model is made (the windows the coordinator restores) runs after it. Needs a
    /// Qt application object.
    explicit AppModel(AppServices services, QObject* parent = nullptr);
    ~AppModel() override;
    AppModel(const AppModel&) = delete;
    AppModel& operator=(const AppModel&) = delete;

    // ---- the feature parts --------------------------------------------------------------
    SessionsPart& sessions() { return *sessions_; }
    const SessionsPart& sessions() const { return *sessions_; }
    DevicePart& device() { return *device_; }
    const DevicePart& device() const { return *device_; }
    PhonePart& phone() { return *phone_; }
    const PhonePart& phone() const { return *phone_; }
    HooksPart& hooks() { return *hooks_; }
    const HooksPart& hooks() const { return *hooks_; }

    // ---- tracked state ------------------------------------------------------------------
    const AppSettings& settings() const { return settings_; }
    /// Stores the settings, re-derives the state machine's timings, switches the taskbar entry
    /// when `showInDock` changed, and saves them; all of it on every assignment.
    void setSettings(AppSettings settings);

    // ---- untracked state ----------------------------------------------------------------
    const QuorvelPaths& paths() const { return services_.paths; }

    // ---- the end ------------------------------------------------------------------------
    /// The end of the process (quit, a termination signal, log-out), quick whatever waits:
    /// ends the sessions (`SessionsPart::shutDown`: the events not handled yet are spooled,
    /// the FINISHED list and the sessions saved, the keep-awake hold released), then waits
    /// for the user's keyring changes (saves, removals), the phone's network work and the
    /// other work queues until `quitWaitMilliseconds` after it began, and no longer than they
    /// take: keyring reads are not waited for, every keyring
    /// call still waiting is cancelled inside that time, a save the keyring hasn't confirmed
    /// by then is logged as lost, network requests are cancelled, and neither this nor the
    /// model's end waits for any of it any longer (`workLeftBehind`). Runs once; later calls
    /// do nothing.
    /// Work still queued for the main thread afterwards is dropped with the model.
    void shutDown();
    /// True once `shutDown` has run.
    bool isShutDown() const { return shutDown_; }
    /// True when `shutDown` ended its wait with work still running (a keyring call stuck on a
    /// prompt nobody answers, a request or child process that hasn't ended). That work owns
    /// what it touches and its results are dropped once the model is gone, but it may hold
    /// libraries' threads and state that the end of the process would take apart under it:
    /// the process, whose state is saved by then, should end without taking anything apart.
    bool workLeftBehind() const { return workLeftBehind_; }

signals:
    void settingsChanged();
    /// After the signal above, and after each part's `changed`: anything the model or its
    /// parts track changed.
    void changed();

private:
    void start();
    /// See `ModelHops`.
    void later(std::function<void()> work) { hops_.later(std::move(work)); }
    /// Reaches the state only tests look at.
    friend struct AppModelTestAccess;

    // First, so every service outlives the state that uses it.
    AppServices services_;
    Logger logger_;
    ModelHops hops_;

    AppSettings settings_;

    std::unique_ptr<SessionsPart> sessions_;
    std::unique_ptr<DevicePart> device_;
    std::unique_ptr<HooksPart> hooks_;
    std::unique_ptr<PhonePart> phone_;

    bool shutDown_ = false;
    /// Some work didn't end in time at quit (see `workLeftBehind`).
    bool workLeftBehind_ = false;
};

}  // namespace quorvel
