#include "kit/visuals/model/DeviceSamples.hpp"

#include <algorithm>
#include <optional>

#include "kit/engine/RunningRow.hpp"
#include "kit/engine/SessionState.hpp"

namespace quorvel::DeviceSamples {
namespace {

const std::string runTitle = "refactor auth flow";
const std::string sampleProject = "tessaloom";
constexpr double sampleDuration = 252;

SessionState stateNamed(std::string_view name, Instant now) {
    if (name == "idle") return SessionState::idle();
    if (name == "running") return SessionState::running(Run{now.adding(-252), runTitle});
    if (name == "longrun") return SessionState::longRun(Run{now.adding(-720), runTitle});
    if (name == "needsyou") return SessionState::needsYou("Claude needs your permission");
    if (name == "broke") return SessionState::broke("pnpm build", 1);
    if (name == "crashed") return SessionState::crashed("Claude is overloaded");
    return SessionState::done(runTitle, sampleDuration, std::nullopt);
}

std::vector<RunningRow> sampleRows(const SessionState& state, bool carriesDuration, Instant now) {
    return {
        RunningRow{"a", sampleProject, runTitle, state, now.adding(-252),
                   carriesDuration ? std::optional<double>(sampleDuration) : std::nullopt, true},
        RunningRow{"b", "quorvel", "tighten onboarding copy",
                   SessionState::running(Run{now.adding(-724), "tighten onboarding copy"}),
                   now.adding(-724), std::nullopt, false},
        RunningRow{"c", "pellucin-v2-g4", "run the shots rig",
                   SessionState::needsYou("Allow Bash?"), now.adding(-3720), std::nullopt, false},
    };
}

FinishedRun finishedRun(FinishedRun::Chip chip, std::string title, std::optional<double> duration,
                        bool ok, std::string project, double secondsAgo, Instant now) {
    return FinishedRun{chip, std::move(title), duration, ok, std::move(project), "s",
                       now.adding(-secondsAgo), std::nullopt};
}

std::vector<FinishedRun> sampleFinished(Instant now) {
    using Chip = FinishedRun::Chip;
    return {
        finishedRun(Chip::claude, runTitle, 252, true, "quorvel", 90, now),
        finishedRun(Chip::shell, "pnpm test", 18, true, "pellucin", 1500, now),
        finishedRun(Chip::shell, "pnpm build", 41, false, "pellucin", 7200, now),
    };
}

}  // namespace

const std::map<std::string, Sound, std::less<>>& sounds() {
    static const std::map<std::string, Sound, std::less<>> table{
        {"longrun", Sound::tick},   {"done", Sound::fanfare},      {"needsyou", Sound::alarm},
        {"broke", Sound::buzz},     {"crashed", Sound::powerdown},
    };
    return table;
}

DeviceDisplay display(std::string_view name, Instant now) {
    const SessionState state = stateNamed(name, now);
    const bool muted = name == "muted";
    // Only the done sample's own row shows the run's duration; the muted sample keeps the done
    // state underneath but its row reads as a plain done row.
    const bool carriesDuration = state.is(SessionState::Kind::done) && !muted;
    std::vector<RunningRow> rows;
    if (name != "idle") rows = sampleRows(state, carriesDuration, now);
    return DeviceDisplay::build(state, muted, sampleProject, now, 3, std::move(rows),
                                sampleFinished(now), now);
}

DeviceDisplay display(std::string_view name) { return display(name, Instant::now()); }

double dwell(std::string_view name) {
    const MascotMotion motion = display(name).motion;
    if (loops(motion)) return 3.0;
    return std::max(3.0, duration(motion) + 1.2);
}

std::vector<FinishedRun> finishedRuns(Instant now) {
    using Chip = FinishedRun::Chip;
    return {
        finishedRun(Chip::claude, runTitle, 252, true, "quorvel", 90, now),
        finishedRun(Chip::shell, "pnpm test", 18, true, "pellucin-v2-g4", 1500, now),
        finishedRun(Chip::shell, "pnpm build", std::nullopt, false, "pellucin-v2-g4", 2400, now),
        finishedRun(Chip::claude, "tighten onboarding copy for the empty states", 65, true,
                    "tessaloom", 5000, now),
        finishedRun(Chip::claude, "dotfiles", 44, true, "dotfiles", 7200, now),
        finishedRun(Chip::claude, "run the shots rig", 3730, true, "pellucin-v2-g4", 90000, now),
        finishedRun(Chip::shell, "npm run lint", 9, true, "vornish-site", 91000, now),
        finishedRun(Chip::claude, "fix the hero video loop on mobile", 391, true, "vornish-site",
                    95000, now),
        finishedRun(Chip::claude, "write release notes", 167, true, "quorvel", 99000, now),
        finishedRun(Chip::shell, "xcodebuild test", 221, true, "quorvel", 103000, now),
        finishedRun(Chip::claude, "migrate settings to keychain", 1260, true, "quorvel", 110000,
                    now),
        finishedRun(Chip::claude, "tidy the decisions log", 38, true, "quorvel", 120000, now),
    };
}

std::vector<FinishedRun> finishedRuns() { return finishedRuns(Instant::now()); }

}  // namespace quorvel::DeviceSamples
