#pragma once
// The dim line under a headline: the main part, then " · " and a suffix (a duration). When
// space runs out the main part is cut with an ellipsis and the suffix stays whole; a main part
// that is not empty keeps at least 5 x size points. Never shrinks.
#include <optional>
#include <string>

#include <QRectF>
#include <QString>

class QPainter;

namespace quorvel {

struct DetailLine {
    std::string main;
    std::optional<std::string> suffix;
    /// Font size (Space Mono Regular) in points.
    double size = 12;

    struct Layout {
        QString mainText;  ///< as drawn, elided when cut
        QRectF mainRect;
        QString suffixText;  ///< "4m 05s" alone, " · 4m 05s", or empty
        QRectF suffixRect;
    };

    /// The suffix as shown: itself when the main part is empty, else " · " before it; empty
    /// when absent or empty.
    QString suffixText() const;

    /// One line of Space Mono at `size`.
    static double height(double size);
    /// The parts laid out from the leading edge of `frame`, vertically centred.
    Layout layout(const QRectF& frame) const;

    void paint(QPainter& painter, const Layout& layout) const;
    void paint(QPainter& painter, const QRectF& frame) const { paint(painter, layout(frame)); }
};

}  // namespace quorvel
