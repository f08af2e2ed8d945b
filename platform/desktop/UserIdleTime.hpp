#pragma once
// How long the user has left the keyboard and pointer alone, as the desktop session counts it.
namespace quorvel {

class UserIdleTime {
public:
    virtual ~UserIdleTime() = default;

    /// Seconds since the last input event of any kind in the login session; 0 when the
    /// desktop can't tell.
    virtual double secondsSinceLastInput() = 0;
};

}  // namespace quorvel
