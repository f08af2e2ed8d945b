#pragma once
// A value between a minus key and a plus key: "−" (U+2212) and "+" as small panel keys around
// the formatted value (pixel face 22, acid, tabular digits, at least 64 points wide), 6 points
// apart. Each key moves the value by `step` and stops at the bound; the arithmetic saturates
// instead of overflowing. A key at its bound, or both keys when the lower bound lies above the
// upper one, is disabled and ignores taps (it looks the same).
#include <cstdint>
#include <functional>
#include <string>

#include <QRectF>
#include <QSizeF>
#include <QString>

class QPainter;

namespace quorvel {

struct StepperKeys {
    std::int64_t value = 0;
    std::int64_t lower = 0;
    std::int64_t upper = 0;
    std::int64_t step = 1;
    /// The text shown for a value (and read out as the control's value).
    std::function<std::string(std::int64_t)> format;

    static constexpr const char* minusLegend = "\u2212";
    static constexpr const char* plusLegend = "+";
    static constexpr double valueSize = 22;
    static constexpr double minimumValueWidth = 64;
    static constexpr double spacing = 6;

    bool minusEnabled() const;
    bool plusEnabled() const;
    /// The value after a minus tap: the larger of value - step and lower (unchanged when
    /// disabled). From above the range that may still lie above upper.
    std::int64_t decremented() const;
    /// The value after a plus tap: the smaller of value + step and upper (unchanged when
    /// disabled). From below the range that may still lie below lower.
    std::int64_t incremented() const;

    std::string valueText() const;

    struct Layout {
        QRectF minus;
        QRectF value;
        QRectF plus;
        QSizeF size;
    };
    Layout layout() const;

    /// Paints keys and value from `topLeft`; a key is drawn held when its flag is set.
    void paint(QPainter& painter, const QPointF& topLeft, bool minusHeld = false, bool plusHeld = false) const;
    /// Paints the value alone, centred in `frame`.
    void paintValue(QPainter& painter, const QRectF& frame) const;
};

/// The number as shown in settings: plain decimal digits, no grouping, no leading zeros.
std::string plainNumber(std::int64_t value);
/// An hour as "07:00" ("%02d:00").
std::string hourOfDay(std::int64_t hour);

}  // namespace quorvel
