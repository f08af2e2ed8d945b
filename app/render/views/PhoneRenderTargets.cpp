#include "app/render/views/PhoneRenderTargets.hpp"

#include <QPainter>
#include <algorithm>

#include "kit/engine/FinishedRun.hpp"
#include "kit/phone/LockScreenCard.hpp"
#include "kit/phone/PageTitle.hpp"
#include "kit/phone/PhoneFaceView.hpp"
#include "kit/phone/SmallKeyStyle.hpp"
#include "kit/visuals/model/DeviceSamples.hpp"
#include "kit/visuals/model/Tokens.hpp"
#include "kit/visuals/views/kit/Grain.hpp"
#include "kit/visuals/views/kit/Painting.hpp"
#include "kit/visuals/views/kit/Shape.hpp"
#include "kit/visuals/views/lists/FinishedGroupedListView.hpp"
#include "kit/visuals/views/mascot/FaceMoment.hpp"

namespace quorvel::PhoneRenderTargets {
namespace {

constexpr double frozenAt = 60;
constexpr double pageMargin = 16;
constexpr double pageSpacing = 18;
constexpr double clearKeyTopPadding = 14;

// The phone's own backdrop: the chassis colour under a light grain, like the device's casing.
void paintBackdrop(QPainter& painter) {
    const QRectF screen(QPointF(0, 0), screenSize);
    painter.fillRect(screen, drawing::toQColor(Tokens::chassis));
    Grain{0.12}.paint(painter, screen);
}

}  // namespace

QuorvelLiveState lockState(std::string_view name, Instant now) {
    QuorvelLiveState state;
    state.state = name == "done" ? "done" : name == "broke" ? "broke" : "running";
    state.title = "tighten onboarding copy for the empty states";
    state.startedAtUnix = now.adding(-sampleRunSeconds).unixSeconds();
    if (state.state == "done") state.endedAtUnix = now.adding(-sampleEndedSecondsAgo).unixSeconds();
    if (state.state == "broke") state.detail = "pnpm build · exit 1";
    state.project = "tessaloom";
    return state;
}

std::optional<RenderScene> phone(std::string_view sample, Instant now) {
    PhoneFaceView face(DeviceSamples::display(sample, now), {}, frozenAt, FaceMoment::still(now));
    return RenderScene{screenSize, [face = std::move(face)](QPainter& painter) {
                           paintBackdrop(painter);
                           painter.save();
                           painter.translate(0, faceTopPadding);
                           face.paint(painter, screenSize.width());
                           painter.restore();
                       }};
}

std::optional<RenderScene> finished(Instant now) {
    const std::vector<FinishedRun> runs = DeviceSamples::finishedRuns(now);
    const PageTitle title{"FINISHED", 12, std::nullopt};
    const FinishedGroupedListView list(runs, now);
    return RenderScene{screenSize, [title, list](QPainter& painter) {
                           paintBackdrop(painter);
                           const double width = screenSize.width() - 2 * pageMargin;
                           title.paint(painter, QPointF(pageMargin, pageTopPadding), width);

                           const QString clear = QStringLiteral("CLEAR");
                           const QSizeF key = SmallKeyStyle::size(clear);
                           SmallKeyStyle{SmallKeyStyle::Style::panel}.paint(
                               painter,
                               QRectF(QPointF(pageMargin + width - key.width(), pageTopPadding + clearKeyTopPadding),
                                      key),
                               clear, false);

                           const double top =
                               pageTopPadding + std::max(title.size().height(), clearKeyTopPadding + key.height());
                           const double listTop = top + pageSpacing;
                           list.paint(painter, QRectF(pageMargin, listTop, width, list.height(width)));
                       }};
}

std::optional<RenderScene> lock(std::string_view name, Instant now) {
    const LockScreenCard card{lockState(name, now), false, sampleRunSeconds};
    const QSizeF size(cardSize.width() + 2 * cardPadding, cardSize.height() + 2 * cardPadding);
    return RenderScene{size, [card, size, now](QPainter& painter) {
                           painter.fillRect(QRectF(QPointF(0, 0), size), Qt::black);
                           const QRectF plate(QPointF(cardPadding, cardPadding), cardSize);
                           painter.save();
                           painter.setRenderHint(QPainter::Antialiasing, true);
                           painter.fillPath(Shape::continuousRoundedRectangle(cardCornerRadius).in(plate),
                                            drawing::toQColor(Tokens::chassis));
                           painter.restore();
                           card.paint(painter, plate, now);
                       }};
}

}  // namespace quorvel::PhoneRenderTargets
