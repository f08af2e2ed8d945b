#include "hook/FallbackBanner.hpp"

#include "kit/engine/CopyBook.hpp"
#include "kit/engine/Quorvel.hpp"

namespace quorvel {

std::optional<FallbackBanner> fallbackBanner(const HookEvent& event) {
    std::string body;
    if (event.kind() == HookEventKind::stop && event.backgroundTaskCount.value_or(0) == 0) {
        body = "DONE. GO LOOK.";
    } else if (event.kind() == HookEventKind::stopFailure) {
        body = "CRASHED. " + CopyBook::crashReason(event.error) + ".";
    } else if (event.kind() == HookEventKind::notification &&
               event.notificationType != std::optional<std::string>("idle_prompt")) {
        body = "OI. NEEDS YOU.";
    } else {
        return std::nullopt;
    }
    return FallbackBanner{Quorvel::displayName, std::move(body)};
}

}  // namespace quorvel
