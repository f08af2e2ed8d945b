#pragma once
// The slide between the two lists of the tab block when the user switches tabs: 0.18 s, eased
// in and out. FINISHED comes in from the trailing edge while RUNNING leaves toward the leading
// one; switching back runs the other way. The owner keeps a `TabSwitch` while it runs and asks
// it for the transition of each frame.
#include <optional>

#include "kit/visuals/views/device/ListTab.hpp"
#include "platform/time/Instant.hpp"

namespace quorvel {

struct TabTransition {
    static constexpr double seconds = 0.18;

    ListTab from = ListTab::running;
    ListTab to = ListTab::finished;
    /// Linear progress 0...1 (clamped; not a number reads as done).
    double progress = 0;

    /// The eased progress.
    double eased() const;
    /// Horizontal offsets, as fractions of the list area's width, of the list coming in and
    /// of the one going out.
    double incomingOffset() const;
    double outgoingOffset() const;

    bool operator==(const TabTransition&) const = default;
};

/// One running switch, started at a moment.
struct TabSwitch {
    ListTab from = ListTab::running;
    ListTab to = ListTab::finished;
    Instant start;

    /// The transition at `now`; nothing once it has run its time (or before it began).
    std::optional<TabTransition> at(Instant now) const;
};

/// What a face keeps of its tab block between snapshots: the selected tab and the switch that
/// is running, if any. The device and the phone face share it.
///
/// Moves the selection to `picked`; with `animated`, the slide from the old tab starts at `now`.
void pickTab(ListTab& tab, std::optional<TabSwitch>& running, ListTab picked, bool animated, Instant now);
/// Whether a switch still runs at `now`; one that has run its time is dropped.
bool tabSwitchRuns(std::optional<TabSwitch>& running, Instant now);

}  // namespace quorvel
