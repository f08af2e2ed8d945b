#pragma once
// The phone exchange on a desktop without an iCloud account service: every call fails with
// the account problem of the status it was given (3, no account, unless told otherwise), so
// the user reads why no phone is paired.
#include "app/model/TokenSync.hpp"

namespace quorvel {

class UnavailableTokenSync final : public TokenSync {
public:
    static constexpr int noAccountStatus = 3;

    explicit UnavailableTokenSync(int accountStatus = noAccountStatus);

    Expected<void, Failure> ensureSubscription() override;
    Expected<std::vector<PhoneDevice>, Failure> fetchChanges() override;
    std::vector<TestRequest> testRequests() const override { return {}; }
    std::vector<TestRequest> takeTestRequests() override { return {}; }
    Expected<void, Failure> deleteTestRequest(const TestRequest& request) override;
    Expected<void, Failure> acknowledge(const MacAck& ack) override;
    Expected<void, Failure> publishLists(const ListMirror& mirror) override;

private:
    Problem problem_;
};

}  // namespace quorvel
