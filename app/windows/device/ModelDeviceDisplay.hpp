#pragma once
// What the device and the strip draw of the app model at a moment. Main thread.
#include "kit/visuals/model/DeviceDisplay.hpp"
#include "platform/time/Instant.hpp"

namespace quorvel {

class AppModel;

/// The alarm test's sample while it runs, else the focus session (labelled by its project,
/// else its terminal program as words, else its number) with the running rows and the
/// finished runs; live while the event server runs; the floppy in once put back.
DeviceDisplay deviceDisplayOf(const AppModel& model, Instant now);

}  // namespace quorvel
