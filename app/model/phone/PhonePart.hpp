#pragma once
// The phone: pairing and the record exchange (sync, acknowledgement, test requests, the
// phone's preference), which live alerts become pushes and how they went, the lists the phone
// mirrors, the Live Activities, and the APNs key and relay in the login keyring (with the
// bounded wait for the user's keyring changes at quit). Main thread; network and keyring work
// runs on the services' queues and comes back through the model's hops. The services and the
// neighbours are the model's and outlive the part.
//
// Tracked fields send their own signal, then `changed`, only when the new value differs; the
// side effects of their setters run on every assignment.
#include <QObject>
#include <atomic>
#include <chrono>
#include <cstddef>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/model/AppServices.hpp"
#include "app/model/ModelHops.hpp"
#include "app/model/PhoneDevice.hpp"
#include "app/model/phone/PhoneNeighbours.hpp"
#include "kit/engine/ListMirror.hpp"
#include "kit/engine/OutgoingPush.hpp"
#include "kit/engine/Router.hpp"
#include "platform/logging/Logger.hpp"
#include "platform/logging/RepeatedFailureLog.hpp"
#include "platform/services/WebUrl.hpp"
#include "platform/time/Instant.hpp"

namespace quorvel {

class PhonePart final : public QObject {
    Q_OBJECT

public:
    /// Without attentive ticks left, the phone is synced on every this-many-th tick.
    static constexpr int phoneSyncPeriod = 3;
    /// Ticks in a row that sync with the phone at start and after the phone's record changed.
    static constexpr int attentiveTickCount = 36;
    /// The start's one line where the desktop has no iCloud (information, not an error).
    static constexpr std::string_view noICloudNote =
        "No iCloud on this computer: a phone is not found or told of changes through it; its device "
        "token can be pasted in Settings";
    /// Update time of the phone preference applied when none ever was: the distant past.
    static constexpr Instant distantPast = Instant::fromReferenceSeconds(-63114076800.0);

    /// Reads the stored device token and the time of the last applied phone preference.
    PhonePart(AppServices& services, const ModelHops& hops, PhoneNeighbours neighbours, QObject* parent = nullptr);
    PhonePart(const PhonePart&) = delete;
    PhonePart& operator=(const PhonePart&) = delete;

    // ---- tracked state ------------------------------------------------------------------
    const std::optional<std::string>& apnsKeyID() const { return apnsKeyID_; }
    const std::optional<WebUrl>& relayURL() const { return relayURL_; }
    const std::string& lastPushReport() const { return lastPushReport_; }
    const std::optional<PhoneDevice>& pairedPhone() const { return pairedPhone_; }
    const std::string& pairingReport() const { return pairingReport_; }
    /// False where the desktop has no iCloud, so the phone's token can only be pasted.
    bool iCloudAvailable() const { return services_.iCloudAvailable; }
    const std::string& phoneDeviceToken() const { return phoneDeviceToken_; }
    /// Stores the token, and writes it to the defaults on every assignment; ends a refusal of
    /// what the user entered (`phoneTokenReport`).
    void setPhoneDeviceToken(std::string token);
    /// The token as the user typed or pasted it: stored as it stands when it is empty or a
    /// device token, else refused in `phoneTokenReport` and the stored one kept.
    void enterPhoneDeviceToken(std::string typed);
    /// Why what the user entered as the phone token was refused; empty while it wasn't.
    const std::string& phoneTokenReport() const { return phoneTokenReport_; }
    /// What became of the last relay save or removal, for beside its keys; empty before the
    /// first, while a save is under way and after a removal.
    const std::string& relayReport() const { return relayReport_; }
    /// A key or relay handed to the login keyring that it hasn't answered for yet.
    bool savingToKeyring() const { return !keyringSaves_.empty(); }
    /// A key or a relay is stored, so pushes can go out.
    bool hasPushCredentials() const { return apnsKeyID_.has_value() || relayURL_.has_value(); }

    // ---- start, tick and quit -----------------------------------------------------------
    /// The start-up's part: the subscription to the phone's record changes, then a sync.
    void start();
    /// One tick: counts towards the next sync and queues it when due.
    void tick();
    /// Made on first use.
    LiveActivityCoordinator& liveActivity();
    /// At quit: cancels the Live Activity requests in flight; false when they didn't end in
    /// `wait`.
    bool stopLiveActivities(std::chrono::milliseconds wait);
    /// The bounded wait for the keyring at quit, until `waitEnds`; false when the keyring is
    /// left behind.
    bool finishKeyringWork(std::chrono::steady_clock::time_point waitEnds);

    // ---- the exchange and the pushes ----------------------------------------------------
    /// Re-reads the stored APNs key ID and relay address from the keyring (off the main
    /// thread; the fields change when the answer is back).
    void refreshKeys();
    /// Fetches the phone's records, pairs with the newest phone, acknowledges it and answers
    /// its test requests.
    void syncPhone();
    /// The phone's records changed (a remote notification arrived).
    void phoneRecordsChanged();
    /// Away: the screen is locked, or the user has been idle for the settings' away minutes.
    bool isAway();
    Router::Context makeRouterContext(Instant now);
    /// The user typed a prompt in session `sessionID`: its next alert of a kind already pushed
    /// goes out again.
    void forgetPushes(const std::string& sessionID) { router_.forget(sessionID); }
    /// Asks the router about a live alert and sends or reports accordingly.
    void routePush(const Alert& alert);
    /// Sends `push` off the main thread and reports the outcome in `lastPushReport`.
    void deliver(const OutgoingPush& push);
    /// Sends a done push to the phone whatever the router would say; `lastPushReport` says it
    /// is on its way, then how it went (or why it can't go: a stored token that is no device
    /// token).
    void sendTestPush(const std::string& title, const std::string& body);
    /// Publishes the RUNNING and FINISHED lists to the paired phone when they changed.
    void publishListsIfNeeded();

    // ---- the keys -----------------------------------------------------------------------
    /// Asks for the APNs key file (.p8) and stores it in the keyring with `keyID` (from a
    /// file named "AuthKey_<key ID>.p8" when empty) and `teamID`; a failure is shown in the
    /// error alert. The key ID is read back from the keyring either way.
    void importAPNsKey(const std::string& keyID, const std::string& teamID);
    /// Stores the relay's address and key in the keyring; the outcome is reported in
    /// `relayReport`.
    void setRelay(const std::string& url, const std::string& key);
    /// Deletes the relay's address and key; a failure is reported in `relayReport`.
    void removeRelay();
    /// Deletes the stored APNs key; a failure is shown in the error alert. The key ID is read
    /// back from the keyring either way.
    void removeAPNsKey();

signals:
    void apnsKeyIDChanged();
    void relayURLChanged();
    void lastPushReportChanged();
    void pairedPhoneChanged();
    void pairingReportChanged();
    void phoneDeviceTokenChanged();
    void phoneTokenReportChanged();
    void relayReportChanged();
    void savingToKeyringChanged();
    /// After each of the signals above.
    void changed();

private:
    void deliver(const OutgoingPush& push, bool routed);
    void setApnsKeyID(std::optional<std::string> keyID);
    void setRelayURL(std::optional<WebUrl> url);
    void setLastPushReport(std::string report);
    void setPairedPhone(PhoneDevice phone);
    void setPairingReport(std::string report);
    void setPhoneTokenReport(std::string report);
    void setRelayReport(std::string report);
    /// The pairing report after the exchange failed: the failure's own text, or, without
    /// iCloud, what the user does instead (its advice to sign in can't be followed here).
    std::string syncFailureReport(const std::string& failure) const;
    void finishPhoneSync(const Expected<std::vector<PhoneDevice>, TokenSync::Failure>& phones,
                         std::size_t pendingRequests);
    void answerTestRequests(const std::vector<TokenSync::TestRequest>& requests);

    /// What a call on the keyring's queue does: a read has nothing to lose at quit, a change
    /// (a save, a removal) is the user's and is waited for.
    enum class KeyringCall { read, change };
    /// `inBackground` on the keyring's queue, which the model may leave behind at quit: the
    /// function `work` returns is dropped when the model is gone by then.
    void inKeyring(std::function<std::function<void()>()> work, KeyringCall call = KeyringCall::read);
    /// `inKeyring` for a save, named `what` in the log ("relay key"), which counts in
    /// `savingToKeyring` until its answer is back on the main thread.
    void saveInKeyring(std::string what, std::function<std::function<void()>()> work);

    friend struct PhonePartTestAccess;

    AppServices& services_;
    const ModelHops& hops_;
    PhoneNeighbours neighbours_;
    Logger logger_;

    std::optional<std::string> apnsKeyID_;
    std::optional<WebUrl> relayURL_;
    std::string lastPushReport_;
    std::optional<PhoneDevice> pairedPhone_;
    std::string pairingReport_;
    std::string phoneDeviceToken_;
    std::string phoneTokenReport_;
    std::string relayReport_;

    Router router_;
    int ticksSinceTokenFetch_ = 0;
    int attentiveTicks_ = attentiveTickCount;
    std::optional<ListMirror> publishedMirror_;
    Instant appliedPhonePrefsAt_ = distantPast;
    bool publishingMirror_ = false;
    // Failures that can come back on every tick or push: each logged when its text changes,
    // and hourly while it stays the same.
    RepeatedFailureLog phoneSyncFailures_{logger_};
    RepeatedFailureLog acknowledgeFailures_{logger_};
    RepeatedFailureLog publishFailures_{logger_};
    RepeatedFailureLog pushFailures_{logger_};

    std::unique_ptr<LiveActivityCoordinator> liveActivity_;

    struct KeyringSave {
        std::string what;
        /// Set on the keyring's queue as soon as the keyring answered.
        std::shared_ptr<std::atomic<bool>> answered;
    };
    std::vector<KeyringSave> keyringSaves_;
    /// Keyring changes handed to the keyring's queue that haven't returned yet; counted there.
    std::shared_ptr<std::atomic<int>> keyringChangesUnderWay_ = std::make_shared<std::atomic<int>>(0);
};

}  // namespace quorvel
