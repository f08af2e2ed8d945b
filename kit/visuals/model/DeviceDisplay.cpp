#include "kit/visuals/model/DeviceDisplay.hpp"

#include "kit/engine/Durations.hpp"
#include "platform/text/UnicodeText.hpp"

namespace quorvel {
namespace {

template <typename T>
std::vector<T> firstRows(std::vector<T> rows) {
    if (rows.size() > DeviceDisplay::shownRows) rows.resize(DeviceDisplay::shownRows);
    return rows;
}

bool isAlarm(const SessionState& state) {
    return state.is(SessionState::Kind::broke) || state.is(SessionState::Kind::crashed);
}

}  // namespace

DeviceDisplay::DeviceDisplay(Fields fields)
    : face(fields.face),
      broke(fields.broke),
      headline(std::move(fields.headline)),
      headlineAlarm(fields.headlineAlarm),
      detailMain(std::move(fields.detailMain)),
      detailSuffix(std::move(fields.detailSuffix)),
      project(std::move(fields.project)),
      eventTime(fields.eventTime),
      live(fields.live),
      running(std::move(fields.running)),
      finished(std::move(fields.finished)),
      runningCount(fields.runningCount.value_or(static_cast<std::int64_t>(running.size()))),
      finishedCount(fields.finishedCount.value_or(static_cast<std::int64_t>(finished.size()))),
      floppyOut(fields.floppyOut),
      acknowledgeable(false),
      floppyLabel(std::move(fields.floppyLabel)),
      motion(fields.motion),
      motionKey(fields.motionKey.empty() ? std::string(rawValue(fields.motion))
                                         : std::move(fields.motionKey)),
      now(fields.now) {}

PixelArt::Face DeviceDisplay::faceFor(const SessionState& state) {
    using PixelArt::Face;
    switch (state.kind()) {
        case SessionState::Kind::idle: return Face::happy;
        case SessionState::Kind::running: return Face::working;
        case SessionState::Kind::longRun: return Face::shocked;
        case SessionState::Kind::done: return Face::wink;
        case SessionState::Kind::needsYou: return Face::shocked;
        case SessionState::Kind::broke: return Face::angry;
        case SessionState::Kind::crashed: return Face::dead;
    }
    return Face::happy;
}

MascotMotion DeviceDisplay::motionFor(const SessionState& state) {
    switch (state.kind()) {
        case SessionState::Kind::idle: return MascotMotion::idle;
        case SessionState::Kind::running: return MascotMotion::running;
        case SessionState::Kind::longRun: return MascotMotion::longRun;
        case SessionState::Kind::done: return MascotMotion::done;
        case SessionState::Kind::needsYou: return MascotMotion::needsYou;
        case SessionState::Kind::broke: return MascotMotion::broke;
        case SessionState::Kind::crashed: return MascotMotion::crashed;
    }
    return MascotMotion::idle;
}

DeviceDisplay DeviceDisplay::build(const std::optional<SessionState>& shownState, bool muted,
                                   const std::optional<std::string>& project,
                                   std::optional<Instant> eventTime, std::int64_t sessionCount,
                                   std::vector<RunningRow> running,
                                   std::vector<FinishedRun> finished, Instant now) {
    const SessionState state = shownState.value_or(SessionState::idle());
    const bool alarm = isAlarm(state);

    CopyBook::RowText text = CopyBook::rowText(state, now);
    if (state.is(SessionState::Kind::idle)) {
        text.title = CopyBook::watching(sessionCount);
        text.detail.reset();
    }

    bool floppyOut = false;
    FloppyLabel label;
    if (const auto* done = state.as<SessionState::Done>()) {
        floppyOut = true;
        if (project) label.project = text::uppercased(*project);
        label.duration = done->duration ? text::uppercased(Durations::shortText(*done->duration)) : "";
    }

    const MascotMotion motion = motionFor(state);
    std::string motionKey(rawValue(motion));
    if (playsOnce(motion)) motionKey += "|" + CopyBook::joined({text.title, text.detail});

    const auto runningCount = static_cast<std::int64_t>(running.size());
    const auto finishedCount = static_cast<std::int64_t>(finished.size());
    DeviceDisplay display(Fields{
        .face = faceFor(state),
        .broke = alarm,
        .headline = CopyBook::headline(state),
        .headlineAlarm = alarm,
        .detailMain = std::move(text.title),
        .detailSuffix = std::move(text.detail),
        .project = project.value_or(std::string(CopyBook::noTerminals)),
        .eventTime = eventTime,
        .live = true,
        .running = firstRows(std::move(running)),
        .finished = firstRows(std::move(finished)),
        .runningCount = runningCount,
        .finishedCount = finishedCount,
        .floppyOut = floppyOut,
        .floppyLabel = std::move(label),
        .motion = motion,
        .motionKey = std::move(motionKey),
        .now = now,
    });
    display.acknowledgeable = state.is(SessionState::Kind::done) ||
                              state.is(SessionState::Kind::needsYou) || alarm;

    if (muted) {
        display.motion = MascotMotion::muted;
        display.motionKey = "muted";
        display.face = PixelArt::Face::sleepy;
        display.headline = CopyBook::mutedHeadline;
        display.headlineAlarm = false;
        display.broke = false;
    }
    return display;
}

std::string DeviceDisplay::detail() const { return CopyBook::joined({detailMain, detailSuffix}); }

}  // namespace quorvel
