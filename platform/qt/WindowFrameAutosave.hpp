#pragma once
// Remembers where a window was, under a name, in the app's defaults store, and puts it back
// there next time. Main thread.
#include <QObject>
#include <QRect>
#include <QTimer>
#include <QWidget>
#include <optional>
#include <string>
#include <string_view>

#include "platform/stores/KeyValueStore.hpp"

namespace quorvel {

class WindowFrameAutosave final : public QObject {
    Q_OBJECT

public:
    /// Watches `window` (which must outlive this object) and saves its frame in `store` under
    /// `key(name)` once it has been moved or hidden.
    WindowFrameAutosave(QWidget& window, KeyValueStore& store, std::string name);
    ~WindowFrameAutosave() override;

    /// "windowFrame " + name.
    static std::string key(std::string_view name);

    /// The frame saved under `name`: absent when none is, or what is stored isn't a frame.
    static std::optional<QRect> savedFrame(const KeyValueStore& store, std::string_view name);

    /// Moves the window to its saved place; false, and the window left where it is, when no
    /// frame is saved or the saved one lies on no screen there is now.
    bool restore();

    /// Saves the window's frame now.
    void save();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QWidget& window_;
    KeyValueStore& store_;
    std::string name_;
    // A window being dragged moves many times a second; the frame is written once it rests.
    QTimer saveTimer_;
};

}  // namespace quorvel
