#pragma once
// The one sentence that tells the user what happened to the last push or non-push.
#include <string>
#include <string_view>

#include "kit/engine/Alert.hpp"
#include "kit/engine/Router.hpp"
#include "platform/time/Calendar.hpp"
#include "platform/time/Instant.hpp"

namespace quorvel::PushReport {

/// Before any push was decided.
inline constexpr std::string_view initial = "No push sent yet";

/// `now` as a time of day in the calendar's locale, short style, without a date.
std::string clockText(Instant now, const Calendar& calendar);

/// "No push for needsYou: you're at the computer (9:41 AM)".
std::string skipped(Alert::Kind kind, Router::Skip reason, std::string_view clock);

/// "Sent done at 11:42 PM", followed by ", silently (quiet hours)" for a push without sound.
std::string sent(Alert::Kind kind, bool silent, std::string_view clock);

/// "Failed: " and the delivery's own description.
std::string failed(std::string_view description);

}  // namespace quorvel::PushReport
