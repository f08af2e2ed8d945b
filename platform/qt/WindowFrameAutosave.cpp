#include "platform/qt/WindowFrameAutosave.hpp"

#include <QEvent>
#include <QGuiApplication>
#include <QScreen>
#include <limits>

namespace quorvel {
namespace {

std::optional<int> coordinate(const json::Json& object, const char* key) {
    try {
        const std::int64_t value = json::requireInt(object, key);
        if (value < std::numeric_limits<int>::min() / 2 || value > std::numeric_limits<int>::max() / 2) return std::nullopt;
        return static_cast<int>(value);
    } catch (const json::JsonDecodeError&) {
        return std::nullopt;
    }
}

}  // namespace

WindowFrameAutosave::WindowFrameAutosave(QWidget& window, KeyValueStore& store, std::string name)
    : window_(window), store_(store), name_(std::move(name)) {
    saveTimer_.setSingleShot(true);
    saveTimer_.setInterval(300);
    connect(&saveTimer_, &QTimer::timeout, this, &WindowFrameAutosave::save);
    window_.installEventFilter(this);
}

WindowFrameAutosave::~WindowFrameAutosave() {
    if (saveTimer_.isActive()) save();
}

std::string WindowFrameAutosave::key(std::string_view name) { return "windowFrame " + std::string(name); }

std::optional<QRect> WindowFrameAutosave::savedFrame(const KeyValueStore& store, std::string_view name) {
    const std::optional<json::Json> stored = store.jsonValue(key(name));
    if (!stored || !stored->is_object()) return std::nullopt;
    const auto x = coordinate(*stored, "x");
    const auto y = coordinate(*stored, "y");
    const auto width = coordinate(*stored, "width");
    const auto height = coordinate(*stored, "height");
    if (!x || !y || !width || !height || *width <= 0 || *height <= 0) return std::nullopt;
    return QRect(*x, *y, *width, *height);
}

bool WindowFrameAutosave::restore() {
    const std::optional<QRect> frame = savedFrame(store_, name_);
    if (!frame) return false;
    // A frame saved on a screen that has gone since would put the window out of reach.
    bool onAScreen = false;
    for (const QScreen* screen : QGuiApplication::screens()) {
        if (screen->availableGeometry().intersects(*frame)) onAScreen = true;
    }
    if (!onAScreen) return false;
    // The size follows the content; only the place is remembered for it.
    window_.move(frame->topLeft());
    return true;
}

void WindowFrameAutosave::save() {
    saveTimer_.stop();
    const QRect frame = window_.frameGeometry();
    json::Json value = json::Json::object();
    value["x"] = frame.x();
    value["y"] = frame.y();
    value["width"] = frame.width();
    value["height"] = frame.height();
    store_.setJson(key(name_), value);
}

bool WindowFrameAutosave::eventFilter(QObject* watched, QEvent* event) {
    if (watched == &window_) {
        switch (event->type()) {
            case QEvent::Move:
            case QEvent::Resize:
                if (window_.isVisible()) saveTimer_.start();
                break;
            case QEvent::Hide: save(); break;
            default: break;
        }
    }
    return QObject::eventFilter(watched, event);
}

}  // namespace quorvel
