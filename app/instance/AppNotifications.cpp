#include "app/instance/AppNotifications.hpp"

#include <algorithm>

namespace quorvel {

AppNotifications& AppNotifications::defaultCenter() {
    static AppNotifications center;
    return center;
}

AppNotifications::ObserverID AppNotifications::addObserver(std::string_view name, Observer observer) {
    std::lock_guard lock(mutex_);
    const ObserverID id = nextID_++;
    entries_.push_back({id, std::string(name), std::move(observer)});
    return id;
}

void AppNotifications::removeObserver(ObserverID id) {
    std::lock_guard lock(mutex_);
    std::erase_if(entries_, [id](const Entry& entry) { return entry.id == id; });
}

void AppNotifications::post(std::string_view name) const {
    std::vector<Observer> observers;
    {
        std::lock_guard lock(mutex_);
        for (const Entry& entry : entries_) {
            if (entry.name == name && entry.observer) observers.push_back(entry.observer);
        }
    }
    // Called without the lock, so an observer may add or remove observers or post again.
    for (const Observer& observer : observers) observer();
}

}  // namespace quorvel
