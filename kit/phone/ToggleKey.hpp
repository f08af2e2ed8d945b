#pragma once
// A latching on/off key: a lamp and "ON" or "OFF" on a 58 x 27 face. Off it stands raised
// (panel face, 3 points of depth, dim legend, dark lamp); on it stays sunk (pressed bevel,
// panelPressed face, white legend, lit acid lamp) until tapped again. The face does not move
// while held. The key's frame is 58 x 40.
#include <string>

#include <QRectF>
#include <QSizeF>

class QPainter;

namespace quorvel {

struct ToggleKey {
    bool on = false;

    static constexpr double faceWidth = 58;
    static constexpr double faceHeight = 27;
    static constexpr double depth = 3;
    static constexpr double minimumHeight = 40;
    static constexpr double cornerRadius = 5;
    static constexpr double strokeWidth = 1.5;
    static constexpr double lampSize = 8;
    static constexpr double lampSpacing = 7;
    static constexpr double legendSize = 10;
    static constexpr double legendTracking = 1;

    static QSizeF size() { return {faceWidth, minimumHeight}; }
    /// The face inside a key frame.
    static QRectF faceRect(const QRectF& frame);

    /// What a tap makes of the flag.
    bool toggled() const { return !on; }
    std::string legend() const { return on ? "ON" : "OFF"; }
    std::string accessibilityValue() const { return on ? "on" : "off"; }

    /// `focused` adds the acid focus ring around the face.
    void paint(QPainter& painter, const QRectF& frame, bool focused = false) const;
};

}  // namespace quorvel
