#pragma once
// One setting in a recessed well: its name (Space Mono 13, white) and an optional note
// (Space Mono 11, dim) at the left, both wrapping as they need, and a control at the right.
// The row is at least 54 points tall and grows with its texts. An empty note is no note.
#include <optional>
#include <string>

#include <QRectF>
#include <QSizeF>

#include "kit/phone/WrappedText.hpp"

class QPainter;

namespace quorvel {

struct SettingRow {
    std::string name;
    std::optional<std::string> note;

    static constexpr double minimumHeight = 54;
    static constexpr double horizontalPadding = 12;
    static constexpr double verticalPadding = 10;
    static constexpr double spacing = 12;
    static constexpr double minimumGap = 8;
    static constexpr double noteSpacing = 3;
    static constexpr double nameSize = 13;
    static constexpr double noteSize = 11;

    bool hasNote() const { return note && !note->empty(); }
    WrappedText nameBlock() const;
    WrappedText noteBlock() const;

    struct Layout {
        QRectF name;
        /// Empty without a note.
        QRectF note;
        QRectF control;
        double height = minimumHeight;
    };
    /// Texts and a control of `control` size in a row of `width`, from the row's top-left.
    Layout layout(double width, const QSizeF& control) const;

    /// Paints the well and the texts; the control is the caller's, at `layout().control`.
    void paint(QPainter& painter, const QRectF& frame, const QSizeF& control) const;
};

}  // namespace quorvel
