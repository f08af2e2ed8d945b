#pragma once
// The render mode's phone pictures: the phone face of a sample display ("phone-" + sample),
// the phone's finished page ("finished") and the lock-screen card of a sample live state
// ("lock-" + state). Every callback is a no-op and every clock is frozen, so a target gives
// the same picture on every run for the same `now`.
#include <optional>
#include <string_view>

#include <QSizeF>

#include "app/render/views/RenderScene.hpp"
#include "kit/push/QuorvelLiveState.hpp"
#include "platform/time/Instant.hpp"

namespace quorvel::PhoneRenderTargets {

/// The phone screen the face and the finished page are framed in.
inline constexpr QSizeF screenSize{393, 852};
/// Room above the phone face (the status bar's), and above the finished page.
inline constexpr double faceTopPadding = 60;
inline constexpr double pageTopPadding = 74;
/// The lock-screen card, and the black margin around its plate.
inline constexpr QSizeF cardSize{361, 160};
inline constexpr double cardPadding = 16;
inline constexpr double cardCornerRadius = 24;
/// How long the sample run has been going, and how long ago the done sample ended.
inline constexpr double sampleRunSeconds = 724;
inline constexpr double sampleEndedSecondsAgo = 472;

/// The sample live state of a lock target: "done", "broke", and a running state for any
/// other text.
QuorvelLiveState lockState(std::string_view name, Instant now);

std::optional<RenderScene> phone(std::string_view sample, Instant now);
std::optional<RenderScene> finished(Instant now);
std::optional<RenderScene> lock(std::string_view name, Instant now);

}  // namespace quorvel::PhoneRenderTargets
