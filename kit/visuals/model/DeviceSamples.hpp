#pragma once
// Made-up device displays, one per named state: the alarm test steps through them, and the
// design sheet and the render mode show every state of the device without a live agent.
#include <array>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "kit/engine/FinishedRun.hpp"
#include "kit/engine/Sound.hpp"
#include "kit/visuals/model/DeviceDisplay.hpp"
#include "platform/time/Instant.hpp"

namespace quorvel::DeviceSamples {

/// In the order of the alarm test.
inline constexpr std::array<std::string_view, 8> names{
    "idle", "running", "longrun", "done", "needsyou", "broke", "crashed", "muted",
};

/// The sound each sample plays in the alarm test; idle, running and muted have none.
const std::map<std::string, Sound, std::less<>>& sounds();

/// The sample display for a name, dated from `now`. An unknown name (or one in other letter
/// case) gives the done sample.
DeviceDisplay display(std::string_view name, Instant now);
DeviceDisplay display(std::string_view name);

/// How long the alarm test shows a sample: 3 s for a loop, and for a one-shot its span plus
/// 1.2 s, but never under 3 s.
double dwell(std::string_view name);

/// The longer list of twelve finished runs for the design sheet's finished page, newest first.
std::vector<FinishedRun> finishedRuns(Instant now);
std::vector<FinishedRun> finishedRuns();

}  // namespace quorvel::DeviceSamples
