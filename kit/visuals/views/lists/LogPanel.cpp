#include "kit/visuals/views/lists/LogPanel.hpp"

#include <algorithm>
#include <cmath>
#include <memory>
#include <vector>

#include <QFontMetricsF>
#include <QPainter>
#include <QPainterPath>
#include <QTextLayout>

#include "kit/visuals/model/Tokens.hpp"
#include "kit/visuals/views/kit/BevelSurface.hpp"
#include "kit/visuals/views/kit/Fonts.hpp"
#include "kit/visuals/views/kit/Painting.hpp"
#include "kit/visuals/views/kit/Shape.hpp"
#include "platform/text/UnicodeText.hpp"

namespace quorvel {
namespace {

QFont logFont() { return Fonts::mono(false, 11); }

/// The text as wrapped paragraphs: every line break starts a new one, so a log reads as it
/// was written; lines too long for the width wrap at word boundaries, or anywhere.
class WrappedText {
public:
    WrappedText(const QString& text, double width) {
        const QFont font = logFont();
        QTextOption option;
        option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
        option.setTabStopDistance(QFontMetricsF(font).horizontalAdvance(QLatin1Char(' ')) * 8);
        const double lineWidth = std::max(1.0, width);
        for (const std::string& line : text::splitLines(text.toStdString())) {
            auto& layout = paragraphs_.emplace_back(std::make_unique<QTextLayout>(QString::fromStdString(line), font));
            layout->setTextOption(option);
            layout->beginLayout();
            for (QTextLine row = layout->createLine(); row.isValid(); row = layout->createLine()) {
                row.setLineWidth(lineWidth);
                row.setPosition(QPointF(0, height_));
                height_ += row.height();
            }
            layout->endLayout();
        }
    }

    double height() const { return height_; }

    void draw(QPainter& painter, QPointF origin) const {
        for (const auto& layout : paragraphs_) layout->draw(&painter, origin);
    }

private:
    std::vector<std::unique_ptr<QTextLayout>> paragraphs_;
    double height_ = 0;
};

}  // namespace

double LogPanel::contentHeight(double width) const {
    return WrappedText(text, width - 2 * padding).height() + 2 * padding;
}

double LogPanel::height(double width) const { return std::min(contentHeight(width), maximumHeight); }

double LogPanel::maxScroll(double width) const { return std::max(0.0, contentHeight(width) - maximumHeight); }

double LogPanel::clampedScroll(double width, double offset) const {
    if (!(offset >= 0)) return 0;
    return std::min(offset, maxScroll(width));
}

QRectF LogPanel::textRect(const QRectF& frame) { return frame.adjusted(padding, padding, -padding, -padding); }

void LogPanel::paint(QPainter& painter, const QRectF& frame) const {
    BevelSurface{Shape::continuousRoundedRectangle(cornerRadius), Tokens::screen, Tokens::keyDepth, Bevel::recessed(),
                 std::nullopt, 2}
        .paint(painter, frame);

    const WrappedText wrapped(text, frame.width() - 2 * padding);
    const double contentHeight = wrapped.height() + 2 * padding;
    const double scroll = std::clamp(std::isfinite(scrollOffset) ? scrollOffset : 0.0, 0.0,
                                     std::max(0.0, contentHeight - frame.height()));
    painter.save();
    const QPainterPath inside = Shape::continuousRoundedRectangle(cornerRadius).in(frame);
    painter.setClipPath(inside, Qt::IntersectClip);
    painter.setPen(drawing::toQColor(Tokens::mascotWhite));
    wrapped.draw(painter, QPointF(frame.left() + padding, frame.top() + padding - scroll));

    if (contentHeight > frame.height() && frame.height() > 0) {
        // A slim indicator, as the platform's scroll views show while content lies beyond.
        const double track = frame.height() - 8;
        const double thumb = std::max(16.0, track * frame.height() / contentHeight);
        const double travel = contentHeight - frame.height();
        const double y = frame.top() + 4 + (track - thumb) * (travel > 0 ? scroll / travel : 0);
        QPainterPath bar;
        bar.addRoundedRect(QRectF(frame.right() - 7, y, 3, thumb), 1.5, 1.5);
        painter.setRenderHint(QPainter::Antialiasing, true);
        painter.fillPath(bar, drawing::toQColor(Tokens::dim, 0.6));
    }
    painter.restore();

    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, true);
    const QPainterPath border =
        Shape::continuousRoundedRectangle(cornerRadius - borderWidth / 2).in(drawing::insetForStroke(frame, borderWidth));
    drawing::strokePath(painter, border, drawing::toQColor(Tokens::broke), borderWidth);
    painter.restore();
}

}  // namespace quorvel
