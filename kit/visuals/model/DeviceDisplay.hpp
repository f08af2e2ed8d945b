#pragma once
// The one snapshot every face of the device draws from: the device window, the compact strip
// and the phone face take a DeviceDisplay and nothing else of the session model.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "kit/engine/CopyBook.hpp"
#include "kit/engine/FinishedRun.hpp"
#include "kit/engine/PixelArtFace.hpp"
#include "kit/engine/RunningRow.hpp"
#include "kit/engine/SessionState.hpp"
#include "kit/visuals/model/FloppyLabel.hpp"
#include "kit/visuals/model/MascotMotion.hpp"
#include "platform/time/Instant.hpp"

namespace quorvel {

struct DeviceDisplay {
    /// What a snapshot is made of, in field order, for the initialiser: the counts default to
    /// the lengths of the lists, and an empty motion key to the motion's raw value.
    struct Fields {
        PixelArt::Face face = PixelArt::Face::happy;
        bool broke = false;
        CopyBook::Headline headline = {};
        bool headlineAlarm = false;
        std::string detailMain = {};
        std::optional<std::string> detailSuffix = std::nullopt;
        std::string project = {};
        std::optional<Instant> eventTime = std::nullopt;
        bool live = false;
        std::vector<RunningRow> running = {};
        std::vector<FinishedRun> finished = {};
        std::optional<std::int64_t> runningCount = std::nullopt;
        std::optional<std::int64_t> finishedCount = std::nullopt;
        bool floppyOut = false;
        FloppyLabel floppyLabel = {};
        MascotMotion motion = MascotMotion::idle;
        std::string motionKey = {};
        Instant now = {};
    };

    PixelArt::Face face = PixelArt::Face::happy;
    /// The alarm look: set for the broke and crashed states.
    bool broke = false;
    CopyBook::Headline headline;
    bool headlineAlarm = false;
    std::string detailMain;
    std::optional<std::string> detailSuffix;
    /// The shown terminal's label; "no terminals" when there is none.
    std::string project;
    /// The shown session's last event.
    std::optional<Instant> eventTime;
    /// The display reflects a running event server.
    bool live = false;
    /// The most rows shown of each list.
    static constexpr std::size_t shownRows = 3;

    /// At most the first `shownRows` rows; `runningCount` keeps the total.
    std::vector<RunningRow> running;
    std::vector<FinishedRun> finished;
    std::int64_t runningCount = 0;
    std::int64_t finishedCount = 0;
    bool floppyOut = false;
    /// The state can be acknowledged with the "SEEN IT" key.
    bool acknowledgeable = false;
    FloppyLabel floppyLabel;
    MascotMotion motion = MascotMotion::idle;
    /// Names the current motion episode: unchanged while a state lasts, new for each done,
    /// broke or crashed episode, so a live motion clock keyed on it restarts a one-shot.
    std::string motionKey;
    /// The time the snapshot was taken for.
    Instant now;

    /// `acknowledgeable` always starts false; whoever needs it sets it afterwards.
    explicit DeviceDisplay(Fields fields);

    static PixelArt::Face faceFor(const SessionState& state);
    static MascotMotion motionFor(const SessionState& state);

    /// The snapshot of the session on show (`state` absent when there is none), with the
    /// running rows and the finished runs in the order to show.
    static DeviceDisplay build(const std::optional<SessionState>& state, bool muted,
                               const std::optional<std::string>& project,
                               std::optional<Instant> eventTime, std::int64_t sessionCount,
                               std::vector<RunningRow> running, std::vector<FinishedRun> finished,
                               Instant now);

    /// The detail line: both parts joined by " · ", an absent or empty part dropped.
    std::string detail() const;

    bool operator==(const DeviceDisplay&) const = default;
};

}  // namespace quorvel
