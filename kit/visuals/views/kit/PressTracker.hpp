#pragma once
// How a push button reacts to the pointer: it acts on release, and only when the pointer is let
// go over the target it went down on; dragging off and releasing elsewhere cancels. A window
// keeps one tracker per surface between its pointer events and feeds it the part's hit tests.
#include <optional>
#include <utility>

namespace quorvel {

template <typename Target>
class PressTracker {
public:
    /// The pointer went down over `hit` (nothing: over no target).
    void press(std::optional<Target> hit) {
        pressed_ = std::move(hit);
        over_ = pressed_.has_value();
    }

    /// The pointer moved while held, now over `hit`.
    void move(const std::optional<Target>& hit) { over_ = pressed_.has_value() && hit == pressed_; }

    /// The pointer was let go over `hit`: the target to act on, if the press lands; the
    /// gesture ends either way.
    std::optional<Target> release(const std::optional<Target>& hit) {
        std::optional<Target> acted;
        if (pressed_.has_value() && hit == pressed_) acted = std::move(pressed_);
        cancel();
        return acted;
    }

    /// The gesture ends without acting (the window lost the pointer).
    void cancel() {
        pressed_.reset();
        over_ = false;
    }

    /// The target held down, wherever the pointer is now.
    const std::optional<Target>& held() const { return pressed_; }

    /// The target to draw pressed: the held one while the pointer is over it.
    std::optional<Target> shownPressed() const { return over_ ? pressed_ : std::nullopt; }

private:
    std::optional<Target> pressed_;
    bool over_ = false;
};

}  // namespace quorvel
