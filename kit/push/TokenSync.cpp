#include "kit/push/TokenSync.hpp"

namespace quorvel {

std::string TokenSync::Problem::description() const {
    return "iCloud isn't available (" + text + "). Sign in to iCloud on both devices.";
}

TokenSync::Problem TokenSync::Problem::noAccount(int accountStatus) {
    switch (accountStatus) {
        case 0: return {"could not determine"};
        case 2: return {"restricted"};
        case 3: return {"no account"};
        case 4: return {"temporarily unavailable"};
        default: return {"status " + std::to_string(accountStatus)};
    }
}

}  // namespace quorvel
