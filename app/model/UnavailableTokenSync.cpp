#include "app/model/UnavailableTokenSync.hpp"

namespace quorvel {

UnavailableTokenSync::UnavailableTokenSync(int accountStatus) : problem_(Problem::noAccount(accountStatus)) {}

Expected<void, TokenSync::Failure> UnavailableTokenSync::ensureSubscription() {
    return unexpected(problem_.failure());
}

Expected<std::vector<PhoneDevice>, TokenSync::Failure> UnavailableTokenSync::fetchChanges() {
    return unexpected(problem_.failure());
}

Expected<void, TokenSync::Failure> UnavailableTokenSync::deleteTestRequest(const TestRequest&) {
    return unexpected(problem_.failure());
}

Expected<void, TokenSync::Failure> UnavailableTokenSync::acknowledge(const MacAck&) {
    return unexpected(problem_.failure());
}

Expected<void, TokenSync::Failure> UnavailableTokenSync::publishLists(const ListMirror&) {
    return unexpected(problem_.failure());
}

}  // namespace quorvel
