#pragma once
// What `quorvel --render <target> <path>` asks for, read from the raw command line before any
// Qt object exists, so that no argument is ever seen (or eaten) by Qt.
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quorvel {

struct RenderRequest {
    std::string target;
    /// A file-system path, relative to the current folder when it is relative.
    std::string path;

    /// The request of `arguments` (the command line without the program's own name): the
    /// first argument that is exactly "--render", followed by a target and a path. Absent when
    /// there is no "--render" or fewer than two arguments follow it: the app starts as usual.
    static std::optional<RenderRequest> find(const std::vector<std::string>& arguments);
    static std::optional<RenderRequest> find(int argc, const char* const* argv);

    bool operator==(const RenderRequest&) const = default;
};

/// A device target's text after "device-": the sample name and the time the motion is frozen
/// at ("done@0.5": done, 0.5 s). Pieces are split at "@" with empty pieces dropped, so "@5"
/// names the sample "5"; absent when no piece is left ("", "@", "@@").
struct DeviceSampleTarget {
    /// When the text gives no time, or none that reads as a finite decimal number.
    static constexpr double defaultFrozenAt = 60;

    std::string sample;
    double frozenAt = defaultFrozenAt;

    static std::optional<DeviceSampleTarget> parse(std::string_view text);

    /// The whole text as a finite decimal number (an optional sign, no white space, read the
    /// same in every locale); absent otherwise, "nan", "inf" and overflowing numbers included.
    static std::optional<double> seconds(std::string_view text);

    bool operator==(const DeviceSampleTarget&) const = default;
};

}  // namespace quorvel
