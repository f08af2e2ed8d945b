#include "kit/phone/StepperKeys.hpp"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "kit/phone/SmallKeyStyle.hpp"
#include "kit/phone/TabularText.hpp"
#include "kit/visuals/model/Tokens.hpp"
#include "kit/visuals/views/kit/Fonts.hpp"
#include "kit/visuals/views/kit/Painting.hpp"

namespace quorvel {
namespace {

std::int64_t saturatingAdd(std::int64_t a, std::int64_t b) {
    std::int64_t sum = 0;
    if (!__builtin_add_overflow(a, b, &sum)) return sum;
    return b > 0 ? INT64_MAX : INT64_MIN;
}

std::int64_t saturatingSubtract(std::int64_t a, std::int64_t b) {
    std::int64_t difference = 0;
    if (!__builtin_sub_overflow(a, b, &difference)) return difference;
    return b > 0 ? INT64_MIN : INT64_MAX;
}

}  // namespace

bool StepperKeys::minusEnabled() const { return lower <= upper && value > lower; }

bool StepperKeys::plusEnabled() const { return lower <= upper && value < upper; }

// A value stored outside the range is shown as it is and moves from there one step a press,
// like any other: a press never jumps by more than the step it promises.
std::int64_t StepperKeys::decremented() const {
    if (!minusEnabled()) return value;
    return std::max(saturatingSubtract(value, step), lower);
}

std::int64_t StepperKeys::incremented() const {
    if (!plusEnabled()) return value;
    return std::min(saturatingAdd(value, step), upper);
}

std::string StepperKeys::valueText() const { return format ? format(value) : plainNumber(value); }

StepperKeys::Layout StepperKeys::layout() const {
    const QSizeF minus = SmallKeyStyle::size(QString::fromUtf8(minusLegend));
    const QSizeF plus = SmallKeyStyle::size(QString::fromUtf8(plusLegend));
    const TabularText shown{QString::fromStdString(valueText()), Fonts::pixel(valueSize), {}};
    const double valueWidth = std::max(minimumValueWidth, std::ceil(shown.width()));
    const double height = std::max(minus.height(), plus.height());
    Layout layout;
    layout.minus = {0, (height - minus.height()) / 2, minus.width(), minus.height()};
    layout.value = {layout.minus.right() + spacing, 0, valueWidth, height};
    layout.plus = {layout.value.right() + spacing, (height - plus.height()) / 2, plus.width(), plus.height()};
    layout.size = {layout.plus.right(), height};
    return layout;
}

void StepperKeys::paintValue(QPainter& painter, const QRectF& frame) const {
    TabularText{QString::fromStdString(valueText()), Fonts::pixel(valueSize), drawing::toQColor(Tokens::acid)}.paint(
        painter, frame);
}

void StepperKeys::paint(QPainter& painter, const QPointF& topLeft, bool minusHeld, bool plusHeld) const {
    const Layout parts = layout();
    const SmallKeyStyle key{SmallKeyStyle::Style::panel};
    key.paint(painter, parts.minus.translated(topLeft), QString::fromUtf8(minusLegend), minusHeld);
    paintValue(painter, parts.value.translated(topLeft));
    key.paint(painter, parts.plus.translated(topLeft), QString::fromUtf8(plusLegend), plusHeld);
}

std::string plainNumber(std::int64_t value) { return std::to_string(value); }

std::string hourOfDay(std::int64_t hour) {
    char text[32];
    std::snprintf(text, sizeof text, "%02lld:00", static_cast<long long>(hour));
    return text;
}

}  // namespace quorvel
