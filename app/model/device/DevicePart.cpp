#include "app/model/device/DevicePart.hpp"

#include <cmath>
#include <exception>
#include <utility>

#include "app/model/ModelHops.hpp"
#include "kit/engine/Quorvel.hpp"
#include "kit/engine/StoredDefaults.hpp"
#include "kit/visuals/model/DeviceSamples.hpp"

namespace quorvel {
namespace {

DeviceControls storedControls(const KeyValueStore& defaults) {
    const std::optional<json::Json> stored = defaults.value(StoredDefaults::deviceControls);
    if (!stored) return DeviceControls::standard();
    return DeviceControls::fromStoredData(json::dump(*stored));
}

}  // namespace

DevicePart::DevicePart(KeyValueStore& defaults, SoundPlayer& sounds, TerminalFinder& terminalFinder,
                       DeviceSessions sessions, QObject* parent)
    : QObject(parent),
      defaults_(defaults),
      sounds_(sounds),
      terminalFinder_(terminalFinder),
      sessions_(std::move(sessions)),
      logger_(Quorvel::macBundleID, "App"),
      controls_(storedControls(defaults)) {
    alarmTimer_.setSingleShot(true);
    connect(&alarmTimer_, &QTimer::timeout, this, &DevicePart::advanceAlarmTest);
}

void DevicePart::setControls(DeviceControls controls) {
    assignTracked(*this, controls_, controls, &DevicePart::controlsChanged);
    saveControls();
}

void DevicePart::saveControls() {
    try {
        defaults_.set(StoredDefaults::deviceControls, controls_.encode());
    } catch (const std::exception& error) {
        logger_.error(std::string("Couldn't save device controls: ") + error.what());
    }
}

void DevicePart::setMuted(bool muted) { assignTracked(*this, muted_, muted, &DevicePart::mutedChanged); }

void DevicePart::setFloppyPutBack(bool putBack) {
    assignTracked(*this, floppyPutBack_, putBack, &DevicePart::floppyPutBackChanged);
}

void DevicePart::setAlarmTestStep(std::optional<int> step) {
    assignTracked(*this, alarmTestStep_, step, &DevicePart::alarmTestStepChanged);
}

void DevicePart::playSound(Sound sound) { sounds_.play(sound, controls_.volume); }

void DevicePart::bringTerminalForward(const std::optional<std::string>& sessionID) {
    std::optional<Session> session;
    if (sessionID) session = sessions_.find(*sessionID);
    if (!session) session = sessions_.focus();
    if (!session) return;
    terminalFinder_.bringForward(session->termProgram, session->cwd);
}

void DevicePart::startAlarmTest() {
    alarmTimer_.stop();
    showAlarmTestStep(0);
}

void DevicePart::advanceAlarmTest() {
    const int next = alarmTestStep_.value_or(alarmTestStepCount - 1) + 1;
    if (next >= alarmTestStepCount) {
        alarmTimer_.stop();
        setAlarmTestStep(std::nullopt);
        return;
    }
    showAlarmTestStep(next);
}

void DevicePart::showAlarmTestStep(int step) {
    const std::string_view name = DeviceSamples::names[static_cast<std::size_t>(step)];
    setAlarmTestStep(step);
    // The test always sounds: the mute switch is not asked (a fader at zero stays silent).
    const auto& sounds = DeviceSamples::sounds();
    if (auto sound = sounds.find(name); sound != sounds.end()) sounds_.play(sound->second, controls_.volume);
    alarmTimer_.start(static_cast<int>(std::lround(DeviceSamples::dwell(name) * 1000.0)));
}

void DevicePart::dismiss() {
    sounds_.stop();
    if (alarmTestStep_) {
        alarmTimer_.stop();
        setAlarmTestStep(std::nullopt);
        return;
    }
    if (const std::optional<Session> focus = sessions_.focus()) sessions_.acknowledge(focus->id);
    setFloppyPutBack(true);
}

}  // namespace quorvel
