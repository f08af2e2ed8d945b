#pragma once
// A lamp that blinks once a second in equal halves: unlit for the first half second after it
// comes on screen, then lit, then unlit, and so on, each change a hard switch.
//
// `PulsingLED` is the lamp as drawn; `PulsingLEDBlinker` is the lamp's own clock for a view on
// screen: started when the view appears, stopped when it leaves (its lamp starts unlit again
// on the next start). Main thread.
#include <QObject>
#include <QRectF>
#include <QTimer>

#include "kit/visuals/model/Color.hpp"

class QPainter;

namespace quorvel {

struct PulsingLED {
    Color color;
    bool lit = false;

    static constexpr double size = 10;
    static constexpr double halfPeriodSeconds = 0.5;

    /// Whether the lamp is lit `seconds` after it came on screen (unlit before, and for NaN).
    static bool litAfter(double seconds);

    /// Paints the 10-point lamp centred in `frame`.
    void paint(QPainter& painter, const QRectF& frame) const;
};

class PulsingLEDBlinker final : public QObject {
    Q_OBJECT

public:
    explicit PulsingLEDBlinker(QObject* parent = nullptr);

    bool lit() const { return lit_; }
    bool running() const { return timer_.isActive(); }

    /// Starts unlit and flips every half second.
    void start();
    /// Stops flipping; the lamp stays as it is until the next start.
    void stop();

signals:
    /// After every flip.
    void litChanged(bool lit);

private:
    QTimer timer_;
    bool lit_ = false;
};

}  // namespace quorvel
