#include "kit/phone/PulsingLED.hpp"

#include <cmath>

#include "kit/visuals/views/kit/LED.hpp"

namespace quorvel {

bool PulsingLED::litAfter(double seconds) {
    if (!std::isfinite(seconds) || seconds < halfPeriodSeconds) return false;
    const double halves = std::floor(seconds / halfPeriodSeconds);
    return std::fmod(halves, 2.0) == 1.0;
}

void PulsingLED::paint(QPainter& painter, const QRectF& frame) const { LED{lit, color, size}.paint(painter, frame); }

PulsingLEDBlinker::PulsingLEDBlinker(QObject* parent) : QObject(parent) {
    timer_.setInterval(static_cast<int>(PulsingLED::halfPeriodSeconds * 1000));
    timer_.setTimerType(Qt::PreciseTimer);
    connect(&timer_, &QTimer::timeout, this, [this] {
        lit_ = !lit_;
        emit litChanged(lit_);
    });
}

void PulsingLEDBlinker::start() {
    lit_ = false;
    timer_.start();
}

void PulsingLEDBlinker::stop() { timer_.stop(); }

}  // namespace quorvel
