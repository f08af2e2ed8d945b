#pragma once
// Hands work to the Qt application's main thread through its event loop. Work that arrives
// once the application object is gone is dropped. Needs a Qt application object to be of use.
//
// The work not run yet is shared with the calls queued on the application object and with
// the posters handed out, so a poster stays safe after this object is gone.
#include <deque>
#include <memory>
#include <mutex>

#include "platform/threads/MainThreadHandOff.hpp"

namespace quorvel {

class QtMainThreadHandOff final : public MainThreadHandOff {
public:
    void runOnMainThread(std::function<void()> work) override;
    std::function<void(std::function<void()>)> poster() override;
    void runWaitingNow() override;

private:
    /// The work handed over and not run yet, in order. Run by the calls queued on the
    /// application object, unless `runWaitingNow` did first.
    struct Waiting {
        std::mutex mutex;
        std::deque<std::function<void()>> work;
        void post(const std::shared_ptr<Waiting>& self, std::function<void()> next);
        void runAll();
    };

    std::shared_ptr<Waiting> waiting_ = std::make_shared<Waiting>();
};

}  // namespace quorvel
