#include "app/stores/RecentEventIDs.hpp"

namespace quorvel {

bool RecentEventIDs::insert(const std::string& id) {
    if (!ids_.insert(id).second) return false;
    order_.push_back(id);
    if (order_.size() > capacity_) {
        ids_.erase(order_.front());
        order_.pop_front();
    }
    return true;
}

}  // namespace quorvel
