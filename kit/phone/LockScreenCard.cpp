#include "kit/phone/LockScreenCard.hpp"

#include <QFontMetricsF>
#include <QPainter>
#include <algorithm>

#include "kit/engine/Durations.hpp"
#include "kit/phone/WrappedText.hpp"
#include "kit/visuals/model/Tokens.hpp"
#include "kit/visuals/views/kit/Fonts.hpp"
#include "kit/visuals/views/kit/Layer.hpp"
#include "kit/visuals/views/kit/Painting.hpp"
#include "kit/visuals/views/kit/TextLine.hpp"

namespace quorvel {
namespace {

constexpr std::string_view exitSeparator = " · exit ";
constexpr std::string_view titleSeparator = " · ";

const QString logoText = QStringLiteral("QUORVEL");

drawing::TextStyle textStyle(QFont font, Color color, double tracking = 0, double minimumScale = 1) {
    drawing::TextStyle style;
    style.font = std::move(font);
    style.tracking = tracking;
    style.color = drawing::toQColor(color);
    style.alignment = Qt::AlignLeft | Qt::AlignTop;
    style.minimumScale = minimumScale;
    return style;
}

drawing::TextStyle projectStyle() { return textStyle(Fonts::mono(true, LockScreenCard::projectSize), Tokens::mascotWhite); }
drawing::TextStyle logoStyle() { return textStyle(Fonts::pixel(LockScreenCard::logoSize), Tokens::acid); }
drawing::TextStyle captionStyle() {
    return textStyle(Fonts::mono(true, LockScreenCard::captionSize), Tokens::dim, LockScreenCard::captionTracking);
}

WrappedText detailText(const std::string& text) {
    return WrappedText{QString::fromStdString(text), Fonts::mono(false, LockScreenCard::detailSize),
                       drawing::toQColor(Tokens::dim), Qt::AlignLeft};
}

/// One text of a row whose texts share a baseline, fitted into the width it may take.
struct BaselinePiece {
    QString text;
    drawing::TextStyle style;
    drawing::FittedLine fitted;
    double ascent = 0;
    double descent = 0;

    BaselinePiece(QString shown, drawing::TextStyle textStyle, double width)
        : text(std::move(shown)), style(std::move(textStyle)), fitted(drawing::fitLine(text, style, width)) {
        const QFontMetricsF metrics(style.font);
        ascent = metrics.ascent() * fitted.scale;
        descent = metrics.descent() * fitted.scale;
    }

    /// Draws the piece from `x` with its baseline at `baseline`.
    void paint(QPainter& painter, double x, double baseline) const {
        drawing::drawTextLine(painter, QRectF(x, baseline - ascent, fitted.size.width(), ascent + descent), text,
                              style);
    }
};

double headerHeight() {
    const QFontMetricsF project(projectStyle().font);
    const QFontMetricsF logo(logoStyle().font);
    return std::max(project.ascent(), logo.ascent()) + std::max(project.descent(), logo.descent());
}

}  // namespace

bool LockScreenCard::isRunningState(std::string_view state) { return state == "running" || state == "longRun"; }

QString LockScreenCard::headlineForState(std::string_view state) {
    if (state == "done") return QStringLiteral("DONE");
    if (state == "needsYou") return QStringLiteral("NEEDS YOU");
    if (state == "broke") return QStringLiteral("IT BROKE");
    if (state == "crashed") return QStringLiteral("CRASHED");
    return QStringLiteral("GRINDING");
}

Color LockScreenCard::accentForState(std::string_view state) {
    if (state == "done" || state == "needsYou") return Tokens::acid;
    if (state == "broke" || state == "crashed") return Tokens::broke;
    return Tokens::dim;
}

std::string LockScreenCard::exitCodeText() const {
    if (state.state != "broke" || !state.detail) return state.title;
    const std::string& detail = *state.detail;
    // The Mac joins the command and its exit code with the last separator; anything earlier
    // belongs to the command.
    const std::size_t separator = detail.rfind(exitSeparator);
    if (separator == std::string::npos) return state.title;
    const std::string exitPart = detail.substr(separator + titleSeparator.size());
    if (state.title.empty()) return exitPart;
    return state.title + std::string(titleSeparator) + exitPart;
}

QString LockScreenCard::doneDuration() const {
    const double end = state.endedAtUnix.value_or(state.startedAtUnix);
    return QString::fromStdString(Durations::shortText(BigTime::elapsedSeconds(state.startedAtUnix, end)));
}

MascotView LockScreenCard::mascot() const {
    return MascotView{state.face(), mascotScale, state.state == "broke", 0, true};
}

QString LockScreenCard::caption() const {
    return stale ? QStringLiteral("LOST THE MAC") : QStringLiteral("GRINDING");
}

LockScreenCard::Layout LockScreenCard::layout(const QRectF& frame) const {
    const double left = frame.left() + horizontalPadding;
    const QSizeF mascotSize = mascot().size();
    const double columnLeft = left + mascotSize.width() + spacing;
    const double columnWidth = std::max(0.0, frame.right() - horizontalPadding - columnLeft);

    const double header = headerHeight();
    const double detail = detailText(exitCodeText()).height(columnWidth);
    const double columnHeight = header + headlineHeight + detail;
    const double contentHeight = std::max(mascotSize.height(), columnHeight);
    const double top = frame.top() + (frame.height() - contentHeight) / 2;

    Layout result;
    result.mascot = QRectF(QPointF(left, top + (contentHeight - mascotSize.height()) / 2), mascotSize);
    result.column = QRectF(columnLeft, top + (contentHeight - columnHeight) / 2, columnWidth, columnHeight);
    result.header = QRectF(columnLeft, result.column.top(), columnWidth, header);
    result.headline = QRectF(columnLeft, result.header.bottom(), columnWidth, headlineHeight);
    result.detail = QRectF(columnLeft, result.headline.bottom(), columnWidth, detail);
    return result;
}

void LockScreenCard::paintHeader(QPainter& painter, const QRectF& row) const {
    const BaselinePiece logo(logoText, logoStyle(), row.width());
    const double projectWidth = std::max(0.0, row.width() - headerSpacing - logo.fitted.size.width());
    const BaselinePiece project(QString::fromStdString(state.project.value_or("")), projectStyle(), projectWidth);
    const double baseline = row.top() + std::max(project.ascent, logo.ascent);
    project.paint(painter, row.left(), baseline);
    logo.paint(painter, row.right() - logo.fitted.size.width(), baseline);
}

void LockScreenCard::paintHeadline(QPainter& painter, const QRectF& row, Instant now) const {
    const std::string_view name = state.state;
    if (name == "needsYou" || name == "broke" || name == "crashed") {
        const Color color = name == "needsYou" ? Tokens::acid : Tokens::broke;
        drawing::TextStyle style = textStyle(Fonts::pixel(wordSize), color, 0, wordMinimumScale);
        style.alignment = Qt::AlignLeft | Qt::AlignVCenter;
        drawing::drawTextLine(painter, row, headlineForState(name), style);
        return;
    }
    // Two texts of different sizes on one baseline, the pair centred in the row.
    auto centredBaseline = [&](double ascent, double descent) {
        return row.top() + (row.height() - ascent - descent) / 2 + ascent;
    };
    if (name == "done") {
        const BaselinePiece word(headlineForState(name), textStyle(Fonts::pixel(wordSize), Tokens::acid), row.width());
        const double left = row.width() - word.fitted.size.width() - headlineSpacing;
        const BaselinePiece duration(doneDuration(), textStyle(Fonts::pixel(durationSize), Tokens::mascotWhite),
                                     std::max(0.0, left));
        const double baseline = centredBaseline(std::max(word.ascent, duration.ascent),
                                                std::max(word.descent, duration.descent));
        word.paint(painter, row.left(), baseline);
        duration.paint(painter, row.left() + word.fitted.size.width() + headlineSpacing, baseline);
        return;
    }
    const BaselinePiece label(caption(), captionStyle(), row.width());
    const BigTime clock = headline();
    const double clockWidth = std::max(0.0, row.width() - headlineSpacing - label.fitted.size.width());
    const double scale = clock.scaleFor(clockWidth, now);
    const double shownWidth = std::min(clock.naturalSize(now).width() * scale, clockWidth);
    const QFontMetricsF metrics(clock.font());
    const double baseline = centredBaseline(std::max(metrics.ascent() * scale, label.ascent),
                                            std::max(metrics.descent() * scale, label.descent));
    clock.paint(painter, QRectF(row.left(), baseline - metrics.ascent() * scale, shownWidth,
                                (metrics.ascent() + metrics.descent()) * scale),
                now);
    label.paint(painter, row.left() + shownWidth + headlineSpacing, baseline);
}

void LockScreenCard::paint(QPainter& painter, const QRectF& frame, Instant now) const {
    const Layout parts = layout(frame);
    mascot().paint(painter, parts.mascot.topLeft());
    paintHeader(painter, parts.header);
    // The pixel face's tall glyphs reach past the 56-point row; the dimmed group takes them in.
    drawing::paintWithOpacity(painter, parts.headline.adjusted(-4, -24, 4, 24), stale ? staleOpacity : 1.0,
                              [&](QPainter& layer) { paintHeadline(layer, parts.headline, now); });
    painter.save();
    // A long command wraps; what does not fit on the card is left off rather than drawn past it.
    painter.setClipRect(frame, Qt::IntersectClip);
    detailText(exitCodeText()).paint(painter, parts.detail);
    painter.restore();
}

}  // namespace quorvel
