#pragma once
// The render mode's table of targets: which view a target names, fed with which sample data.
// Rows are tried in order and the first match wins; a target no row matches draws the design
// sheet. One row per family of targets ("device-" + sample, "strip-" + sample, "icon-mac", ...):
// a new family is one more row in `standard()`.
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "app/render/views/RenderScene.hpp"
#include "platform/time/Instant.hpp"

namespace quorvel {

struct RenderTarget {
    enum class Match { prefix, exact };

    std::string pattern;
    Match match = Match::prefix;
    /// Builds the scene from the target's text after the pattern (empty for an exact match)
    /// and the moment the samples are dated from; nothing when no picture can be made.
    std::function<std::optional<RenderScene>(std::string_view rest, Instant now)> build;

    /// The text after the pattern when `target` matches this row.
    std::optional<std::string_view> matches(std::string_view target) const;
};

class RenderTargets {
public:
    /// The flat backdrop of the device and strip pictures: sRGB #E9E6DF.
    static constexpr unsigned backdrop = 0xE9E6DF;

    /// device-<sample>[@seconds], strip-<sample>, phone-<sample>, finished, lock-<state>,
    /// icon-mac, icon-ios.
    static std::vector<RenderTarget> standard();

    explicit RenderTargets(std::vector<RenderTarget> rows = standard());

    /// The scene of the first row that matches, else the design sheet; nothing when the
    /// matching row can make no picture (a device target without a sample name).
    std::optional<RenderScene> scene(std::string_view target, Instant now) const;

    /// Pixels per point: 1 for every target starting with "icon-", else 2.
    static double scale(std::string_view target);

    /// The design sheet, for targets no row matches.
    static RenderScene designSheet();

private:
    std::vector<RenderTarget> rows_;
};

}  // namespace quorvel
