#pragma once
// A line of explanation between settings rows: Space Mono 11, dim, wrapping onto as many
// lines as it needs, 2 points in from each side.
#include <string>

#include <QRectF>

#include "kit/phone/WrappedText.hpp"

class QPainter;

namespace quorvel {

struct SettingsNote {
    std::string text;

    static constexpr double textSize = 11;
    static constexpr double horizontalPadding = 2;

    WrappedText block() const;
    double height(double width) const;
    void paint(QPainter& painter, const QRectF& frame) const;
};

}  // namespace quorvel
