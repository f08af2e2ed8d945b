#pragma once
// The user's wish for less movement on screen (the desktop's accessibility setting). Animated
// views show still pictures while it is on. Main thread.
#include <cstddef>
#include <functional>
#include <map>
#include <utility>

namespace quorvel {

class ReduceMotion {
public:
    virtual ~ReduceMotion() = default;

    /// True when the user asked for less motion; false when the desktop has no such setting.
    virtual bool isOn() const = 0;

    /// `observer` is called on the main thread after each change of `isOn`, until removed with
    /// the number returned here.
    std::size_t addObserver(std::function<void()> observer) {
        observers_.emplace(++lastObserver_, std::move(observer));
        return lastObserver_;
    }
    void removeObserver(std::size_t observer) { observers_.erase(observer); }

protected:
    void notifyObservers() {
        // An observer may remove itself (or another) while being called.
        const auto observers = observers_;
        for (const auto& [number, observer] : observers) {
            if (observers_.count(number) != 0) observer();
        }
    }

private:
    std::map<std::size_t, std::function<void()>> observers_;
    std::size_t lastObserver_ = 0;
};

/// A setting held in memory: the value a test or a headless run chooses.
class FixedReduceMotion final : public ReduceMotion {
public:
    explicit FixedReduceMotion(bool on = false) : on_(on) {}

    bool isOn() const override { return on_; }

    /// Notifies the observers when the value changes.
    void set(bool on) {
        if (on == on_) return;
        on_ = on;
        notifyObservers();
    }

private:
    bool on_;
};

}  // namespace quorvel
