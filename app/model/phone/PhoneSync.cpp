// The Mac's side of the record exchange with the phone: pair with the newest phone, take on
// its preference and token, acknowledge it and answer its test requests.
#include "app/model/phone/PhonePart.hpp"
#include "app/reports/PairingReport.hpp"
#include "kit/engine/CopyBook.hpp"
#include "kit/engine/StoredDefaults.hpp"

namespace quorvel {

void PhonePart::syncPhone() {
    hops_.inBackground(*services_.phoneQueue, [this, sync = services_.tokenSync]() -> std::function<void()> {
        auto phones = sync->fetchChanges();
        const std::size_t pending = phones ? sync->testRequests().size() : 0;
        return [this, phones, pending] { finishPhoneSync(phones, pending); };
    });
}

void PhonePart::finishPhoneSync(const Expected<std::vector<PhoneDevice>, TokenSync::Failure>& phones,
                               std::size_t pendingRequests) {
    if (!phones) {
        // Without an account this fails on every sync: said once, and again hourly. Without
        // iCloud at all the start has said so already.
        if (services_.iCloudAvailable) {
            phoneSyncFailures_.failed("Fetching the phone record failed: " + phones.error().description,
                                      services_.clock->now());
        }
        setPairingReport(syncFailureReport(phones.error().description));
        return;
    }
    phoneSyncFailures_.succeeded();
    if (pendingRequests > 0) {
        logger_.notice("iCloud fetch: " + std::to_string(phones->size()) + " phone(s), " +
                       std::to_string(pendingRequests) + " test request(s)");
    }
    if (phones->empty()) {
        // The test requests stay with the exchange until a phone shows up.
        setPairingReport(std::string(PairingReport::noPhone));
        return;
    }

    // Newest first: the most recently updated phone is the one alerts go to.
    const PhoneDevice phone = phones->front();
    if (!pairedPhone_ || *pairedPhone_ != phone) attentiveTicks_ = attentiveTickCount;
    setPairedPhone(phone);

    // Each written preference is applied once, so a later change on the Mac stays until the
    // phone writes its record again.
    if (phone.alwaysPush && phone.updatedAt > appliedPhonePrefsAt_) {
        appliedPhonePrefsAt_ = phone.updatedAt;
        services_.defaults->set(StoredDefaults::appliedPhonePrefsAt, phone.updatedAt);
        if (neighbours_.settings().alwaysPushToPhone != *phone.alwaysPush) {
            AppSettings changed = neighbours_.settings();
            changed.alwaysPushToPhone = *phone.alwaysPush;
            neighbours_.setSettings(changed);
        }
    }

    if (phoneDeviceToken_ != phone.deviceToken) setPhoneDeviceToken(phone.deviceToken);
    const Calendar calendar = services_.calendar();
    setPairingReport(PairingReport::sendingTo(phone.name, phone.systemVersion, phone.updatedAt, calendar));

    std::optional<std::string> hostName = services_.hostName();
    MacAck ack;
    ack.deviceToken = phone.deviceToken;
    ack.pushToStartToken = phone.pushToStartToken;
    ack.macName = hostName && !hostName->empty() ? *hostName : "Mac";
    ack.acknowledgedAt = services_.clock->now();
    ack.alwaysPush = neighbours_.settings().alwaysPushToPhone;

    hops_.inBackground(*services_.phoneQueue, [this, sync = services_.tokenSync, ack]() -> std::function<void()> {
        auto acknowledged = sync->acknowledge(ack);
        std::vector<TokenSync::TestRequest> requests = sync->takeTestRequests();
        return [this, acknowledged, requests] {
            if (acknowledged) {
                acknowledgeFailures_.succeeded();
            } else {
                acknowledgeFailures_.failed("Acknowledging the phone failed: " + acknowledged.error().description,
                                            services_.clock->now());
            }
            if (!requests.empty()) answerTestRequests(requests);
        };
    });
}

void PhonePart::answerTestRequests(const std::vector<TokenSync::TestRequest>& requests) {
    for (const TokenSync::TestRequest& request : requests) {
        logger_.notice("Phone asked for a test push: " + request);
        sendTestPush(std::string(CopyBook::testPushTitle), std::string(CopyBook::testPushBody));
        // The exchange takes its calls one at a time, so the records go in the order asked.
        hops_.inBackground(*services_.phoneQueue,
                     [sync = services_.tokenSync, request, logger = logger_]() -> std::function<void()> {
                         if (auto deleted = sync->deleteTestRequest(request); !deleted) {
                             logger.error("Clearing a test request failed: " + deleted.error().description);
                         }
                         return {};
                     });
    }
}

}  // namespace quorvel
