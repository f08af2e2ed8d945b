#pragma once
// A device token in a recessed well: the token in lower case (white), or the placeholder as
// given (dim) when there is none; at most `lines` lines, and a token too long for them is cut
// in the middle ("…"), so its start and its end stay visible. Space Mono 11, padded 12 at the
// sides and 10 above and below.
#include <optional>
#include <string>
#include <vector>

#include <QRectF>
#include <QString>

class QPainter;

namespace quorvel {

struct TokenField {
    std::optional<std::string> token;
    /// The most lines shown; fewer than one counts as one.
    int lines = 1;
    std::string placeholder;

    static constexpr double textSize = 11;
    static constexpr double horizontalPadding = 12;
    static constexpr double verticalPadding = 10;

    bool showsToken() const { return token.has_value(); }
    int lineLimit() const;
    /// The token in lower case, else the placeholder verbatim.
    QString shownText() const;
    /// The lines drawn in a text column of `textWidth` points: wrapped anywhere, at most
    /// `lineLimit()`, cut in the middle when the whole text does not fit.
    std::vector<QString> shownLines(double textWidth) const;

    /// The field's height at `width`.
    double height(double width) const;
    void paint(QPainter& painter, const QRectF& frame) const;
};

}  // namespace quorvel
