#pragma once
// The "Quorvel design sheet" window: the device's look side by side, in a window that
// scrolls both ways on the chassis colour. It opens only from the menu; each opening after
// a close builds its sheet afresh. Main thread.
#include <QScrollArea>
#include <memory>

namespace quorvel {

class DesignSheetScene {
public:
    static constexpr const char* title = "Quorvel design sheet";
    static constexpr const char* identifier = "design-sheet";

    DesignSheetScene();
    ~DesignSheetScene();

    /// Opens the window (with a new sheet unless it is open already) and brings it forward.
    void open();

    /// Null until first opened.
    QScrollArea* window() const { return window_.get(); }

private:
    std::unique_ptr<QScrollArea> window_;
};

}  // namespace quorvel
