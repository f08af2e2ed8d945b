#pragma once
// What a face's host keeps of the pointer between events: the target under it while no button
// is held, and the press in progress. A face's view state is this plus whatever else it keeps.
#include <optional>

#include "kit/visuals/views/kit/PressTracker.hpp"

namespace quorvel {

template <typename Target>
struct PointerState {
    std::optional<Target> hovered;
    PressTracker<Target> press;
};

}  // namespace quorvel
