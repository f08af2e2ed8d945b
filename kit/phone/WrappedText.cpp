#include "kit/phone/WrappedText.hpp"

#include <QFontMetricsF>
#include <QPainter>
#include <QTextLayout>
#include <QTextOption>
#include <algorithm>
#include <cmath>
#include <limits>

namespace quorvel {
namespace {

QString laidOutText(const QString& text) {
    QString shown = text;
    shown.replace(QLatin1String("\r\n"), QString(QChar::LineSeparator));
    for (QChar& character : shown) {
        if (character == u'\n' || character == u'\r') character = QChar::LineSeparator;
        else if (character == u'\t' || (character.category() == QChar::Other_Control)) character = u' ';
    }
    return shown;
}

double usableWidth(double width) {
    if (!std::isfinite(width)) return std::numeric_limits<double>::max() / 4;
    return std::max(1.0, width);
}

// Lays `text` out at `width`; `visit` sees each line with its top.
template <typename Visit>
double layOut(const WrappedText& block, double width, Visit visit) {
    QTextLayout layout(laidOutText(block.text), block.font);
    QTextOption option(block.alignment);
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    layout.setTextOption(option);
    layout.beginLayout();
    double top = 0;
    for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
        line.setLineWidth(usableWidth(width));
        line.setPosition(QPointF(0, top));
        top += line.height();
    }
    layout.endLayout();
    if (layout.lineCount() == 0) return QFontMetricsF(block.font).height();
    visit(layout);
    return top;
}

}  // namespace

double WrappedText::height(double width) const {
    return layOut(*this, width, [](QTextLayout&) {});
}

int WrappedText::lineCount(double width) const {
    int count = 1;
    layOut(*this, width, [&](QTextLayout& layout) { count = std::max(1, layout.lineCount()); });
    return count;
}

double WrappedText::idealWidth() const {
    double widest = 0;
    layOut(*this, std::numeric_limits<double>::infinity(), [&](QTextLayout& layout) {
        for (int index = 0; index < layout.lineCount(); ++index) {
            widest = std::max(widest, layout.lineAt(index).naturalTextWidth());
        }
    });
    return std::ceil(widest);
}

void WrappedText::paint(QPainter& painter, const QRectF& frame) const {
    layOut(*this, frame.width(), [&](QTextLayout& layout) {
        painter.save();
        painter.setPen(color);
        layout.draw(&painter, frame.topLeft());
        painter.restore();
    });
}

}  // namespace quorvel
