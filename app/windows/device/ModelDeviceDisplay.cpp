#include "app/windows/device/ModelDeviceDisplay.hpp"

#include <cstdio>
#include <string>

#include "app/model/AppModel.hpp"
#include "kit/visuals/model/DeviceSamples.hpp"
#include "platform/text/UnicodeText.hpp"

namespace quorvel {
namespace {

/// The label of the session on show: its project, else its terminal program as words, else
/// its number.
std::string deviceLabel(const Session& session) {
    if (std::optional<std::string> project = session.project()) return *project;
    if (session.termProgram && !session.termProgram->empty()) {
        std::string words = *session.termProgram;
        for (char& character : words) {
            if (character == '_') character = ' ';
        }
        return text::lowercased(words);
    }
    char numbered[32];
    std::snprintf(numbered, sizeof numbered, "terminal %02lld", static_cast<long long>(session.number));
    return numbered;
}

}  // namespace

DeviceDisplay deviceDisplayOf(const AppModel& model, Instant now) {
    if (const std::optional<int> step = model.device().alarmTestStep()) {
        constexpr int count = DevicePart::alarmTestStepCount;
        const int index = ((*step % count) + count) % count;
        return DeviceSamples::display(DeviceSamples::names[static_cast<std::size_t>(index)], now);
    }

    const StateMachine& machine = model.sessions().machine();
    const std::optional<Session> focus = machine.focusSession();
    DeviceDisplay display = DeviceDisplay::build(
        focus ? std::optional<SessionState>(focus->state) : std::nullopt, model.device().muted(),
        focus ? std::optional<std::string>(deviceLabel(*focus)) : std::nullopt,
        focus ? std::optional<Instant>(focus->lastEventAt) : std::nullopt,
        static_cast<std::int64_t>(machine.sessions.size()), machine.runningRows(now, DeviceDisplay::shownRows),
        model.sessions().finished(), now);
    // Only the rows on show are built: the table may hold thousands.
    display.runningCount = static_cast<std::int64_t>(machine.runningRowCount(now));
    display.live = model.sessions().server() != nullptr;
    if (model.device().floppyPutBack()) display.floppyOut = false;
    return display;
}

}  // namespace quorvel
