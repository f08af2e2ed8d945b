#pragma once
// A login keyring that takes a save (and, if asked, a read) and never answers it (a prompt
// nobody sees), until the test lets it go. Other calls answer at once, with nothing stored.
#include <condition_variable>
#include <mutex>

#include "platform/services/SecretStore.hpp"

namespace quorvel::testing {

class StuckSecretStore final : public SecretStore {
public:
    enum class Stuck { saves, readsAndSaves };
    explicit StuckSecretStore(Stuck stuck = Stuck::saves) : stuck_(stuck) {}

    Expected<std::optional<std::string>, SecretStoreError> find(std::string_view, std::string_view) override {
        if (stuck_ == Stuck::readsAndSaves) {
            std::unique_lock lock(mutex_);
            ++readsStarted_;
            changed_.notify_all();
            changed_.wait(lock, [this] { return released_; });
        }
        return std::optional<std::string>();
    }
    Expected<void, SecretStoreError> replace(std::string_view, std::string_view, std::string_view,
                                             std::string_view) override {
        std::unique_lock lock(mutex_);
        ++savesStarted_;
        changed_.notify_all();
        changed_.wait(lock, [this] { return released_; });
        return {};
    }
    Expected<void, SecretStoreError> remove(std::string_view, std::string_view) override { return {}; }

    /// Waits (at most 5 s) until a save has reached the keyring.
    bool awaitSave() {
        std::unique_lock lock(mutex_);
        return changed_.wait_for(lock, std::chrono::seconds(5), [this] { return savesStarted_ > 0; });
    }
    /// Waits (at most 5 s) until a read has reached the keyring.
    bool awaitRead() {
        std::unique_lock lock(mutex_);
        return changed_.wait_for(lock, std::chrono::seconds(5), [this] { return readsStarted_ > 0; });
    }
    /// Lets every call, now and later, return.
    void release() {
        std::lock_guard lock(mutex_);
        released_ = true;
        changed_.notify_all();
    }

private:
    std::mutex mutex_;
    std::condition_variable changed_;
    Stuck stuck_;
    int savesStarted_ = 0;
    int readsStarted_ = 0;
    bool released_ = false;
};

}  // namespace quorvel::testing
