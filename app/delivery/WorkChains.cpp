#include "app/delivery/WorkChains.hpp"

namespace quorvel {

void WorkChains::enqueue(const std::string& key, Job job) {
    Chain& chain = chains_[key];
    chain.waiting.push_back(std::move(job));
    if (!chain.busy) runNext(key);
}

void WorkChains::runNext(const std::string& key) {
    if (stopped_) return;
    const auto chain = chains_.find(key);
    if (chain == chains_.end()) return;
    if (chain->second.waiting.empty()) {
        chains_.erase(chain);
        return;
    }
    Job job = std::move(chain->second.waiting.front());
    chain->second.waiting.pop_front();
    chain->second.busy = true;
    job([this, key] { runNext(key); });
}

std::function<void(std::function<void()>)> WorkChains::poster() const {
    return [alive = std::weak_ptr<int>(alive_), post = handOff_->poster()](std::function<void()> task) {
        post([alive, task = std::move(task)] {
            if (!alive.expired()) task();
        });
    };
}

bool WorkChains::stop(std::chrono::milliseconds longest) {
    if (stopped_) return true;
    stopped_ = true;
    const bool done = queue_->waitUntilIdleFor(longest);
    handOff_->runWaitingNow();
    return done;
}

}  // namespace quorvel
