#pragma once
// The two lists of the tab block: what is running now and what has finished.
#include <array>
#include <optional>
#include <string_view>

namespace quorvel {

enum class ListTab { running, finished };

/// RUNNING first, as the tab keys stand.
inline constexpr std::array<ListTab, 2> allListTabs{ListTab::running, ListTab::finished};

/// "running" or "finished".
constexpr std::string_view rawValue(ListTab tab) {
    return tab == ListTab::finished ? "finished" : "running";
}

/// The tab named exactly `raw` (case-sensitive); nothing for any other text.
constexpr std::optional<ListTab> listTabFromRawValue(std::string_view raw) {
    if (raw == "running") return ListTab::running;
    if (raw == "finished") return ListTab::finished;
    return std::nullopt;
}

}  // namespace quorvel
