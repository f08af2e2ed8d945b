#pragma once
// Process-wide notices between parts of the app that don't know each other: the application
// delegate posts them, the model observes them. Observers run synchronously on the posting
// thread (the main thread in the app), in the order they were added.
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

namespace quorvel {

class AppNotifications {
public:
    using Observer = std::function<void()>;
    using ObserverID = std::uint64_t;

    /// The phone's records changed (a remote notification arrived): sync with the phone.
    static constexpr std::string_view phoneRecordsChanged = "QuorvelPhoneRecordsChanged";
    /// The user reopened the running app: show the device.
    static constexpr std::string_view dockIconClicked = "QuorvelDockIconClicked";

    AppNotifications() = default;
    AppNotifications(const AppNotifications&) = delete;
    AppNotifications& operator=(const AppNotifications&) = delete;

    /// The process's own center, made on first use and kept for the life of the process.
    static AppNotifications& defaultCenter();

    /// Calls `observer` for every later post of `name`.
    ObserverID addObserver(std::string_view name, Observer observer);
    /// Removes an observer; an unknown identifier is ignored.
    void removeObserver(ObserverID id);

    /// Calls every observer of `name`. An observer added or removed meanwhile takes effect
    /// from the next post.
    void post(std::string_view name) const;

private:
    struct Entry {
        ObserverID id;
        std::string name;
        Observer observer;
    };

    mutable std::mutex mutex_;
    std::vector<Entry> entries_;
    ObserverID nextID_ = 1;
};

}  // namespace quorvel
