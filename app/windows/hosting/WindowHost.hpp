#pragma once
// One of the app's windows as the coordinator sees it: made on its first showing and kept
// for the life of the process. Main thread.
namespace quorvel {

class WindowHost {
public:
    virtual ~WindowHost() = default;

    /// Makes the window on first use, then brings it to the front.
    virtual void show() = 0;
    /// Takes the window off the screen when it has been made; nothing otherwise.
    virtual void hide() = 0;
};

}  // namespace quorvel
