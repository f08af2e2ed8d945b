#include "app/core/EventHandOver.hpp"

#include <chrono>
#include <optional>

namespace quorvel {

void handOver(const std::shared_ptr<WaitingEvents>& waiting, const EventServer::EventHandler& onEvent,
              const EventServer::Dispatcher& dispatch) {
    const auto sliceEnd = std::chrono::steady_clock::now() +
                          std::chrono::duration_cast<std::chrono::steady_clock::duration>(
                              std::chrono::duration<double>(EventServer::handOverSliceSeconds));
    do {
        std::optional<HookEvent> event;
        {
            std::lock_guard lock(waiting->mutex);
            if (waiting->events.empty()) {
                waiting->handOverDispatched = false;
                return;
            }
            event = std::move(waiting->events.front());
            waiting->events.pop_front();
            waiting->stamps.erase(waiting->stamps.find(event->receivedAt));
        }
        onEvent(std::move(*event));
    } while (std::chrono::steady_clock::now() < sliceEnd);
    dispatch([waiting, onEvent, dispatch] { handOver(waiting, onEvent, dispatch); });
}

}  // namespace quorvel
