#include "app/model/phone/PhonePart.hpp"

#include <algorithm>
#include <utility>

#include "app/delivery/APNsKeyStore.hpp"
#include "app/delivery/RelayKeyStore.hpp"
#include "app/reports/PairingReport.hpp"
#include "app/reports/PushReport.hpp"
#include "kit/engine/CopyBook.hpp"
#include "kit/engine/Quorvel.hpp"
#include "kit/engine/StoredDefaults.hpp"
#include "kit/push/DeviceToken.hpp"
#include "platform/text/UnicodeText.hpp"

namespace quorvel {
namespace {

// How long keyring calls get to return once cancelled; inside the wait kept for the outcomes.
constexpr std::chrono::milliseconds cancelledCallsGrace{100};

std::chrono::milliseconds timeLeft(std::chrono::steady_clock::time_point waitEnds) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(waitEnds - std::chrono::steady_clock::now());
    return std::max(left, std::chrono::milliseconds(0));
}

}  // namespace

PhonePart::PhonePart(AppServices& services, const ModelHops& hops, PhoneNeighbours neighbours, QObject* parent)
    : QObject(parent),
      services_(services),
      hops_(hops),
      neighbours_(std::move(neighbours)),
      logger_(Quorvel::macBundleID, "App") {
    lastPushReport_ = std::string(PushReport::initial);
    pairingReport_ = std::string(services_.iCloudAvailable ? PairingReport::lookingForPhone : PairingReport::noICloud);
    phoneDeviceToken_ = services_.defaults->value(StoredDefaults::phoneDeviceToken).value_or("");
    // A stored value of another type counts as none.
    appliedPhonePrefsAt_ = services_.defaults->value(StoredDefaults::appliedPhonePrefsAt).value_or(distantPast);
}

// ---- tracked setters ------------------------------------------------------------------------

void PhonePart::setPhoneDeviceToken(std::string token) {
    assignTracked(*this, phoneDeviceToken_, std::move(token), &PhonePart::phoneDeviceTokenChanged);
    services_.defaults->set(StoredDefaults::phoneDeviceToken, phoneDeviceToken_);
    setPhoneTokenReport({});
}

void PhonePart::enterPhoneDeviceToken(std::string typed) {
    // Emptying the field takes the token away; anything else must be one.
    if (!text::trimmingWhitespaceAndNewlines(typed).empty() && !DeviceToken::isDeviceToken(typed)) {
        setPhoneTokenReport(std::string(CopyBook::phoneTokenRefused));
        return;
    }
    setPhoneDeviceToken(std::move(typed));
}

void PhonePart::setPhoneTokenReport(std::string report) {
    assignTracked(*this, phoneTokenReport_, std::move(report), &PhonePart::phoneTokenReportChanged);
}

void PhonePart::setRelayReport(std::string report) {
    assignTracked(*this, relayReport_, std::move(report), &PhonePart::relayReportChanged);
}

void PhonePart::setApnsKeyID(std::optional<std::string> keyID) {
    assignTracked(*this, apnsKeyID_, std::move(keyID), &PhonePart::apnsKeyIDChanged);
}

void PhonePart::setRelayURL(std::optional<WebUrl> url) {
    assignTracked(*this, relayURL_, std::move(url), &PhonePart::relayURLChanged);
}

void PhonePart::setLastPushReport(std::string report) {
    assignTracked(*this, lastPushReport_, std::move(report), &PhonePart::lastPushReportChanged);
}

void PhonePart::setPairedPhone(PhoneDevice phone) {
    assignTracked(*this, pairedPhone_, std::optional<PhoneDevice>(std::move(phone)), &PhonePart::pairedPhoneChanged);
}

void PhonePart::setPairingReport(std::string report) {
    assignTracked(*this, pairingReport_, std::move(report), &PhonePart::pairingReportChanged);
}

std::string PhonePart::syncFailureReport(const std::string& failure) const {
    return services_.iCloudAvailable ? failure : std::string(PairingReport::noICloud);
}

// ---- start, tick and quit -------------------------------------------------------------------

void PhonePart::start() {
    if (!services_.iCloudAvailable) logger_.info(std::string(noICloudNote));
    hops_.inBackground(*services_.phoneQueue, [this, sync = services_.tokenSync]() -> std::function<void()> {
        auto subscribed = sync->ensureSubscription();
        return [this, subscribed] {
            if (!subscribed) {
                if (services_.iCloudAvailable) {
                    logger_.error("CloudKit subscription failed: " + subscribed.error().description);
                }
                setPairingReport(syncFailureReport(subscribed.error().description));
            }
            syncPhone();
        };
    });
}

void PhonePart::tick() {
    ++ticksSinceTokenFetch_;
    if (ticksSinceTokenFetch_ >= phoneSyncPeriod || attentiveTicks_ >= 1) {
        ticksSinceTokenFetch_ = 0;
        attentiveTicks_ = std::max(attentiveTicks_ - 1, 0);
        hops_.later([this] { syncPhone(); });
    }
}

void PhonePart::phoneRecordsChanged() {
    hops_.later([this] { syncPhone(); });
}

LiveActivityCoordinator& PhonePart::liveActivity() {
    if (!liveActivity_) liveActivity_ = services_.makeLiveActivity(services_.apns);
    return *liveActivity_;
}

bool PhonePart::stopLiveActivities(std::chrono::milliseconds wait) {
    return !liveActivity_ || liveActivity_->stop(wait);
}

bool PhonePart::finishKeyringWork(std::chrono::steady_clock::time_point waitEnds) {
    WorkQueue& queue = *services_.keychainQueue;
    // Only the user's changes are worth the wait: a read has nothing to keep, and on a locked
    // keyring it may wait for good on an unlock prompt nobody answers.
    bool finished = queue.waitUntilIdleFor(std::chrono::milliseconds(0));
    if (!finished && keyringChangesUnderWay_->load() > 0) finished = queue.waitUntilIdleFor(timeLeft(waitEnds));
    // Whatever else still waits on the keyring (a read, a push reading its credentials) stops
    // now; a cancelled call returns at once, as a rule, but one on a prompt may not.
    services_.keychain->abandonCalls();
    if (finished) return true;
    logger_.notice("The login keyring hasn't answered; quitting without it");
    for (const KeyringSave& save : keyringSaves_) {
        if (!save.answered->load()) {
            logger_.error("The login keyring never confirmed saving the " + save.what + ": that change is lost");
        }
    }
    return queue.waitUntilIdleFor(cancelledCallsGrace);
}

// ---- the keyring ----------------------------------------------------------------------------

void PhonePart::refreshKeys() {
    inKeyring([this, keychain = services_.keychain]() -> std::function<void()> {
        auto key = APNsKeyStore::load(*keychain);
        auto relay = RelayKeyStore::load(*keychain);
        return [this, key = std::move(key), relay = std::move(relay)] {
            // The two stores are read and judged apart: one failing never clears the other.
            // Either failure is logged with the same words.
            const std::string readFailed = "Couldn't read the APNs key from the login keyring: ";
            if (key) {
                setApnsKeyID(*key ? std::optional<std::string>((*key)->keyID) : std::nullopt);
            } else {
                logger_.error(readFailed + APNsKeyStore::describe(key.error()));
                setApnsKeyID(std::nullopt);
            }
            if (relay) {
                setRelayURL(*relay ? std::optional<WebUrl>((*relay)->url) : std::nullopt);
            } else {
                logger_.error(readFailed + APNsKeyStore::describe(relay.error()));
            }
        };
    });
}

void PhonePart::inKeyring(std::function<std::function<void()>()> work, KeyringCall call) {
    if (call == KeyringCall::read) {
        hops_.inBackground(*services_.keychainQueue, std::move(work));
        return;
    }
    ++*keyringChangesUnderWay_;
    hops_.inBackground(*services_.keychainQueue,
                 [underWay = keyringChangesUnderWay_, work = std::move(work)]() -> std::function<void()> {
                     std::function<void()> then = work();
                     --*underWay;
                     return then;
                 });
}

void PhonePart::saveInKeyring(std::string what, std::function<std::function<void()>()> work) {
    auto answered = std::make_shared<std::atomic<bool>>(false);
    keyringSaves_.push_back(KeyringSave{std::move(what), answered});
    if (keyringSaves_.size() == 1) {
        emit savingToKeyringChanged();
        emit changed();
    }
    inKeyring([this, answered, work = std::move(work)]() -> std::function<void()> {
        std::function<void()> then = work();
        answered->store(true);
        return [this, answered, then = std::move(then)] {
            std::erase_if(keyringSaves_, [&](const KeyringSave& save) { return save.answered == answered; });
            if (keyringSaves_.empty()) {
                emit savingToKeyringChanged();
                emit changed();
            }
            if (then) then();
        };
    }, KeyringCall::change);
}

}  // namespace quorvel
