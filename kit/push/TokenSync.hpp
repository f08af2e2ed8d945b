#pragma once
// The exchange of small records with the phone through the user's private iCloud database,
// as the Mac uses it: the phone's device records and test requests in, the Mac's
// acknowledgement and the list mirror out. Every call may wait on the network, so callers
// make them off the main thread; implementations take their calls one at a time.
#include <string>
#include <vector>

#include "kit/engine/ListMirror.hpp"
#include "kit/push/MacAck.hpp"
#include "kit/push/PhoneDevice.hpp"
#include "platform/Expected.hpp"

namespace quorvel {

class TokenSync {
public:
    /// A failed call, with the text the user is shown.
    struct Failure {
        std::string description;
        bool operator==(const Failure&) const = default;
    };

    /// The account can't be used; `text` names its status ("no account").
    struct Problem {
        std::string text;

        /// "iCloud isn't available (" + text + "). Sign in to iCloud on both devices."
        std::string description() const;
        Failure failure() const { return {description()}; }
        /// The text of an account status: 0 "could not determine", 2 "restricted", 3 "no
        /// account", 4 "temporarily unavailable", any other n "status n".
        static Problem noAccount(int accountStatus);

        bool operator==(const Problem&) const = default;
    };

    /// A test request of the phone, by its record name.
    using TestRequest = std::string;

    virtual ~TokenSync() = default;

    /// Makes sure a change of the phone's records wakes the Mac.
    virtual Expected<void, Failure> ensureSubscription() = 0;
    /// The phone records known now, newest `updatedAt` first; collects new test requests.
    virtual Expected<std::vector<PhoneDevice>, Failure> fetchChanges() = 0;
    /// The collected test requests, left in place.
    virtual std::vector<TestRequest> testRequests() const = 0;
    /// The collected test requests, taken out.
    virtual std::vector<TestRequest> takeTestRequests() = 0;
    virtual Expected<void, Failure> deleteTestRequest(const TestRequest& request) = 0;
    /// Writes the Mac's acknowledgement record.
    virtual Expected<void, Failure> acknowledge(const MacAck& ack) = 0;
    /// Writes the lists for the phone to read.
    virtual Expected<void, Failure> publishLists(const ListMirror& mirror) = 0;
};

}  // namespace quorvel
